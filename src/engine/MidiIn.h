#pragma once
// MIDI input path. For now only what the queues, the play cycle and the timer read: the
// recent-input buffer, the external clock's position and the virtual keyboard's note animation.
#include <array>
#include <cstdint>

namespace vel {

struct TMidiInEntry {
  uint32_t TimeStamp = 0;
  uint32_t Msg = 0;
};

inline std::array<TMidiInEntry, 1000> MidiInBuffer;
inline int32_t MidiInBufferLast = -1;  // index of the last filled entry, -1 none

// Ticks of the external MIDI clock: 160 per clock received on the clock port.
inline int32_t ExtClockTicks = 0;

// The virtual keyboard's note animation: per note the velocity, its shown level and the tail
// countdown of a released note; and the last sustain value per channel.
struct TNoteAnim {
  int32_t Vel = 0;
  int32_t Level = 0;
  int32_t Tail = 0;
};
inline std::array<TNoteAnim, 128> LiveNoteTable{};
inline std::array<int32_t, 16> LiveNoteAux{};

}  // namespace vel
