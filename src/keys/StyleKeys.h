#pragma once
// The metronome style keys and the style procedures that the style windows share with them: one
// set of procedures over either style store, under the drum and bass names. Callers hold
// EngineLock.
#include <cstdint>

#include "keys/ModeKey.h"
#include "styles/StyleStore.h"

namespace vel {

// The metronome style modes: pattern or style digits, pattern step, break trigger.
void HandleMetrStyleModeKey(const TModeKey& key);
// The style entry from its first place, both entries cleared.
void StartMetrStyleEntry();
// After a style entry: with KeyHold the entry again from its first place, else Live.
void MetrStyleEntryDone();

// Makes style and pattern (indices) current; false with a warning for a pair the store does not
// hold or while the chain plays.
bool SelectStyle(TStyleStore& store, int32_t style, int32_t pattern);
// A random style and main pattern, another than the current one unless four draws hit it.
bool RandomStyle(TStyleStore& store);
// Arms a break (or the return from one) while the metronome plays this store's styles.
bool TriggerBreak(TStyleStore& store);

inline bool SelectDrumStyle(int32_t style, int32_t pattern) {
  return SelectStyle(DrumStore, style, pattern);
}
inline bool SelectBassStyle(int32_t style, int32_t pattern) {
  return SelectStyle(BassStore, style, pattern);
}
inline bool RandomDrumStyle() {
  return RandomStyle(DrumStore);
}
inline bool RandomBassStyle() {
  return RandomStyle(BassStore);
}
inline bool TriggerDrumBreak() {
  return TriggerBreak(DrumStore);
}
inline bool TriggerBassBreak() {
  return TriggerBreak(BassStore);
}

}  // namespace vel
