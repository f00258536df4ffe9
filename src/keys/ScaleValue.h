#pragma once
// The force-to-scale types and their tables. A type keeps some pitch classes relative to the root
// and moves every other one to the nearest kept one, down where two are as near; the table holds
// the half steps to add, per pitch class relative to the root, over two equal octaves (the play
// paths index it from 1 to 23). SetScaleValue applies a type. Guarded by
// EngineLock, but for the tables, which are constant.
#include <cstdint>

#include "engine/PartBufs.h"

namespace vel {

inline constexpr uint8_t kFtsTypeCurr = 6;        // the root alone changes
inline constexpr uint8_t kFtsTypeFirstTable = 8;  // the 15 scales, then the 48 chords
inline constexpr uint8_t kFtsTypeLastTable = 70;

constexpr bool IsFtsTableType(uint8_t ftsType) {
  return ftsType >= kFtsTypeFirstTable && ftsType <= kFtsTypeLastTable;
}

// The kept pitch classes of a table type, bit p for pitch class p above the root; 0 for any other
// type.
uint16_t FtsKeptClasses(uint8_t ftsType);
// The table of a table type; nullptr for any other type.
const TScaleTbl* FtsScaleTable(uint8_t ftsType);

// Applies a force-to-scale choice (type 5 the force-to-notes map, 6 the root alone, 7 off, 8..70
// the scales and chords) to the live output when selected and to every selected seq's pending
// set, leaving pitch-locked targets alone. Any other type turns the targets' scale off, as an
// internal error.
void SetScaleValue(int32_t root, uint8_t ftsType);

}  // namespace vel
