#pragma once
// The key-map sections of the settings file: the fourteen mode blocks in the file's order, the key
// lists written from the maps (with the normalise shift) and read back into them.
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "keymaps/KeyTokens.h"
#include "settings/CfgFile.h"

namespace vel {

// One line of a mode block: an entry for a function code, a comment, an empty line, or a keyword
// that is always written "Unused" (seq keys beyond the seqs this build holds).
struct TKeyBlockItem {
  enum Kind : uint8_t { Entry, Comment, Blank, Unused } K;
  uint8_t Code = 0;
  std::string Text;  // comment text or the Unused keyword
};
struct TKeyMapBlock {
  TModeType Mode;
  std::vector<TKeyBlockItem> Items;  // head comments first
};
// The fourteen blocks in writing order: Live, Cmd, Hotkey, Rec, SRec, Num, Pitch, Metr, TSig,
// TShift, FtsRoot, FtsType, Ftn, Quant.
const std::vector<TKeyMapBlock>& KeyMapBlocks();

// The function that also takes the keys shifted out of the map (LiveN, RecN, SRecN), else false.
bool TakesOutOfMapKeys(TModeType mode, uint8_t code);

// The key list of one function of one mode, keys shifted up by keyShift: "C1..D1, C3" or
// "36..38, 60"; "Unused" when no key carries it.
std::string BuildKeyList(TModeType mode, uint8_t code, int32_t keyShift, bool numeric);

// The fourteen blocks, separators between them.
void WriteCfgKeyMaps(TCfgText& out, int32_t keyShift, bool numeric);

// "60..72" -> 60, 72; "60" -> 60, 60; a text that names no key gives -1.
void ParseKeyRange(std::string_view item, int32_t& first, int32_t& last);

// Sets every listed key of one mode to code and label. False at the first invalid item, which
// badItem receives (keys of earlier items stay set); a list "Unused" or empty sets nothing.
bool LoadKeyList(TModeType mode, uint8_t code, std::string_view label, std::string_view list,
                 std::string* badItem = nullptr);
// The list loader's name of a mode, as the diagnostics log names it ("LoadLiveKeys", "LoadCmdKeys").
std::string_view KeyListLoaderName(TModeType mode);

// The label a key gets for a function: its token, or the keyword without prefix when it has none.
std::string KeyFnLabel(TModeType mode, uint8_t code);

// Reads every mode's keywords in reading order (Live, Hotkey, Cmd, Rec, SRec, Num, Pitch, Metr,
// TSig, TShift, FtsRoot, FtsType, Ftn, Quant) through get (which returns the value, "" when
// missing or "Unused"). Returns false with the offending list in badList at the first invalid key,
// and the loader's log line ("LoadCmdKeys: invalid key " + item) in badLog.
// version selects the older keywords of files before 10.24 and 12.10, and the pre-9.03 lists.
bool LoadCfgKeyMapLists(const std::function<std::string(std::string_view keyword)>& get, int32_t version,
                        std::string& badList, std::string& badLog);

}  // namespace vel
