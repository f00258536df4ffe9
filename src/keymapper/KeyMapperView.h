#pragma once
// What the key mapper window shows, without the window: its rows in screen order, the row a key
// mode lights, the current key's range marks, the scroll rules, the widths for a screen and the
// cell styles of the live display.
#include <array>
#include <cstdint>
#include <string>

#include "keymapper/KeyMapperGrid.h"
#include "settings/Settings.h"

namespace vel {

// The rows from top to bottom (the landed grid and lists keep the family order).
inline constexpr std::array<TModeType, KeyMapperRowCount> KeyMapperScreenRows = {
    MtLive,  MtCmd,     MtRec,     MtSRec, MtRangeN, MtTSig, MtTShift,
    MtQuant, MtFtsType, MtFtsRoot, MtFtn,  MtPitch,  MtMetr, MtHotkey};

struct TKeyMapperRowDef {
  const char* Label;    // the row label's name
  const char* Caption;  // its text
  int32_t Top;          // its top; the row's cells stand at the same height
  const char* Hint;
};
// Per screen row.
const std::array<TKeyMapperRowDef, KeyMapperRowCount>& KeyMapperRowDefs();
// The screen row of a mode type.
int32_t ScreenRowOf(TModeType t);

// The screen row a key mode lights, or one of these.
inline constexpr int32_t kGridRowNone = -1;     // no row (key mode 0)
inline constexpr int32_t kGridRowKeyNo = -2;    // the calibrate mode lights "Key no." instead
inline constexpr int32_t kGridRowInvalid = -3;  // no such key mode
int32_t GridRowOfKeyMode(uint8_t keyMode);

// A key number's caption and whether it is marked (bold, maroon) as inside the prefill range.
struct TKeyNoMark {
  std::string Caption;
  bool InRange;
};
std::array<TKeyNoMark, 128> KeyNoMarks(int32_t currentKey, bool prefillUp);

// The first key shown after a step of n keys (negative: down); a step past an end changes nothing.
int32_t ScrollFirstKey(int32_t firstKey, int32_t n);

struct TKeyMapperWidths {
  int32_t WindowWidth;
  int32_t KeyColWidth;
  int32_t KeyColOffset;
};
TKeyMapperWidths KeyMapperWidthsFor(int32_t screenWidth);

// One cell's look.
struct TCellStyle {
  TColor Font = clDefault;
  TColor Back = clBtnFace;
  bool Bold = false;
  bool operator==(const TCellStyle&) const = default;
};
inline constexpr TColor clAqua = 0x00FFFF00u;
inline constexpr TColor clSilver = 0x00C0C0C0u;
inline constexpr TColor clMaroon = 0x00000080u;

// The live display's colours: the lit row label, every key number's and cell's look (cells by
// screen row), and the last error text.
struct TKeyMapperDsp {
  int32_t LitRow = kGridRowNone;
  std::array<TColor, 128> KeyNoBack{};
  std::array<std::array<TCellStyle, 128>, KeyMapperRowCount> Cells{};
  std::string ErrText;
};
// cells: the grid's captions and colours in family order (KeyMapperGridCells).
TKeyMapperDsp KeyMapperDsp(const TKeyMapperGrid& cells, bool labelColours, uint8_t keyModeShown,
                           uint8_t keyModeShownPrev, int32_t lastLiveKey);

}  // namespace vel

namespace vel {

// Where a drop-down list of width w opens for a column whose left edge is at left: there when it
// fits before gridRight, else right-aligned with the column; -1 when even that leaves the window.
int32_t FitComboLeft(int32_t left, int32_t w, int32_t gridRight, int32_t keyColWidth);
// The box shown when FitComboLeft gives -1.
std::string ComboTooNarrowText(bool hints);
// The box shown for a pick on a key that the octave offset moves out of the maps.
std::string KeyOutOfRangeText(int32_t key);

}  // namespace vel
