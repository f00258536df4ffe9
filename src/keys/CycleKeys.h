#pragma once
// The argument keys of the play/mute cycle counts, the pitch cycles, the bars of a bar-count take
// and its stop-play key, and the velocity scale. Each handler takes a RangeN code, but the
// stop-play key its Record map code. Runs on the key path's thread under EngineLock.
#include <cstdint>

#include "keys/ModeKey.h"

namespace vel {

// The second counts of the alternating cycle entries, and the velocity sweep's start.
struct TCycleEntry {
  int32_t PlayMuteMuteEntry = 0;
  int32_t MutePlayPlayEntry = 0;
  int32_t PmtMuteEntry = 0;
  int32_t VelSweepFrom = 0;
  uint8_t VelSweepBothWays = 0;
};
inline TCycleEntry CycleEntry;

// The cycle counts' modes: one or two digits, and the alternating entries' separate counts.
void HandleCycleModeKey(const TModeKey& key);
void HandleRecBarsNModeKey(const TModeKey& key);
void HandleRecBarsNNModeKey(const TModeKey& key);
void HandleRecBarsStopKey(const TModeKey& key);
void HandleVelModeKey(const TModeKey& key);

}  // namespace vel
