#include "platform/Clock.h"

#include <time.h>

#include <atomic>

namespace vel::clock {
namespace {

// Read on the timer, MIDI-in and JACK threads: never behind a lock. Null: CLOCK_MONOTONIC.
std::atomic<TClock*> gInForce{nullptr};
std::atomic<TClock*> gOverride{nullptr};

TClock& Monotonic() {
  // Never destroyed: the timer may read it while the program ends.
  static TClock* c = new TSystemClock{MonotonicNs};
  return *c;
}

}  // namespace

int64_t MonotonicNs() {
  timespec ts{};
  clock_gettime(CLOCK_MONOTONIC, &ts);
  return int64_t{ts.tv_sec} * 1000000000 + ts.tv_nsec;
}

TClock& Active() {
  if (TClock* o = gOverride.load(std::memory_order_acquire)) return *o;
  if (TClock* c = gInForce.load(std::memory_order_acquire)) return *c;
  return Monotonic();
}

void Use(TClock* c) {
  gInForce.store(c, std::memory_order_release);
}

void Override(TClock* c) {
  gOverride.store(c, std::memory_order_release);
}

int64_t NowNs() {
  return Active().NowNs();
}

TTickTime Tick(int64_t lastNs, int64_t periodsNs, int64_t lateNs) {
  return Active().Tick(lastNs, periodsNs, lateNs);
}

uint64_t Steps() {
  return Active().Steps();
}

}  // namespace vel::clock
