#pragma once
// Real-time scheduling for the calling thread, where the system grants it.

namespace vel::realtime {

// Priorities of our own threads: the timer above the MIDI-in worker, both modest so the MIDI
// server's own threads keep theirs.
constexpr int kTimerPriority = 20;
constexpr int kMidiInPriority = 15;

// SCHED_FIFO at priority, or back to normal scheduling with 0. False when refused; the thread
// then goes on as it was.
bool SetThreadRealTime(int priority);

}  // namespace vel::realtime
