#pragma once
// The engine's time base. One clock is in force at a time, chosen with the MIDI backend: the
// system clock under ALSA and loopback, the frame clock of the JACK server under JACK, so that
// what the engine places lands on the frames a device plays by. The engine asks only this
// interface ("now", a timer tick's time) and never learns which backend it runs on.
#include <cstdint>

namespace vel::clock {

// "No time": before the first tick, or a stamp not given.
constexpr int64_t kNone = INT64_MIN;

// What a timer tick reads: its time on the clock in force, and how far that clock moved since
// the previous tick (never below 0).
struct TTickTime {
  int64_t nowNs = kNone;
  int64_t elapsedNs = 0;
};

class TClock {
 public:
  virtual ~TClock() = default;
  // Now, in ns; never blocks, never allocates, callable from any thread.
  virtual int64_t NowNs() = 0;
  // The tick whose timer deadline lies lateNs in the past. lastNs is the previous tick's time
  // (kNone for the first of a run); periodsNs the timer periods this tick covers.
  virtual TTickTime Tick(int64_t lastNs, int64_t periodsNs, int64_t lateNs) = 0;
  // How often the clock has stepped (a server restart or an xrun) since it was made.
  virtual uint64_t Steps() const { return 0; }
};

// A clock read from a function that the timer paces: a tick moves it by exactly the periods the
// tick covers, so the engine's ticks keep the timer's count whatever the wake-ups did.
class TSystemClock final : public TClock {
 public:
  explicit constexpr TSystemClock(int64_t (*now)()) : now_(now) {}
  int64_t NowNs() override { return now_(); }
  TTickTime Tick(int64_t, int64_t periodsNs, int64_t lateNs) override { return {now_() - lateNs, periodsNs}; }

 private:
  int64_t (*now_)();
};

// CLOCK_MONOTONIC in ns.
int64_t MonotonicNs();

// The clock in force; the MIDI layer installs its backend's, which must outlive the program.
// Until then it is a system clock on CLOCK_MONOTONIC.
TClock& Active();
void Use(TClock* c);
// Shortcuts on Active().
int64_t NowNs();
TTickTime Tick(int64_t lastNs, int64_t periodsNs, int64_t lateNs);
uint64_t Steps();

// For tests: a clock that stands in for the backend's until cleared with null.
void Override(TClock* c);

}  // namespace vel::clock
