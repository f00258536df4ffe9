#include "platform/RealTime.h"

#include <pthread.h>
#include <sched.h>

#include <algorithm>
#include <atomic>

namespace vel::realtime {
namespace {

// The ceiling in the low 16 bits (kNoCeiling as 0xFFFF), its changes above: one word, so that a
// thread reads the ceiling and the count of changes it belongs to together.
std::atomic<uint32_t> gCeiling{0xFFFFu};

int CeilingOf(uint32_t word) {
  const uint32_t low = word & 0xFFFFu;
  return low == 0xFFFFu ? kNoCeiling : static_cast<int>(low);
}

}  // namespace

void SetPriorityCeiling(int ceiling) {
  const uint32_t low = ceiling < 0 ? 0xFFFFu : static_cast<uint32_t>(std::min(ceiling, 0xFFFE));
  uint32_t word = gCeiling.load(std::memory_order_relaxed);
  // Only a change is counted: the MIDI layer sets it again at every rescan of the same server.
  while ((word & 0xFFFFu) != low &&
         !gCeiling.compare_exchange_weak(word, ((word >> 16) + 1) << 16 | low, std::memory_order_relaxed)) {
  }
}

int PriorityCeiling() {
  return CeilingOf(gCeiling.load(std::memory_order_relaxed));
}

uint32_t CeilingChanges() {
  return gCeiling.load(std::memory_order_relaxed) >> 16;
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
