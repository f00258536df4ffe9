#pragma once
// The argument keys of the play/mute cycle counts, the pitch cycles, the bars of a bar-count take
// and its stop-play key, and the velocity scale. Each handler takes a RangeN code, but the
// stop-play key its Record map code. Runs on the key path's thread under EngineLock.
#include <cstdint>

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
void HandleCycleModeKey(uint8_t input, uint8_t code);
void HandleRecBarsNModeKey(uint8_t input, uint8_t code);
void HandleRecBarsNNModeKey(uint8_t input, uint8_t code);
void HandleRecBarsStopKey(uint8_t input, uint32_t msg, uint8_t code);
void HandleVelModeKey(uint8_t input, uint8_t code);

}  // namespace vel
