// How late the 1 ms engine timer calls back, beside bare clock_nanosleep loops running at the
// same time, with normal and with real-time scheduling. Each case runs for 10 s and reports the
// median, the 99th percentile and the worst lateness in microseconds.
//
// Lateness is measured against the absolute deadline each wake slept to: the timer tells its
// callback how late it runs (CallbackLatenessNs), the bare loop knows its own deadlines. The
// figures fitted to the least late wake ("_fitted_": the n-th wake against anchor + n * period)
// are kept beside them; they hide any constant lateness.
#include <benchmark/benchmark.h>
#include <pthread.h>
#include <sched.h>
#include <sys/prctl.h>
#include <time.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <string>
#include <thread>
#include <vector>

#include "platform/MmTimer.h"

namespace {

constexpr int64_t kPeriodNs = 1'000'000;
constexpr int kRunSeconds = 10;
constexpr size_t kSamples = kRunSeconds * 1000;

int64_t NowNs() {
  timespec ts;
  clock_gettime(CLOCK_MONOTONIC, &ts);
  return int64_t{ts.tv_sec} * 1'000'000'000 + ts.tv_nsec;
}

struct Figures {
  double medianUs = 0;
  double p99Us = 0;
  double worstUs = 0;
};

Figures FiguresOf(std::vector<int64_t> latenessNs) {
  std::sort(latenessNs.begin(), latenessNs.end());
  const size_t n = latenessNs.size();
  if (n == 0) return {};
  return {latenessNs[n / 2] / 1000.0, latenessNs[std::min(n - 1, n * 99 / 100)] / 1000.0,
          latenessNs.back() / 1000.0};
}

// Lateness of wake n against anchor + n * period, with the anchor fitted to the earliest wake.
Figures FittedFigures(const std::vector<int64_t>& wakesNs) {
  if (wakesNs.empty()) return {};
  int64_t anchor = wakesNs[0];
  for (size_t i = 0; i < wakesNs.size(); ++i) anchor = std::min(anchor, wakesNs[i] - int64_t(i) * kPeriodNs);
  std::vector<int64_t> late(wakesNs.size());
  for (size_t i = 0; i < wakesNs.size(); ++i) late[i] = wakesNs[i] - int64_t(i) * kPeriodNs - anchor;
  return FiguresOf(std::move(late));
}

void Report(benchmark::State& state, const Figures& f, const char* prefix = "") {
  const std::string p(prefix);
  state.counters[p + "median_us"] = f.medianUs;
  state.counters[p + "p99_us"] = f.p99Us;
  state.counters[p + "worst_us"] = f.worstUs;
}

// --- bare clock_nanosleep loop ---

struct BareLoop {
  std::vector<int64_t> wakes = std::vector<int64_t>(kSamples);
  std::vector<int64_t> late = std::vector<int64_t>(kSamples);
  bool schedOk = true;
  std::thread thread;

  // leastSlack: the slack our timer sets; rtPriority >= 0: SCHED_FIFO at that priority.
  void Start(int64_t firstDeadline, bool leastSlack, int rtPriority) {
    thread = std::thread([this, firstDeadline, leastSlack, rtPriority] {
      if (leastSlack) prctl(PR_SET_TIMERSLACK, 1UL, 0UL, 0UL, 0UL);
      if (rtPriority >= 0) {
        sched_param sp{};
        sp.sched_priority = rtPriority;
        schedOk = pthread_setschedparam(pthread_self(), SCHED_FIFO, &sp) == 0;
      }
      int64_t deadline = firstDeadline;
      for (size_t i = 0; i < kSamples; ++i, deadline += kPeriodNs) {
        const timespec ts{static_cast<time_t>(deadline / 1'000'000'000),
                          static_cast<long>(deadline % 1'000'000'000)};
        while (clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &ts, nullptr) == EINTR) {
        }
        wakes[i] = NowNs();
        late[i] = wakes[i] - deadline;
      }
    });
  }
};

// --- the engine timer ---

struct Recorder {
  std::vector<int64_t> wakes = std::vector<int64_t>(kSamples);
  std::vector<int64_t> late = std::vector<int64_t>(kSamples);
  std::atomic<size_t> n{0};
  std::atomic<int> policy{-1};
  std::atomic<int> priority{-1};
};

void Record(uint32_t, uintptr_t user) {
  auto& r = *reinterpret_cast<Recorder*>(user);
  const int64_t late = vel::mmtimer::CallbackLatenessNs();
  const int64_t now = NowNs();
  const size_t i = r.n.load(std::memory_order_relaxed);
  if (i >= kSamples) return;
  r.wakes[i] = now;
  r.late[i] = late;
  if (i == 0) {
    int policy;
    sched_param sp;
    pthread_getschedparam(pthread_self(), &policy, &sp);
    r.priority.store(sp.sched_priority);
    r.policy.store(policy);
  }
  r.n.store(i + 1, std::memory_order_release);
}

// The timer and bare loops run side by side for the same 10 s, so the system's own noise falls
// on all of them alike. Normal scheduling: the timer, a bare loop with the timer's slack and one
// with the default slack. Real-time: the timer and a bare loop at the timer's priority.
void BM_TimerBesideBareLoop(benchmark::State& state) {
  namespace mm = vel::mmtimer;
  const bool realTime = state.range(0) != 0;
  for (auto _ : state) {
    if (realTime && (mm::BeginPeriod(1) != mm::kOk || mm::RealTimePriority() == 0)) {
      mm::EndPeriod(1);
      state.SkipWithError("real-time scheduling refused");
      return;
    }
    Recorder r;
    BareLoop bare;
    BareLoop bareDefaultSlack;
    const uint32_t id = mm::SetEvent(1, 1, Record, reinterpret_cast<uintptr_t>(&r));
    if (id == 0) {
      if (realTime) mm::EndPeriod(1);
      state.SkipWithError("SetEvent failed");
      return;
    }
    while (r.policy.load() < 0) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    const bool timerFifo = r.policy.load() == SCHED_FIFO;
    // The loops wake between the timer's ticks, so that no two threads wake in the same instant
    // and one is served after the other.
    const int64_t firstTick = r.wakes[0];
    const int64_t between = firstTick + ((NowNs() - firstTick) / kPeriodNs + 2) * kPeriodNs;
    bare.Start(between + kPeriodNs / 2, true, timerFifo ? r.priority.load() : -1);
    if (!realTime) bareDefaultSlack.Start(between + kPeriodNs / 4, false, -1);

    while (r.n.load(std::memory_order_acquire) < kSamples)
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    mm::KillEvent(id);
    if (realTime) mm::EndPeriod(1);
    bare.thread.join();
    if (!realTime) bareDefaultSlack.thread.join();
    if (!bare.schedOk) {
      state.SkipWithError("real-time scheduling refused to the bare loop");
      return;
    }

    const Figures timer = FiguresOf(r.late);
    const Figures loop = FiguresOf(bare.late);
    Report(state, timer, "timer_");
    Report(state, loop, "bare_");
    Report(state, FittedFigures(r.wakes), "timer_fitted_");
    Report(state, FittedFigures(bare.wakes), "bare_fitted_");
    if (!realTime) Report(state, FiguresOf(bareDefaultSlack.late), "bare_default_slack_");
    state.counters["timer_fifo"] = timerFifo ? 1 : 0;
    state.counters["median_ratio"] = loop.medianUs > 0 ? timer.medianUs / loop.medianUs : 0;
    state.counters["p99_ratio"] = loop.p99Us > 0 ? timer.p99Us / loop.p99Us : 0;
  }
}

BENCHMARK(BM_TimerBesideBareLoop)
    ->ArgName("rt")
    ->Arg(0)
    ->Arg(1)
    ->Iterations(1)
    ->UseRealTime()
    ->Unit(benchmark::kSecond);

}  // namespace

BENCHMARK_MAIN();
