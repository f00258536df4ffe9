#pragma once
// Diagnostics switches and the showing bytes of the virtual keyboard and the sample aid. The queues, the
// trace writers and the MIDI-in thread read them without a lock. The virtual keyboard's settings
// (TemplateAnimateSize and the rest) are settings variables.

#include <atomic>
#include <cstdint>

#include "settings/Settings.h"

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

// The virtual keyboard (template) window is showing.
inline std::atomic<uint8_t> TemplateShowing{0};
// The key animation has something to draw; the status display clears it before it animates.
inline std::atomic<uint8_t> LiveNoteAnyLit{0};
// The sample aid is on; the timer callback ticks it only while this is set.
inline std::atomic<uint8_t> SampleAidShowing{0};

}  // namespace vel
