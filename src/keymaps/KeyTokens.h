#pragma once
// The vocabulary of the fourteen key-map modes: for every function code of a mode its settings
// keyword, its label token and its hint. This one table per mode serves the token parsers, the
// key mapper's drop-down lists, the key-maps table and the settings file's key-map sections.
#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace vel {

// Mode types: how the labels' default tables, the template and the Tarlo link number the modes.
enum TModeType : uint8_t {
  MtLive = 0,
  MtCmd = 1,
  MtRec = 2,
  MtSRec = 3,
  MtRangeN = 4,
  MtTSig = 5,
  MtTShift = 6,
  MtQuant = 7,
  MtPitch = 8,
  MtMetr = 9,
  MtFtsRoot = 10,
  MtFtsType = 11,
  MtFtn = 12,
  MtHotkey = 13,
  MtNone = 255,  // no map (key mode inactive, or invalid)
};
inline constexpr int ModeTypeCount = 14;

// Map order: the order of KeyFnTables.
enum TMapNo : uint8_t {
  MapCmd = 0,
  MapLive,
  MapRec,
  MapSRec,
  MapRangeN,
  MapTSig,
  MapTShift,
  MapFtsType,
  MapQuant,
  MapPitch,
  MapMetr,
  MapFtsRoot,
  MapFtn,
  MapHotkey,
};

// Label order: the order of KeyLabelTables, KeyFontColours and KeyBackColours (map order with the
// first two swapped).
enum TLabelNo : uint8_t {
  LabLive = 0,
  LabCmd,
  LabRec,
  LabSRec,
  LabRangeN,
  LabTSig,
  LabTShift,
  LabFtsType,
  LabQuant,
  LabPitch,
  LabMetr,
  LabFtsRoot,
  LabFtn,
  LabHotkey,
};

// One function of one mode.
struct TKeyFn {
  uint8_t Code;
  std::string Keyword;  // settings-file keyword, mode prefix included ("CmdPlay", "HKCR", "TapTempo")
  std::string Token;    // the key label that names it; empty when no token reaches it
  std::string Hint;     // the key mapper's hint; empty for most
};

// The constants of one mode. Plain data, so that the MIDI-in thread's key lookup needs nothing
// built at run time.
struct TKeyModeInfo {
  TModeType ModeType;
  TMapNo MapNo;
  TLabelNo LabelNo;
  std::string_view Name;    // "Cmd", "Live", ... as the procedure names have it
  std::string_view Prefix;  // settings prefix ("Num" for RangeN, "Q" for Quant)
  uint8_t IgnoreCode;       // the key does nothing; also what an unknown token gives
  uint8_t OutOfMapCode;     // a played note that the octave shift moves outside 0..127
  std::string_view DefaultLabel;

  constexpr uint8_t Sentinel() const { return static_cast<uint8_t>(IgnoreCode + 1); }
};

// In mode-type order.
inline constexpr std::array<TKeyModeInfo, ModeTypeCount> KeyModeInfos = {{
    {MtLive, MapLive, LabLive, "Live", "Live", 162, 2, "p"},
    {MtCmd, MapCmd, LabCmd, "Cmd", "Cmd", 147, 147, " "},
    {MtRec, MapRec, LabRec, "Rec", "Rec", 207, 47, "r"},
    {MtSRec, MapSRec, LabSRec, "SRec", "SRec", 234, 74, "sr"},
    {MtRangeN, MapRangeN, LabRangeN, "RangeN", "Num", 44, 44, " "},
    {MtTSig, MapTSig, LabTSig, "TSig", "TSig", 68, 68, " "},
    {MtTShift, MapTShift, LabTShift, "TShift", "TShift", 77, 77, " "},
    {MtQuant, MapQuant, LabQuant, "Quant", "Q", 77, 77, " "},
    {MtPitch, MapPitch, LabPitch, "Pitch", "Pitch", 112, 112, " "},
    {MtMetr, MapMetr, LabMetr, "Metr", "Metr", 140, 140, " "},
    {MtFtsRoot, MapFtsRoot, LabFtsRoot, "FtsRoot", "FtsRoot", 19, 19, " "},
    {MtFtsType, MapFtsType, LabFtsType, "FtsType", "FtsType", 71, 71, " "},
    {MtFtn, MapFtn, LabFtn, "Ftn", "Ftn", 19, 19, " "},
    {MtHotkey, MapHotkey, LabHotkey, "Hotkey", "Hotkey", 162, 162, " "},
}};

// The mode of a mode type 0..13; any other value is a fault of the caller and gives the Live mode.
constexpr const TKeyModeInfo& KeyModeInfo(TModeType t) {
  return t < ModeTypeCount ? KeyModeInfos[t] : KeyModeInfos[MtLive];
}
// Every used code of a mode with its keyword, token and hint, ascending. Built on first use.
const std::vector<TKeyFn>& KeyFns(TModeType t);
TModeType ModeTypeOfMap(TMapNo m);
TModeType ModeTypeOfLabel(TLabelNo l);

// The 157 computer-key strokes shared by the Live, Hotkey, Rec and SRec maps, in list order.
inline constexpr int HotkeyCount = 157;
const std::vector<std::string>& HotkeySuffixes();  // "CR", "Esc", ... for the keywords
const std::vector<std::string>& HotkeyTokens();    // " cr", " escp", ... the labels
// Code of hotkey 0 in each of the four maps.
inline constexpr uint8_t LiveHotkeyBase = 4;
inline constexpr uint8_t HotkeyHotkeyBase = 5;
inline constexpr uint8_t RecHotkeyBase = 49;
inline constexpr uint8_t SRecHotkeyBase = 76;

// The first function in code order whose token equals the text exactly (case and blanks count);
// nullptr when none does. The empty text matches nothing.
const TKeyFn* FindKeyFnByToken(TModeType t, std::string_view token);
// The function of a code; nullptr for an unused or out-of-range code.
const TKeyFn* FindKeyFnByCode(TModeType t, uint8_t code);

// The settings-file text of a force-to-scale type: the scale names for 8..22, "off" for 7 and for
// anything that is no type, the vocabulary tokens for the rest.
std::string FtsCodeCfgName(int code);
// The force-to-scale type named by a settings value: first the exact inverse of FtsCodeCfgName,
// then the short tokens, both without regard to case except that "M" and "m" differ; 71 (ignore)
// when nothing matches.
uint8_t FtsTypeCodeFromLabel(std::string_view text);

}  // namespace vel
