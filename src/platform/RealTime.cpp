#include "platform/RealTime.h"

#include <pthread.h>
#include <sched.h>

#include <algorithm>
#include <atomic>

namespace vel::realtime {
namespace {

// Read by the timer and the MIDI-in worker as they wake; set by the MIDI layer.
std::atomic<int> gCeiling{kNoCeiling};

}  // namespace

void SetPriorityCeiling(int ceiling) {
  gCeiling.store(ceiling < 0 ? kNoCeiling : ceiling, std::memory_order_relaxed);
}

int PriorityCeiling() {
  return gCeiling.load(std::memory_order_relaxed);
}

int TimerPriority() {
  const int ceiling = PriorityCeiling();
  return ceiling == kNoCeiling ? kTimerPriority : std::min(kTimerPriority, ceiling);
}

int MidiInPriority() {
  // One below the ceiling: the worker stays below the timer, as it is without one, and a scene
  // file it reads between messages never holds up a callback of the server's priority.
  const int ceiling = PriorityCeiling();
  return ceiling == kNoCeiling ? kMidiInPriority : std::clamp(ceiling - 1, 0, kMidiInPriority);
}

bool SetThreadRealTime(int priority) {
  sched_param sp{};
  sp.sched_priority = priority > 0 ? priority : 0;
  return pthread_setschedparam(pthread_self(), priority > 0 ? SCHED_FIFO : SCHED_OTHER, &sp) == 0;
}

}  // namespace vel::realtime
