#pragma once
// The fourteen key maps: per mode and key a function code, a label of at most 8 characters, a font
// colour and a back colour. The codes are read by the MIDI-in thread while the GUI thread edits
// them, so they are atomics (relaxed: one byte, old or new, is all a reader needs). Labels and
// colours belong to the GUI thread.
#include <array>
#include <atomic>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "base/Atomic.h"
#include "base/HookSlots.h"
#include "keymaps/KeyModes.h"
#include "keymaps/KeyTokens.h"
#include "settings/Settings.h"

namespace vel {

inline constexpr int KeyCount = 128;

using TKeyMap = std::array<TAtomic<uint8_t>, KeyCount>;
using TKeyLabel = std::string;  // at most 8 characters
using TKeyLabelTable = std::array<TKeyLabel, KeyCount>;
using TKeyColourTable = std::array<TColor, KeyCount>;

// The key maps: per mode, each key's function code, label and colours. The codes are shared
// atomics, because the MIDI-in thread's key routing reads them without a lock while the GUI thread
// (key mapper, settings reader) sets them; labels and colours belong to the GUI thread.
struct TKeyMaps {
  // Map order (TMapNo): Cmd, Live, Rec, SRec, RangeN, TSig, TShift, FtsType, Quant, Pitch, Metr,
  // FtsRoot, Ftn, Hotkey.
  std::array<TKeyMap, ModeTypeCount> KeyFnTables;
  // Label order (TLabelNo): Live, Cmd, Rec, SRec, RangeN, TSig, TShift, FtsType, Quant, Pitch, Metr,
  // FtsRoot, Ftn, Hotkey.
  std::array<TKeyLabelTable, ModeTypeCount> KeyLabelTables;
  std::array<TKeyColourTable, ModeTypeCount> KeyFontColours;
  std::array<TKeyColourTable, ModeTypeCount> KeyBackColours;
};
inline TKeyMaps KeyMaps;

// Each mode's tables by their own names.
inline TKeyMap& KeyMapCmd = KeyMaps.KeyFnTables[MapCmd];
inline TKeyMap& KeyMapLive = KeyMaps.KeyFnTables[MapLive];
inline TKeyMap& KeyMapRec = KeyMaps.KeyFnTables[MapRec];
inline TKeyMap& KeyMapSRec = KeyMaps.KeyFnTables[MapSRec];
inline TKeyMap& KeyMapRangeN = KeyMaps.KeyFnTables[MapRangeN];
inline TKeyMap& KeyMapTSig = KeyMaps.KeyFnTables[MapTSig];
inline TKeyMap& KeyMapTShift = KeyMaps.KeyFnTables[MapTShift];
inline TKeyMap& KeyMapFtsType = KeyMaps.KeyFnTables[MapFtsType];
inline TKeyMap& KeyMapQuant = KeyMaps.KeyFnTables[MapQuant];
inline TKeyMap& KeyMapPitch = KeyMaps.KeyFnTables[MapPitch];
inline TKeyMap& KeyMapMetr = KeyMaps.KeyFnTables[MapMetr];
inline TKeyMap& KeyMapFtsRoot = KeyMaps.KeyFnTables[MapFtsRoot];
inline TKeyMap& KeyMapFtn = KeyMaps.KeyFnTables[MapFtn];
inline TKeyMap& KeyMapHotkey = KeyMaps.KeyFnTables[MapHotkey];

inline TKeyLabelTable& KeyLabelsLive = KeyMaps.KeyLabelTables[LabLive];
inline TKeyLabelTable& KeyLabelsCmd = KeyMaps.KeyLabelTables[LabCmd];
inline TKeyLabelTable& KeyLabelsRec = KeyMaps.KeyLabelTables[LabRec];
inline TKeyLabelTable& KeyLabelsSRec = KeyMaps.KeyLabelTables[LabSRec];
inline TKeyLabelTable& KeyLabelsRangeN = KeyMaps.KeyLabelTables[LabRangeN];
inline TKeyLabelTable& KeyLabelsTSig = KeyMaps.KeyLabelTables[LabTSig];
inline TKeyLabelTable& KeyLabelsTShift = KeyMaps.KeyLabelTables[LabTShift];
inline TKeyLabelTable& KeyLabelsFtsType = KeyMaps.KeyLabelTables[LabFtsType];
inline TKeyLabelTable& KeyLabelsQuant = KeyMaps.KeyLabelTables[LabQuant];
inline TKeyLabelTable& KeyLabelsPitch = KeyMaps.KeyLabelTables[LabPitch];
inline TKeyLabelTable& KeyLabelsMetr = KeyMaps.KeyLabelTables[LabMetr];
inline TKeyLabelTable& KeyLabelsFtsRoot = KeyMaps.KeyLabelTables[LabFtsRoot];
inline TKeyLabelTable& KeyLabelsFtn = KeyMaps.KeyLabelTables[LabFtn];
inline TKeyLabelTable& KeyLabelsHotkey = KeyMaps.KeyLabelTables[LabHotkey];
inline TKeyColourTable& KeyFontColoursLive = KeyMaps.KeyFontColours[LabLive];
inline TKeyColourTable& KeyFontColoursCmd = KeyMaps.KeyFontColours[LabCmd];
inline TKeyColourTable& KeyFontColoursRec = KeyMaps.KeyFontColours[LabRec];
inline TKeyColourTable& KeyFontColoursSRec = KeyMaps.KeyFontColours[LabSRec];
inline TKeyColourTable& KeyFontColoursRangeN = KeyMaps.KeyFontColours[LabRangeN];
inline TKeyColourTable& KeyFontColoursTSig = KeyMaps.KeyFontColours[LabTSig];
inline TKeyColourTable& KeyFontColoursTShift = KeyMaps.KeyFontColours[LabTShift];
inline TKeyColourTable& KeyFontColoursFtsType = KeyMaps.KeyFontColours[LabFtsType];
inline TKeyColourTable& KeyFontColoursQuant = KeyMaps.KeyFontColours[LabQuant];
inline TKeyColourTable& KeyFontColoursPitch = KeyMaps.KeyFontColours[LabPitch];
inline TKeyColourTable& KeyFontColoursMetr = KeyMaps.KeyFontColours[LabMetr];
inline TKeyColourTable& KeyFontColoursFtsRoot = KeyMaps.KeyFontColours[LabFtsRoot];
inline TKeyColourTable& KeyFontColoursFtn = KeyMaps.KeyFontColours[LabFtn];
inline TKeyColourTable& KeyFontColoursHotkey = KeyMaps.KeyFontColours[LabHotkey];
inline TKeyColourTable& KeyBackColoursLive = KeyMaps.KeyBackColours[LabLive];
inline TKeyColourTable& KeyBackColoursCmd = KeyMaps.KeyBackColours[LabCmd];
inline TKeyColourTable& KeyBackColoursRec = KeyMaps.KeyBackColours[LabRec];
inline TKeyColourTable& KeyBackColoursSRec = KeyMaps.KeyBackColours[LabSRec];
inline TKeyColourTable& KeyBackColoursRangeN = KeyMaps.KeyBackColours[LabRangeN];
inline TKeyColourTable& KeyBackColoursTSig = KeyMaps.KeyBackColours[LabTSig];
inline TKeyColourTable& KeyBackColoursTShift = KeyMaps.KeyBackColours[LabTShift];
inline TKeyColourTable& KeyBackColoursFtsType = KeyMaps.KeyBackColours[LabFtsType];
inline TKeyColourTable& KeyBackColoursQuant = KeyMaps.KeyBackColours[LabQuant];
inline TKeyColourTable& KeyBackColoursPitch = KeyMaps.KeyBackColours[LabPitch];
inline TKeyColourTable& KeyBackColoursMetr = KeyMaps.KeyBackColours[LabMetr];
inline TKeyColourTable& KeyBackColoursFtsRoot = KeyMaps.KeyBackColours[LabFtsRoot];
inline TKeyColourTable& KeyBackColoursFtn = KeyMaps.KeyBackColours[LabFtn];
inline TKeyColourTable& KeyBackColoursHotkey = KeyMaps.KeyBackColours[LabHotkey];

// The tables of one mode, by mode type.
TKeyMap& KeyMapOf(TModeType t);
TKeyLabelTable& KeyLabelsOf(TModeType t);
TKeyColourTable& KeyFontColoursOf(TModeType t);
TKeyColourTable& KeyBackColoursOf(TModeType t);
// The code at a key 0..127 of a mode's map; the mode's out-of-map code for any other key.
uint8_t KeyCodeAt(TModeType t, int key);

// Calls into the display link and the main window, which come from other modules. Each is empty
// until its owner fills it; an empty one is skipped. The link's own hooks test whether the link
// is open.
struct KeyMapHooks {
  // Sends one key of one mode to the label display (token parsers, RelabelMetrNoteKeys).
  std::function<void(TModeType t, int key)> TarloSendKey;
  // Sends keys first..last of one mode in one message (range prefill, after setting them).
  std::function<void(TModeType t, int first, int last)> TarloSendKeyRange;
  // Asks the status display to resend every map's colours (RecolourKeyMaps).
  std::function<void()> TarloResendColours;
  // Key routing: back to key mode Live, deselecting everything (InstallKeyModeCalls fills it).
  std::function<void()> ReturnToLiveMode;
};
KeyMapHooks& KeyMapCalls();

inline auto HookSlots(const KeyMapHooks& h) {
  return std::to_array<THookSlot>({
      VEL_HOOK_SLOT(h, TarloSendKey),
      VEL_HOOK_SLOT(h, TarloSendKeyRange),
      VEL_HOOK_SLOT(h, TarloResendColours),
      VEL_HOOK_SLOT(h, ReturnToLiveMode),
  });
}
static_assert(kAllSlotsListed<KeyMapHooks, std::function<void()>>,
              "a member of KeyMapHooks is not in HookSlots");

// ---- setters ----
// Each stores the code, the label cut to 8 characters and the colours of the mode's rule; nothing
// else (no redraw flag, no link message). A key outside 0..127 stores nothing and is reported as a
// design error.
void SetKeyFn(TModeType t, int key, uint8_t code, std::string_view label);
void SetKeyFnLive(int key, uint8_t code, std::string_view label);
void SetKeyFnCmd(int key, uint8_t code, std::string_view label);
void SetKeyFnRec(int key, uint8_t code, std::string_view label);
void SetKeyFnSRec(int key, uint8_t code, std::string_view label);
void SetKeyFnRangeN(int key, uint8_t code, std::string_view label);
void SetKeyFnTSig(int key, uint8_t code, std::string_view label);
void SetKeyFnTShift(int key, uint8_t code, std::string_view label);
void SetKeyFnFtsType(int key, uint8_t code, std::string_view label);
void SetKeyFnQuant(int key, uint8_t code, std::string_view label);
void SetKeyFnPitch(int key, uint8_t code, std::string_view label);
void SetKeyFnMetr(int key, uint8_t code, std::string_view label);
void SetKeyFnFtsRoot(int key, uint8_t code, std::string_view label);
void SetKeyFnFtn(int key, uint8_t code, std::string_view label);
void SetKeyFnHotkey(int key, uint8_t code, std::string_view label);

// Range prefill: keys first..last (ascending, stopping at 127) to one code and label, then the
// range goes to the label display. last < first sets nothing.
void SetKeyFnRange(TModeType t, int first, int last, uint8_t code, std::string_view label);

// Every key of every map to its mode's unassigned sentinel with the label "?": before a full or
// key-map settings load, and before the factory maps.
void ClearKeyMaps();
// After a load: every key still holding its sentinel becomes "ignore" with the label " ".
void ResolveKeyMapSentinels();

// ---- key mapping ----
// The key that grid key or note k stands for under input i's octave offset (may lie outside
// 0..127).
int MappedKey(int input, int note);
// The code of a note from control input 0 or 1 in a mode's map; a note that the octave shift
// moves outside the map gets the mode's out-of-map code without the table being read, and so
// does an input that is no control input. Any thread.
uint8_t MapNoteToCode(TModeType t, int input, int note);

// The mode type of a key mode; MtNone for key mode 0 and for an invalid key mode, which also
// sets ErrMsg.
TModeType KeyModeToLabMode(TKeyMode keyMode);

// Re-sets every command key that holds the metronome-note command, so that its colours follow
// the metronome mode; refreshes the key-map views when any key was set.
void RelabelMetrNoteKeys();

}  // namespace vel
