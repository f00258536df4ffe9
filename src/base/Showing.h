#pragma once
// Diagnostics switches and the showing bytes of the windows that the engine, the queues, the trace
// writers and the MIDI-in thread read without a lock.

#include <atomic>
#include <cstdint>

namespace vel {

// Diagnostics on: set while the diagnostics window is open, clear at start-up.
inline std::atomic<uint8_t> DiagFlags{0};

// Trace switches, as start-up sets them.
inline std::atomic<uint8_t> InTraceOn{0};
inline std::atomic<uint8_t> OutTraceOn{0};
inline std::atomic<uint8_t> DecodeTrace{1};  // the drain adds each message's text decoding
inline std::atomic<uint8_t> TraceNotes{1};
inline std::atomic<uint8_t> TracePressure{0};
inline std::atomic<uint8_t> TraceController{0};
inline std::atomic<uint8_t> TraceProgChanges{1};
inline std::atomic<uint8_t> TracePitchBend{0};
inline std::atomic<uint8_t> TraceMTC{0};
inline std::atomic<uint8_t> TraceMC{0};
inline std::atomic<uint8_t> TraceSync{0};
inline std::atomic<uint8_t> TraceHotkey{1};

// Whether the trace switches let an event of this status through.
bool TraceEventReqd(uint8_t status);

// The virtual keyboard (template) window is showing.
inline std::atomic<uint8_t> TemplateShowing{0};
// The key animation has something to draw; the status display clears it before it animates.
inline std::atomic<uint8_t> LiveNoteAnyLit{0};
// The sample aid is on; the timer callback ticks it only while this is set.
inline std::atomic<uint8_t> SampleAidShowing{0};

// The key mapper window is open.
inline std::atomic<uint8_t> KeyMapperShowing{0};
// The key-maps table window is open.
inline std::atomic<uint8_t> KeyMapsShowing{0};
// Recolour and redraw the key labels; the key mapper clears it.
inline std::atomic<uint8_t> KeyLabelsRedraw{0};

// The control key last pressed, as received (before any octave shift); -1 none.
inline std::atomic<int32_t> LastLiveKey{-1};

}  // namespace vel
