#pragma once
// Real-time scheduling for the calling thread, where the system grants it, and the ceiling the
// MIDI server in use puts on our threads' priorities.
namespace vel::realtime {

// Priorities of our own threads where nothing caps them (ALSA, the loopback devices): the timer
// above the MIDI-in worker, both above every desktop thread.
constexpr int kTimerPriority = 20;
constexpr int kMidiInPriority = 15;

// No ceiling: our threads take their own priorities.
constexpr int kNoCeiling = -1;

// The highest priority our real-time threads may take: kNoCeiling, 0 for none at all (normal
// scheduling), or a priority. A JACK server runs its clients' callbacks at a priority of its own
// (Debian's server runs at 10 and its clients at 5); a thread of ours above them would preempt
// the server's cycle on a shared processor, so under JACK our threads take at most theirs, and
// none when the server runs without real-time scheduling. Set by the MIDI layer when it chooses
// a backend; each of our real-time threads applies a change the next time it wakes.
void SetPriorityCeiling(int ceiling);
int PriorityCeiling();

// The priority each thread takes under the ceiling in force (the timer at most the ceiling, the
// MIDI-in worker one below it); 0: normal scheduling.
int TimerPriority();
int MidiInPriority();

// SCHED_FIFO at priority, or back to normal scheduling with 0. False when refused; the thread
// then goes on as it was.
bool SetThreadRealTime(int priority);

}  // namespace vel::realtime
