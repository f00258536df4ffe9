#pragma once
// The sizes every layer builds its tables on. One constant each, so that the settings, the engine
// and the windows can never disagree about how many ports, channels, seqs or parts there are.
#include <cstdint>

namespace vel {

inline constexpr int32_t kPorts = 9;   // input ports and output ports, each: 0..8
inline constexpr int32_t kChans = 16;  // MIDI channels 0..15
inline constexpr int32_t kLastChan = kChans - 1;
inline constexpr int32_t kSeqs = 4;
inline constexpr int32_t kParts = 2;  // parts of each seq

}  // namespace vel
