#include "keys/ScaleValue.h"

#include <array>
#include <initializer_list>

#include "base/Messages.h"
#include "engine/LivePath.h"
#include "engine/MidiFifo.h"
#include "engine/PartBufs.h"
#include "keys/KeyArgs.h"

namespace vel {

namespace {

constexpr int kTableTypes = kFtsTypeLastTable - kFtsTypeFirstTable + 1;

constexpr uint16_t Kept(std::initializer_list<int> classes) {
  uint16_t mask = 0;
  for (int c : classes) mask = static_cast<uint16_t>(mask | (1u << c));
  return mask;
}

// In type order: the 15 scales, then the 48 chords.
constexpr std::array<uint16_t, kTableTypes> kKept = {
    Kept({0, 2, 4, 5, 7, 9, 11}),      // Major
    Kept({0, 2, 3, 5, 7, 8, 10}),      // NaturalMinor
    Kept({0, 2, 3, 5, 7, 8, 11}),      // HarmonicMinor
    Kept({0, 2, 3, 5, 7, 9, 11}),      // MelodicMinorAsc
    Kept({0, 2, 4, 5, 7, 9, 10}),      // MelodicMinorDesc
    Kept({0, 3, 5, 7, 10}),            // MinorPentatonic
    Kept({0, 2, 4, 7, 9}),             // MajorPentatonic
    Kept({0, 2, 3, 5, 6, 8, 9, 11}),   // Diminished
    Kept({0, 2, 4, 6, 8, 10}),         // Augmented
    Kept({0, 4, 5, 7, 11}),            // Pelog
    Kept({0, 4, 5, 7, 10}),            // Indian
    Kept({0, 4, 6, 7, 11}),            // Hirajoshi
    Kept({0, 3, 5, 6, 9, 11}),         // Kumoi
    Kept({0, 1, 2, 4, 6, 8, 10, 11}),  // Neapolitan
    Kept({0, 2, 3, 6, 7, 8, 10, 11}),  // Hungarian
    Kept({0, 4, 7}),                   // M
    Kept({0, 3, 7}),                   // m
    Kept({0, 4, 7, 10}),               // 7
    Kept({0, 3, 6, 9}),                // dim
    Kept({0, 4, 8}),                   // aug
    Kept({0, 3, 8}),                   // m+5
    Kept({0, 5, 7}),                   // -5
    Kept({0, 4, 7, 9}),                // 6
    Kept({0, 3, 7, 9}),                // m6
    Kept({0, 3, 7, 10}),               // m7
    Kept({0, 4, 7, 11}),               // maj7
    Kept({0, 3, 7, 11}),               // m(maj7)
    Kept({2, 4, 7}),                   // add9
    Kept({2, 3, 7}),                   // madd9
    Kept({2, 4, 7, 9}),                // 6.9
    Kept({2, 3, 7, 9}),                // m6.9
    Kept({2, 4, 7, 10}),               // 9
    Kept({2, 3, 7, 10}),               // m9
    Kept({2, 4, 7, 11}),               // maj9
    Kept({2, 3, 7, 11}),               // m(maj9)
    Kept({1, 4, 7, 10}),               // (7)-9
    Kept({3, 7, 10}),                  // (7)+9
    Kept({0, 5, 7}),                   // sus4
    Kept({0, 5, 7, 10}),               // 7sus4
    Kept({0, 4, 8, 10}),               // 7+5
    Kept({0, 4, 6, 10}),               // 7-5
    Kept({0, 3, 6, 10}),               // m7-5
    Kept({2, 4, 8, 10}),               // 9+5
    Kept({2, 4, 6, 10}),               // 9-5
    Kept({1, 4, 8, 10}),               // (7)-9+5
    Kept({1, 4, 6, 10}),               // (7)-9-5
    Kept({3, 8, 10}),                  // (7)+9+5
    Kept({3, 6, 10}),                  // (7)+9-5
    Kept({2, 5, 7, 10}),               // 11
    Kept({2, 5, 7, 10}),               // Cm11
    Kept({2, 6, 7, 10}),               // +11
    Kept({4, 9, 10}),                  // 13
    Kept({4, 8, 10}),                  // -13
    Kept({2, 4, 9, 10}),               // 13.9
    Kept({1, 4, 9, 10}),               // 13-9
    Kept({1, 4, 8, 10}),               // -13-9
    Kept({2, 5, 9, 10}),               // 13.11(9)
    Kept({1, 5, 9, 10}),               // 13.11-9
    Kept({2, 6, 9, 10}),               // 13+11(9)
    Kept({0, 4, 6, 8, 10}),            // 13-5
    Kept({0, 4, 6, 8, 10}),            // -13-5
    Kept({1, 4, 6, 9, 10}),            // 13-9-5
    Kept({2, 4, 6, 8, 10}),            // 9+5-5
};

constexpr bool IsKept(uint16_t mask, int pc) {
  return (mask >> (((pc % 12) + 12) % 12)) & 1u;
}

// Each pitch class to the nearest kept one, looking down first at each distance.
constexpr TScaleTbl TableOf(uint16_t mask) {
  TScaleTbl t{};
  for (int pc = 0; pc < 12; ++pc) {
    int offset = 0;
    for (int d = 1; d <= 6 && !IsKept(mask, pc); ++d) {
      if (IsKept(mask, pc - d)) {
        offset = -d;
        break;
      }
      if (IsKept(mask, pc + d)) {
        offset = d;
        break;
      }
    }
    t[pc] = t[pc + 12] = offset;
  }
  return t;
}

constexpr std::array<TScaleTbl, kTableTypes> BuildTables() {
  std::array<TScaleTbl, kTableTypes> tables{};
  for (int i = 0; i < kTableTypes; ++i) tables[i] = TableOf(kKept[i]);
  return tables;
}

constexpr std::array<TScaleTbl, kTableTypes> kTables = BuildTables();

bool IsValidFtsType(uint8_t ftsType) {
  return ftsType == kFtsTypeCustom || ftsType == kFtsTypeCurr || ftsType == kFtsTypeOff ||
         IsFtsTableType(ftsType);
}

}  // namespace

uint16_t FtsKeptClasses(uint8_t ftsType) {
  return IsFtsTableType(ftsType) ? kKept[ftsType - kFtsTypeFirstTable] : 0;
}

const TScaleTbl* FtsScaleTable(uint8_t ftsType) {
  return IsFtsTableType(ftsType) ? &kTables[ftsType - kFtsTypeFirstTable] : nullptr;
}

void SetScaleValue(int32_t root, uint8_t ftsType) {
  uint8_t type = ftsType;
  if (!IsValidFtsType(type)) {
    // A type no key map gives: the targets' scale goes off rather than play from no table.
    Msgs.ErrMsg.Set("SetScaleValue error: Unexpected MapRangeScaleNTypeKey");
    type = kFtsTypeOff;
  }
  if (Live.Selected && !Live.PitchLocked) {
    Live.FtsRoot = root;
    if (type != kFtsTypeCurr) {
      // What is queued already still plays in the old scale.
      FlushLiveFifo();
      Live.FtsType = type;
      if (type == kFtsTypeCustom) {
        Live.FtnMap = Args.FtnMap;
        Live.ScaleMap = &Live.FtnMap;
        Live.FtsName = Args.FtnName;
      } else {
        Live.ScaleMap = FtsScaleTable(type);
      }
    }
  }
  for (int32_t s = 0; s <= LastSeq(); ++s) {
    TPartBuf& b = SeqBuf(s);
    if (!b.Selected || b.PitchLocked) continue;
    b.Pend.FtsRoot = root;
    if (type == kFtsTypeCurr) continue;
    b.Pend.FtsType = type;
    if (type == kFtsTypeCustom) {
      b.Pend.FtnMap = Args.FtnMap;
      b.Pend.ScaleTbl = &b.Pend.FtnMap;
      b.Pend.FtnScaleName = Args.FtnName;
    } else {
      b.Pend.ScaleTbl = FtsScaleTable(type);
    }
  }
}

}  // namespace vel
