#include "platform/MmTimer.h"

#include <pthread.h>
#include <sched.h>
#include <sys/prctl.h>
#include <time.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <map>
#include <memory>
#include <mutex>
#include <system_error>
#include <thread>

#include "platform/Clock.h"
#include "platform/RealTime.h"

namespace vel::mmtimer {
namespace {

constexpr uint32_t kPeriodMin = 1;
constexpr uint32_t kPeriodMax = 1000000;
// A thread that slept through more periods than this starts counting afresh from now.
constexpr int64_t kMaxCatchUp = 100;
// Longer waits sit on the condition variable so that a kill wakes them at once; only this last
// stretch before each deadline is slept with clock_nanosleep, which nothing can cut short.
constexpr int64_t kNanosleepSpanNs = 2'000'000;
// How long the program's end waits for a timer thread to leave its callback.
constexpr auto kExitWait = std::chrono::seconds(1);

// The deadline of the period whose callback runs on this thread now; 0 off the timer thread.
thread_local int64_t tDeadlineNs = 0;

void SleepUntil(int64_t deadlineNs) {
  timespec ts{static_cast<time_t>(deadlineNs / 1'000'000'000), static_cast<long>(deadlineNs % 1'000'000'000)};
  while (clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &ts, nullptr) == EINTR) {
  }
}

// --- period and scheduling ---

std::mutex gPeriodMutex;
std::map<uint32_t, int> gBegun;  // period -> begins not yet ended; under gPeriodMutex
int gBegunTotal = 0;             // under gPeriodMutex
// Bit 0: timer threads run real-time. The bits above count the changes, so each timer thread
// sees a change with one load per period and applies it to itself.
std::atomic<uint32_t> gSchedState{0};

// Real-time at the timer's priority under the ceiling in force, or normal scheduling. False when
// real-time was asked for and not had: refused, or the ceiling allows none.
bool SetRealTime(bool on) {
  const int priority = on ? realtime::TimerPriority() : 0;
  const bool set = realtime::SetThreadRealTime(priority);
  return on ? set && priority > 0 : set;
}

// Whether the system grants this process real-time threads, tried on a throw-away thread so the
// caller's own scheduling stays as it is.
bool ProbeRealTime() {
  bool granted = false;
  try {
    std::thread probe([&granted] { granted = SetRealTime(true); });
    probe.join();
  } catch (const std::system_error&) {
    return false;
  }
  return granted;
}

void PublishSchedState(bool realTime) {
  const uint32_t changes = (gSchedState.load(std::memory_order_relaxed) >> 1) + 1;
  gSchedState.store((changes << 1) | (realTime ? 1u : 0u), std::memory_order_relaxed);
}

// --- events ---

struct Timer {
  uint32_t id = 0;
  int64_t periodNs = 0;
  TimerCallback cb = nullptr;
  uintptr_t user = 0;
  pid_t pid = 0;  // the process whose thread this is; a forked child has none
  std::atomic<bool> stop{false};
  std::atomic<bool> finished{false};  // the thread has left its last callback
  std::mutex m;                       // pairs with cv; stop is set under it so no wake-up is lost
  std::condition_variable cv;
  std::thread thread;  // written and read under the registry mutex
};

struct Registry {
  std::mutex m;
  std::map<uint32_t, std::shared_ptr<Timer>> timers;
  uint32_t nextId = 1;
  bool ended = false;  // the program is ending: no new timers
};

void StopAllAtExit();

// Never destroyed: a timer still running when the process exits must not meet a joinable
// std::thread's destructor.
Registry& TheRegistry() {
  static Registry* r = [] {
    auto* reg = new Registry;
    std::atexit(StopAllAtExit);
    return reg;
  }();
  return *r;
}

void Signal(Timer& t) {
  {
    std::lock_guard lock(t.m);
    t.stop.store(true, std::memory_order_release);
  }
  t.cv.notify_all();
}

void RunTimerLoop(Timer& t) {
  prctl(PR_SET_TIMERSLACK, 1UL, 0UL, 0UL, 0UL);
  pthread_setname_np(pthread_self(), "vel-timer");
  uint32_t applied = ~0u;
  int appliedCeiling = realtime::PriorityCeiling();
  int64_t next = clock::MonotonicNs() + t.periodNs;
  while (!t.stop.load(std::memory_order_acquire)) {
    const uint32_t sched = gSchedState.load(std::memory_order_relaxed);
    const int ceiling = realtime::PriorityCeiling();
    if (sched != applied || ceiling != appliedCeiling) {
      applied = sched;
      appliedCeiling = ceiling;
      SetRealTime((sched & 1u) != 0);  // refused: go on as we are
    }
    const int64_t wait = next - clock::MonotonicNs();
    if (wait > kNanosleepSpanNs) {
      std::unique_lock lock(t.m);
      if (t.cv.wait_for(lock, std::chrono::nanoseconds(wait - kNanosleepSpanNs),
                        [&t] { return t.stop.load(std::memory_order_relaxed); })) {
        return;
      }
    }
    SleepUntil(next);
    const int64_t due = (clock::MonotonicNs() - next) / t.periodNs + 1;
    const int64_t runs = due < kMaxCatchUp ? due : kMaxCatchUp;
    for (int64_t i = 0; i < runs; ++i) {
      if (t.stop.load(std::memory_order_acquire)) return;
      tDeadlineNs = next + i * t.periodNs;
      t.cb(t.id, t.user);
    }
    tDeadlineNs = 0;
    if (due > kMaxCatchUp) {
      next = clock::MonotonicNs() + t.periodNs;
    } else {
      next += due * t.periodNs;
    }
  }
}

// The thread's own reference keeps the timer alive for as long as it runs, also when the end of
// the program leaves it behind.
void RunTimer(std::shared_ptr<Timer> t) {
  RunTimerLoop(*t);
  t->finished.store(true, std::memory_order_release);
}

// A timer left running at the end of the program would call into objects being destroyed: the
// timers are stopped first. A callback that does not return within kExitWait (or the exit is
// made from a callback) is left behind rather than hang the exit; it starts no further call.
void StopAllAtExit() {
  std::map<uint32_t, std::shared_ptr<Timer>> timers;
  {
    Registry& r = TheRegistry();
    std::lock_guard lock(r.m);
    r.ended = true;
    timers.swap(r.timers);
  }
  const pid_t self = getpid();
  for (auto& [id, t] : timers) {
    if (t->pid == self) Signal(*t);
  }
  const auto deadline = std::chrono::steady_clock::now() + kExitWait;
  for (auto& [id, t] : timers) {
    if (t->pid != self) {
      continue;  // a thread of the parent, which a forked child does not have
    }
    if (t->thread.get_id() != std::this_thread::get_id()) {
      while (!t->finished.load(std::memory_order_acquire) && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
      }
    }
    if (t->finished.load(std::memory_order_acquire)) {
      t->thread.join();
    } else {
      t->thread.detach();
    }
  }
}

}  // namespace

Result GetDevCaps(Caps& caps) {
  caps.periodMin = kPeriodMin;
  caps.periodMax = kPeriodMax;
  return kOk;
}

Result BeginPeriod(uint32_t periodMs) {
  if (periodMs < kPeriodMin || periodMs > kPeriodMax) return kErrNoCanDo;
  std::lock_guard lock(gPeriodMutex);
  if (gBegunTotal == 0) PublishSchedState(ProbeRealTime());
  ++gBegun[periodMs];
  ++gBegunTotal;
  return kOk;
}

Result EndPeriod(uint32_t periodMs) {
  std::lock_guard lock(gPeriodMutex);
  auto it = gBegun.find(periodMs);
  if (it == gBegun.end()) return kErrNoCanDo;
  if (--it->second == 0) gBegun.erase(it);
  if (--gBegunTotal == 0) PublishSchedState(false);
  return kOk;
}

int RealTimePriority() {
  return (gSchedState.load(std::memory_order_relaxed) & 1u) != 0 ? realtime::TimerPriority() : 0;
}

uint32_t SetEvent(uint32_t periodMs, uint32_t resolutionMs, TimerCallback cb, uintptr_t user) {
  // Deadlines are absolute and the slack is at its least, so the resolution asks for nothing more.
  (void)resolutionMs;
  if (periodMs < kPeriodMin || periodMs > kPeriodMax || cb == nullptr) return 0;
  std::shared_ptr<Timer> t;
  try {
    t = std::make_shared<Timer>();
  } catch (const std::bad_alloc&) {
    return 0;
  }
  t->periodNs = int64_t{periodMs} * 1'000'000;
  t->cb = cb;
  t->user = user;
  t->pid = getpid();

  Registry& r = TheRegistry();
  std::lock_guard lock(r.m);
  if (r.ended) return 0;
  // Ids count up and wrap past 0, so a killed id is not handed out again for a long while.
  uint32_t id = r.nextId;
  while (id == 0 || r.timers.count(id) != 0) ++id;
  t->id = id;
  try {
    // Entered first, so that nothing can fail once the thread runs.
    const auto it = r.timers.emplace(id, t).first;
    try {
      t->thread = std::thread(RunTimer, t);
    } catch (const std::system_error&) {
      r.timers.erase(it);
      return 0;
    }
  } catch (const std::bad_alloc&) {
    return 0;
  }
  r.nextId = id + 1;
  return id;
}

Result KillEvent(uint32_t id) {
  std::shared_ptr<Timer> t;
  {
    Registry& r = TheRegistry();
    std::lock_guard lock(r.m);
    auto it = r.timers.find(id);
    if (it == r.timers.end()) return kErrNoCanDo;
    // The callback's own thread cannot wait for itself to end.
    if (it->second->thread.get_id() == std::this_thread::get_id()) return kErrNoCanDo;
    t = std::move(it->second);
    r.timers.erase(it);
  }
  Signal(*t);
  t->thread.join();
  return kOk;
}

int64_t CallbackLatenessNs() {
  if (tDeadlineNs == 0) return 0;
  const int64_t late = clock::MonotonicNs() - tDeadlineNs;
  return late > 0 ? late : 0;
}

}  // namespace vel::mmtimer
