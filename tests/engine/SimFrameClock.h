#pragma once
// An audio server's frame clock for engine tests, without a server: a simulated one whose cycles
// run on a test's system clock (the engine's ms clock by default), ppm fast or slow. Each reading
// first feeds the clock the cycles begun by then, so the engine reads frames exactly as under
// JACK. The system clock going back (a test starting its clocks afresh) starts a new server.
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <mutex>

#include "engine/Transport.h"
#include "platform/Clock.h"
#include "platform/FrameClock.h"

namespace vel::test {

inline int64_t EngineMsNs() {
  return int64_t{Transport.MsClock.load()} * 1000000;
}

class TSimFrameClock final : public clock::TClock {
 public:
  explicit TSimFrameClock(double ppm = 0, uint32_t period = 48, int64_t (*systemNs)() = EngineMsNs)
      : ppm_(ppm), period_(period), system_(systemNs) {
    Begin(0);
  }

  int64_t NowNs() override {
    std::lock_guard lock(mu_);
    Feed();
    return frames_->NowNs();
  }
  clock::TTickTime Tick(int64_t lastNs, int64_t periodsNs, int64_t lateNs) override {
    std::lock_guard lock(mu_);
    Feed();
    return frames_->Tick(lastNs, periodsNs, lateNs);
  }
  uint64_t Steps() const override { return frames_->Steps(); }

  static constexpr uint32_t kRate = 48000;
  double CycleNs() const { return period_ * 1e9 / (kRate * (1 + ppm_ * 1e-6)); }
  // The frame a time on the clock falls on, and a frame's time.
  uint32_t FrameAt(int64_t ns) const { return frames_->FrameAt(ns); }
  int64_t FrameNs(uint32_t frame) const { return frames_->FrameNs(frame); }
  // The server dies now and a new one begins gapNs later on the system clock, at frame 0.
  void Restart(int64_t gapNs) {
    std::lock_guard lock(mu_);
    Feed();
    frames_->Lost();
    frame_ = 0;
    nextNs_ += static_cast<double>(gapNs);
  }
  // The server skips n periods of frames (an xrun): they pass without a cycle.
  void Skip(uint32_t n) {
    std::lock_guard lock(mu_);
    Feed();
    frame_ += n * period_;
    nextNs_ += n * CycleNs();
  }

 private:
  void Begin(int64_t atNs) {
    frames_ = std::make_unique<clock::TFrameClock>(system_);
    frame_ = 0;
    nextNs_ = static_cast<double>(atNs);
  }
  void Feed() {
    const int64_t now = system_();
    if (now < fedNs_) Begin(0);
    fedNs_ = now;
    while (static_cast<int64_t>(std::llround(nextNs_)) <= now) {
      const double start = nextNs_;
      nextNs_ += CycleNs();
      frames_->OnCycle({frame_, std::llround(start), std::llround(nextNs_), period_, kRate});
      frame_ += period_;
    }
  }

  double ppm_;
  uint32_t period_;
  int64_t (*system_)();
  std::mutex mu_;
  std::unique_ptr<clock::TFrameClock> frames_;
  uint32_t frame_ = 0;
  double nextNs_ = 0;
  int64_t fedNs_ = 0;
};

// VELLORINE_TEST_CLOCK=frames: the engine tests run on a simulated server's frame clock at the
// system clock's pace instead of the system clock itself.
inline bool TestsOnFrames() {
  const char* v = std::getenv("VELLORINE_TEST_CLOCK");
  return v != nullptr && std::strcmp(v, "frames") == 0;
}

}  // namespace vel::test
