#pragma once
// Seq playback cycle. For now only the output of short messages to a port and the controller
// reset of one port channel, which the live path and the queues need.
#include <atomic>
#include <cstdint>

#include "platform/midi/Midi.h"

namespace vel {

// All engine output is allowed; cleared by a Local Control off, after which the engine sends
// nothing.
inline std::atomic<uint8_t> LocalControlOn{1};

// One short message to an output port's device, only while LocalControlOn. With trace, and
// diagnostics and output trace on, the message is also traced (time 0). Returns the MIDI layer's
// result; kErrInvalidHandle when the port has no open device. Nothing sent is not a fault.
midi::Result SendShortMsg(int32_t port, uint32_t msg, bool trace);

// The controller reset of one channel of an output port: pitch bend centre, modulation 0, volume
// to CCVolResetValue, pan centre, sustain, sostenuto and soft pedal off, reset all controllers,
// all notes off.
void ResetPortChannel(int32_t port, int32_t chan);

}  // namespace vel
