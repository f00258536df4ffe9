#pragma once
// Run control: the program state, the MIDI device tables and the port bindings. Only the data for
// now; opening, closing and the changes of program state come with run control itself. The tables
// are guarded by EngineLock; ProgState and TimerBusy are read by every thread without it.
#include <array>
#include <atomic>
#include <cstdint>
#include <string>

#include "platform/midi/Midi.h"

namespace vel {

constexpr int kMaxPorts = 9;  // input and output ports 0..8

// Program states.
constexpr uint8_t psInitialising = 0;
constexpr uint8_t psLoadingConfig = 1;
constexpr uint8_t psRunning = 2;
constexpr uint8_t psStopping = 3;
constexpr uint8_t psConfig = 4;
inline std::atomic<uint8_t> ProgState{psInitialising};

// Set when the engine timer is created; the timer callback clears it once it finds the program
// not Running, which tells the stop that the callback has left its work.
inline std::atomic<uint8_t> TimerBusy{0};

// One system MIDI device.
struct TMidiDevRec {
  uint32_t DevId = 0;                      // the MIDI layer's device index
  std::string DevName;                     // at most 31 characters, stable from run to run
  std::string PortName;                    // the user's name of the port it is allocated to; empty when none
  int8_t PortNo = -1;                      // the port 0..8 it is allocated to, -1 none
  uint32_t Handle = midi::kInvalidHandle;  // all ones while closed
  uint8_t Opened = 0;
  uint8_t Started = 0;             // input devices: started by the last StartRunning
  uint8_t ProgChangesEnabled = 0;  // output devices: program changes may be sent on it
};

inline std::array<TMidiDevRec, midi::kMaxDevs> MidiInDevs;
inline std::array<TMidiDevRec, midi::kMaxDevs> MidiOutDevs;
inline int8_t MidiInDevsLast = -1;  // last listed record, -1 none
inline int8_t MidiOutDevsLast = -1;

// Port to device index, -1 none.
inline std::array<int8_t, kMaxPorts> InPortDevIdx = {-1, -1, -1, -1, -1, -1, -1, -1, -1};
inline std::array<int8_t, kMaxPorts> PortDevIdx = {-1, -1, -1, -1, -1, -1, -1, -1, -1};
// Last allocated port, -1 none.
inline int8_t InPortsAllocated = -1;
inline int8_t OutPortsAllocated = -1;

// The output port of the live output, -1 none.
inline int8_t LivePort = -1;

}  // namespace vel
