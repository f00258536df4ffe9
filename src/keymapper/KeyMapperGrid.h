#pragma once
// The contents of the key mapper grid: fourteen mode rows of 128 key cells, each with the label,
// font colour and back colour of the map key that the grid key stands for under input 1's octave
// offset, or the mode's defaults when that key lies outside the map.
#include <array>
#include <string>

#include "keymaps/KeyLabels.h"
#include "keymaps/KeyTokens.h"

namespace vel {

inline constexpr int KeyMapperRowCount = 14;

// The grid's rows in family order (the window shows them in its own screen order): Cmd, Live, Rec, SRec,
// RangeN, TSig, TShift, FtsType, FtsRoot, Ftn, Quant, Pitch, Metr, Hotkey.
inline constexpr std::array<TModeType, KeyMapperRowCount> KeyMapperRows = {
    MtCmd,     MtLive,    MtRec, MtSRec,  MtRangeN, MtTSig, MtTShift,
    MtFtsType, MtFtsRoot, MtFtn, MtQuant, MtPitch,  MtMetr, MtHotkey};

using TKeyMapperRow = std::array<TKeyView, 128>;
using TKeyMapperGrid = std::array<TKeyMapperRow, KeyMapperRowCount>;

// Every cell's caption, in the row order above (the grid colours its cells itself).
std::array<std::array<std::string, 128>, KeyMapperRowCount> FillKeyMapperLabels();
// Every cell's caption and colours, in the row order above.
TKeyMapperGrid KeyMapperGridCells();

}  // namespace vel
