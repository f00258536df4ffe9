#pragma once
// Diagnostics switches and the showing bytes of the windows that the engine, the queues, the trace
// writers and the MIDI-in thread read without a lock.

#include <atomic>
#include <cstdint>

#include "base/Atomic.h"

namespace vel {

// The diagnostics switches. Shared atomics: the timer, MIDI-in and GUI threads and the queue
// writers test them on every event without a lock; each is a flag on its own.
struct TTrace {
  // Diagnostics on: set while the diagnostics window is open, clear at start-up.
  TAtomic<uint8_t> DiagFlags{0};
  // Trace switches, as start-up sets them.
  TAtomic<uint8_t> InTraceOn{0};
  TAtomic<uint8_t> OutTraceOn{0};
  TAtomic<uint8_t> DecodeTrace{1};  // the drain adds each message's text decoding
  TAtomic<uint8_t> TraceNotes{1};
  TAtomic<uint8_t> TracePressure{0};
  TAtomic<uint8_t> TraceController{0};
  TAtomic<uint8_t> TraceProgChanges{1};
  TAtomic<uint8_t> TracePitchBend{0};
  TAtomic<uint8_t> TraceMTC{0};
  TAtomic<uint8_t> TraceMC{0};
  TAtomic<uint8_t> TraceSync{0};
  TAtomic<uint8_t> TraceHotkey{1};
  // Set by step recording: the last step note joined the previous step as a chord. DecodeEvent's
  // short form reads it.
  TAtomic<uint8_t> SRecChordNote{0};
};
inline TTrace Trace;

// Whether the trace switches let an event of this status through.
bool TraceEventReqd(uint8_t status);

// Which windows show, where the engine's own work depends on it (the keys lit, the live key kept,
// the sample aid ticked). Shared atomics: any thread tests a showing byte without a lock (the
// engine under EngineLock, the MIDI-in thread outside it); the GUI thread sets them. What changed for
// the windows to redraw is said as a topic (base/Topics.h).
struct TShowing {
  // The virtual keyboard (template) window is showing.
  TAtomic<uint8_t> TemplateShowing{0};
  // The key animation has something to draw; the status display clears it before it animates.
  TAtomic<uint8_t> LiveNoteAnyLit{0};
  // The sample aid is on; the timer callback ticks it only while this is set.
  TAtomic<uint8_t> SampleAidShowing{0};
  // The key mapper window is open.
  TAtomic<uint8_t> KeyMapperShowing{0};
  // The control key last pressed, as received (before any octave shift); -1 none.
  TAtomic<int32_t> LastLiveKey{-1};
  // 0: the builder's copy of the current pattern is stale and must be taken again.
  TAtomic<uint8_t> MetrDrumChanged{0};
  TAtomic<uint8_t> MetrBassChanged{0};
};
inline TShowing Showing;

}  // namespace vel
