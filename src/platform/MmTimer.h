#pragma once
// Multimedia timer: device caps, period begin/end and a periodic event on a dedicated thread.
#include <cstdint>

namespace vel::mmtimer {

using Result = uint32_t;
enum : Result { kOk = 0, kErrNoCanDo = 97, kErrStruct = 129 };

struct Caps {
  uint32_t periodMin;  // ms
  uint32_t periodMax;  // ms
};
// Always 1 and 1000000 ms here.
Result GetDevCaps(Caps& caps);
// Asks for real-time scheduling of timer threads for the period, at the timer's priority under
// the ceiling of the MIDI server in use (platform/RealTime.h); goes on without it where the
// system refuses or the ceiling allows none. Each BeginPeriod is matched by an EndPeriod with the
// same value.
Result BeginPeriod(uint32_t periodMs);
Result EndPeriod(uint32_t periodMs);
// The SCHED_FIFO priority the timer threads of a begun period take; 0 while they run without.
int RealTimePriority();

// Called on the timer's own thread; once for each period, also for periods the thread woke too
// late for (bounded), so a clock counted in callbacks keeps wall time.
using TimerCallback = void (*)(uint32_t id, uintptr_t user);
// Starts a periodic event; returns its id, or 0 when it cannot be started (period 0 among them).
uint32_t SetEvent(uint32_t periodMs, uint32_t resolutionMs, TimerCallback cb, uintptr_t user);
// Inside a callback: how long after its period's deadline it runs (a catch-up callback for a
// missed period is late by that much too); 0 on any other thread.
int64_t CallbackLatenessNs();
// Stops and joins the timer's thread: no callback runs once this returns. Safe from any thread
// but the timer's own callback, where it returns kErrNoCanDo.
Result KillEvent(uint32_t id);

}  // namespace vel::mmtimer
