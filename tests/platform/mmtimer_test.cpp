#include "platform/MmTimer.h"

#include <gtest/gtest.h>
#include <poll.h>
#include <pthread.h>
#include <sched.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <string>
#include <thread>

#include "platform/RealTime.h"

namespace vel::mmtimer {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

struct Counter {
  std::atomic<uint32_t> calls{0};
  std::atomic<uint32_t> wrongIds{0};
  std::atomic<uint32_t> expectedId{0};
  std::atomic<uint32_t> stallAtCall{0};  // the callback with this number sleeps stallMs once
  std::atomic<uint32_t> stallMs{0};
  std::atomic<int> policy{-1};  // scheduling policy of the timer thread at the last call
  std::atomic<int> priority{-1};
  std::atomic<Result> selfKill{~0u};
  std::atomic<bool> killSelf{false};
};

void Count(uint32_t id, uintptr_t user) {
  auto& c = *reinterpret_cast<Counter*>(user);
  const uint32_t n = c.calls.fetch_add(1) + 1;
  const uint32_t expected = c.expectedId.load();
  if (expected != 0 && id != expected) c.wrongIds.fetch_add(1);
  if (n == c.stallAtCall.load()) std::this_thread::sleep_for(std::chrono::milliseconds(c.stallMs.load()));
  int policy;
  sched_param sp;
  if (pthread_getschedparam(pthread_self(), &policy, &sp) == 0) {
    c.priority.store(sp.sched_priority);
    c.policy.store(policy);
  }
  if (c.killSelf.exchange(false)) c.selfKill.store(KillEvent(id));
}

// Waits, without any limit on time, until the timer has called back at least n times; the
// suite's time-out catches a timer that never does.
void WaitForCalls(const Counter& c, uint32_t n) {
  while (c.calls.load() < n) std::this_thread::sleep_for(1ms);
}

// Waits until the timer thread reports the policy, or 5 s have passed: a policy change reaches
// the thread at its next callback, and on loaded cores the counted calls may all come before it.
int WaitForPolicy(const Counter& c, int wanted, int priority = 0) {
  const auto deadline = Clock::now() + 5s;
  while ((c.policy.load() != wanted || c.priority.load() != priority) && Clock::now() < deadline)
    std::this_thread::sleep_for(1ms);
  EXPECT_EQ(c.priority.load(), priority);
  return c.policy.load();
}

TEST(MmTimerCaps, AreOneToOneMillionMs) {
  Caps caps{0, 0};
  EXPECT_EQ(GetDevCaps(caps), kOk);
  EXPECT_EQ(caps.periodMin, 1u);
  EXPECT_EQ(caps.periodMax, 1000000u);
}

TEST(MmTimerPeriod, BeginAndEndNestPerValue) {
  EXPECT_EQ(BeginPeriod(0), kErrNoCanDo);
  EXPECT_EQ(BeginPeriod(1000001), kErrNoCanDo);
  EXPECT_EQ(EndPeriod(3), kErrNoCanDo);  // never begun
  EXPECT_EQ(RealTimePriority(), 0);

  EXPECT_EQ(BeginPeriod(3), kOk);
  EXPECT_EQ(BeginPeriod(3), kOk);
  EXPECT_EQ(BeginPeriod(1000000), kOk);
  EXPECT_EQ(EndPeriod(2), kErrNoCanDo);  // another value than was begun
  EXPECT_EQ(EndPeriod(3), kOk);
  EXPECT_EQ(EndPeriod(1000000), kOk);
  EXPECT_EQ(EndPeriod(3), kOk);
  EXPECT_EQ(EndPeriod(3), kErrNoCanDo);  // one end more than begins
  EXPECT_EQ(RealTimePriority(), 0);
}

// The timer thread runs real-time exactly while a period is begun and the system grants it, at
// most at the priority the MIDI server gives its own clients (a change applies to a running
// timer), and returns to normal scheduling when the last period ends.
TEST(MmTimerPeriod, TimerThreadFollowsRealTimeGrantUnderTheServersCeiling) {
  struct Restore {
    ~Restore() { realtime::SetPriorityCeiling(realtime::kNoCeiling); }
  } restore;
  Counter c;
  const uint32_t id = SetEvent(1, 1, Count, reinterpret_cast<uintptr_t>(&c));
  ASSERT_NE(id, 0u);
  WaitForCalls(c, 3);
  EXPECT_EQ(c.policy.load(), SCHED_OTHER);

  ASSERT_EQ(BeginPeriod(1), kOk);
  const bool granted = RealTimePriority() != 0;
  const struct {
    int ceiling;
    int priority;  // where the system grants real-time scheduling
  } cases[] = {
      {realtime::kNoCeiling, 20},  // ALSA, loopback
      {5, 5},                      // a JACK server at 10
      {65, 20},                    // a JACK server at 70
      {0, 0},                      // a JACK server without real-time scheduling
      {realtime::kNoCeiling, 20},
  };
  for (const auto& k : cases) {
    SCOPED_TRACE(k.ceiling);
    realtime::SetPriorityCeiling(k.ceiling);
    const int priority = granted ? k.priority : 0;
    EXPECT_EQ(RealTimePriority(), priority);
    EXPECT_EQ(WaitForPolicy(c, priority > 0 ? SCHED_FIFO : SCHED_OTHER, priority),
              priority > 0 ? SCHED_FIFO : SCHED_OTHER);
  }

  ASSERT_EQ(EndPeriod(1), kOk);
  EXPECT_EQ(RealTimePriority(), 0);
  EXPECT_EQ(WaitForPolicy(c, SCHED_OTHER), SCHED_OTHER);
  EXPECT_EQ(KillEvent(id), kOk);
}

TEST(MmTimerEvent, RefusesBadArguments) {
  Counter c;
  const auto user = reinterpret_cast<uintptr_t>(&c);
  EXPECT_EQ(SetEvent(0, 1, Count, user), 0u);
  EXPECT_EQ(SetEvent(1000001, 1, Count, user), 0u);
  EXPECT_EQ(SetEvent(1, 1, nullptr, user), 0u);
  EXPECT_EQ(KillEvent(0), kErrNoCanDo);
  EXPECT_EQ(KillEvent(0xFFFFFFF0u), kErrNoCanDo);
  EXPECT_EQ(c.calls.load(), 0u);
}

// A clock counted in callbacks keeps wall time, also across a callback that stalls for 60
// periods: without the catch-up the count would fall 3% behind.
TEST(MmTimerEvent, OneMsCountKeepsWallTime) {
  Counter c;
  c.stallAtCall = 200;
  c.stallMs = 60;
  const auto start = Clock::now();
  const uint32_t id = SetEvent(1, 1, Count, reinterpret_cast<uintptr_t>(&c));
  ASSERT_NE(id, 0u);
  std::this_thread::sleep_until(start + 2s);
  const uint32_t calls = c.calls.load();
  const double elapsedMs = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
  EXPECT_EQ(KillEvent(id), kOk);
  EXPECT_LE(std::fabs(calls - elapsedMs), 0.02 * elapsedMs) << calls << " calls in " << elapsedMs << " ms";
}

TEST(MmTimerEvent, ACallbackKnowsHowLateItRunsAndNoOtherThreadDoes) {
  static std::atomic<int64_t> late{-1};
  static std::atomic<int> calls{0};
  late = -1;
  calls = 0;
  EXPECT_EQ(CallbackLatenessNs(), 0);
  const uint32_t id = SetEvent(
      1, 1,
      [](uint32_t, uintptr_t) {
        late = CallbackLatenessNs();
        ++calls;
      },
      0);
  ASSERT_NE(id, 0u);
  while (calls.load() < 20) std::this_thread::sleep_for(1ms);
  EXPECT_EQ(KillEvent(id), kOk);
  // Never before its deadline, and a wake-up is not a second late.
  EXPECT_GE(late.load(), 0);
  EXPECT_LT(late.load(), 1000000000);
  EXPECT_EQ(CallbackLatenessNs(), 0);
}

TEST(MmTimerKill, FromAnotherThreadStopsCallbacksAtOnce) {
  Counter c;
  const uint32_t id = SetEvent(1, 1, Count, reinterpret_cast<uintptr_t>(&c));
  ASSERT_NE(id, 0u);
  WaitForCalls(c, 20);
  Result killed = ~0u;
  uint32_t atKill = 0;
  std::thread killer([&] {
    killed = KillEvent(id);
    atKill = c.calls.load();
  });
  killer.join();
  EXPECT_EQ(killed, kOk);
  std::this_thread::sleep_for(30ms);
  EXPECT_EQ(c.calls.load(), atKill);
  EXPECT_EQ(KillEvent(id), kErrNoCanDo);  // killed twice
}

TEST(MmTimerKill, LongPeriodDiesWithoutEverCalling) {
  Counter c;
  const uint32_t id = SetEvent(1000000, 1, Count, reinterpret_cast<uintptr_t>(&c));
  ASSERT_NE(id, 0u);
  std::this_thread::sleep_for(10ms);  // let the thread settle into its wait
  EXPECT_EQ(KillEvent(id), kOk);      // returns at once; a 1000 s wait would time the suite out
  EXPECT_EQ(c.calls.load(), 0u);
}

TEST(MmTimerKill, FromOwnCallbackIsRefusedWithoutDeadlock) {
  Counter c;
  const uint32_t id = SetEvent(1, 1, Count, reinterpret_cast<uintptr_t>(&c));
  ASSERT_NE(id, 0u);
  c.killSelf = true;
  while (c.selfKill.load() == ~0u) std::this_thread::sleep_for(1ms);
  EXPECT_EQ(c.selfKill.load(), kErrNoCanDo);
  // Still running after the refused kill.
  WaitForCalls(c, c.calls.load() + 5);
  EXPECT_EQ(KillEvent(id), kOk);
}

TEST(MmTimerEvent, TwoTimersRunSideBySideWithTheirOwnIds) {
  Counter a;
  Counter b;
  const uint32_t idA = SetEvent(1, 1, Count, reinterpret_cast<uintptr_t>(&a));
  const uint32_t idB = SetEvent(3, 1, Count, reinterpret_cast<uintptr_t>(&b));
  ASSERT_NE(idA, 0u);
  ASSERT_NE(idB, 0u);
  EXPECT_NE(idA, idB);
  a.expectedId = idA;
  b.expectedId = idB;
  WaitForCalls(a, 30);
  WaitForCalls(b, 10);
  EXPECT_EQ(KillEvent(idA), kOk);
  const uint32_t aAtKill = a.calls.load();
  WaitForCalls(b, b.calls.load() + 3);  // b goes on alone
  EXPECT_EQ(KillEvent(idB), kOk);
  EXPECT_EQ(a.calls.load(), aAtKill);
  EXPECT_EQ(a.wrongIds.load(), 0u);
  EXPECT_EQ(b.wrongIds.load(), 0u);
}

TEST(MmTimerEvent, KilledIdIsNotHandedOutAgain) {
  Counter c;
  const auto user = reinterpret_cast<uintptr_t>(&c);
  const uint32_t first = SetEvent(50, 1, Count, user);
  ASSERT_NE(first, 0u);
  ASSERT_EQ(KillEvent(first), kOk);
  const uint32_t second = SetEvent(50, 1, Count, user);
  ASSERT_NE(second, 0u);
  EXPECT_NE(second, first);
  EXPECT_EQ(KillEvent(first), kErrNoCanDo);  // the old id does not reach the new timer
  EXPECT_EQ(KillEvent(second), kOk);
}

// What a timer still running while the program ends would reach: an object already destroyed.
struct ExitWitness {
  std::atomic<bool> destroyed{false};
  int fd = -1;
  ~ExitWitness() {
    destroyed = true;
    std::this_thread::sleep_for(30ms);  // time for a stray callback to show itself
  }
};
ExitWitness gWitness;

void TouchWitness(uint32_t, uintptr_t) {
  if (gWitness.destroyed.load() && gWitness.fd >= 0) {
    const char late = 'L';
    if (write(gWitness.fd, &late, 1) != 1) gWitness.fd = -1;
  }
}

// A program that ends without killing its timer: the timer stops before the program's objects
// are destroyed, and the exit does not hang.
TEST(MmTimerExit, NoCallbackRunsWhileTheProgramEnds) {
  int fds[2];
  ASSERT_EQ(pipe(fds), 0);
  const pid_t pid = fork();
  ASSERT_GE(pid, 0);
  if (pid == 0) {
    close(fds[0]);
    gWitness.fd = fds[1];
    if (SetEvent(1, 1, TouchWitness, 0) == 0) _exit(3);
    std::this_thread::sleep_for(20ms);
    std::exit(0);
  }
  close(fds[1]);
  std::string late;
  bool ended = false;
  const auto deadline = Clock::now() + 10s;
  while (Clock::now() < deadline) {
    pollfd p{fds[0], POLLIN, 0};
    if (poll(&p, 1, 100) <= 0) continue;
    char buf[64];
    const ssize_t n = read(fds[0], buf, sizeof buf);
    if (n <= 0) {
      ended = true;
      break;
    }
    late.append(buf, static_cast<std::size_t>(n));
  }
  close(fds[0]);
  if (!ended) kill(pid, SIGKILL);
  int status = 0;
  ASSERT_EQ(waitpid(pid, &status, 0), pid);
  EXPECT_TRUE(ended) << "the program did not end";
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
  EXPECT_EQ(late.size(), 0u) << "callbacks ran after the program's objects were destroyed";
}

}  // namespace
}  // namespace vel::mmtimer
