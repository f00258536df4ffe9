#pragma once
// MIDI input path. For now only the recent-input buffer, which the queues' reset empties and the
// diagnostics dump lists.
#include <array>
#include <cstdint>

namespace vel {

struct TMidiInEntry {
  uint32_t TimeStamp = 0;
  uint32_t Msg = 0;
};

inline std::array<TMidiInEntry, 1000> MidiInBuffer;
inline int32_t MidiInBufferLast = -1;  // index of the last filled entry, -1 none

}  // namespace vel
