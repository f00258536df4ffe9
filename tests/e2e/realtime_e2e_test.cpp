// The engine on a JACK server that runs real-time where the system grants it, with the whole
// process and the server confined to one processor, and spread over two: the engine's timer and
// MIDI input rank no higher than JACK's own clients (on one processor a thread above them would
// keep the server's cycle waiting), and a looped part plays on for 20 s, every note on its frame.
#include <gtest/gtest.h>
#include <sched.h>
#include <sys/types.h>

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "base/EngineLock.h"
#include "e2e/EngineOnJack.h"
#include "engine/EngineTestState.h"
#include "engine/PartBufs.h"
#include "engine/RunControl.h"
#include "engine/Transport.h"
#include "platform/MmTimer.h"
#include "platform/RealTime.h"
#include "platform/midi/Midi.h"

namespace vel {
namespace {

using namespace std::chrono_literals;
using test::JackServer;

// 120 BPM at 48 kHz: a sixteenth is 6000 frames exactly.
constexpr int64_t kSixteenthFrames = 6000;
constexpr auto kPlayFor = 20s;

// Every thread of this process, and what it starts from now on (the server among them), on the
// given processors; put back as it was at the end.
class Confined {
 public:
  ~Confined() {
    if (saved_) Apply(original_);
  }
  // False when the process may not use that many processors.
  bool To(int cpus) {
    if (sched_getaffinity(0, sizeof original_, &original_) != 0) return false;
    cpu_set_t chosen;
    CPU_ZERO(&chosen);
    int taken = 0;
    for (int c = 0; c < CPU_SETSIZE && taken < cpus; ++c) {
      if (CPU_ISSET(c, &original_)) {
        CPU_SET(c, &chosen);
        ++taken;
      }
    }
    if (taken < cpus) return false;
    saved_ = true;
    Apply(chosen);
    return true;
  }

 private:
  static void Apply(const cpu_set_t& set) {
    for (const auto& task : std::filesystem::directory_iterator("/proc/self/task"))
      sched_setaffinity(static_cast<pid_t>(std::stol(task.path().filename().string())), sizeof set, &set);
  }
  cpu_set_t original_{};
  bool saved_ = false;
};

// The scheduling policy and priority of this process's thread of that name; -1 policy when there
// is none.
struct TSched {
  int policy = -1;
  int priority = 0;
};
TSched SchedOf(const std::string& name) {
  for (const auto& task : std::filesystem::directory_iterator("/proc/self/task")) {
    std::ifstream comm(task.path() / "comm");
    std::string got;
    std::getline(comm, got);
    if (got != name) continue;
    const auto tid = static_cast<pid_t>(std::stol(task.path().filename().string()));
    sched_param sp{};
    const int policy = sched_getscheduler(tid);
    if (policy < 0 || sched_getparam(tid, &sp) != 0) continue;
    return {policy, sp.sched_priority};
  }
  return {};
}

// Waits for the named thread to run at that priority (0: normal scheduling); the worker takes a
// new ceiling as it wakes.
void ExpectRunsAt(const std::string& name, int wanted) {
  TSched got;
  test::WaitUntil(
      [&] {
        got = SchedOf(name);
        return got.policy >= 0 && got.priority == wanted;
      },
      5s);
  EXPECT_EQ(got.policy, wanted > 0 ? SCHED_FIFO : SCHED_OTHER) << name;
  EXPECT_EQ(got.priority, wanted) << name;
}

class LoopOnJackE2E : public test::EngineOnJackTest<test::Peer, 2u>,
                      public ::testing::WithParamInterface<int> {
 protected:
  void SetUp() override {
    // Before the server starts, so that it runs on the same processors.
    if (!confined_.To(GetParam())) GTEST_SKIP() << "this process may not use " << GetParam() << " processors";
    EngineOnJackTest::SetUp();
  }

  // What the peer heard of the seq's note-ons over kPlayFor, in frames from the first.
  struct THeard {
    std::vector<int64_t> onsets;
    int xruns = 0;
    uint64_t clamped = 0;
  };
  // Plays the part from its head for kPlayFor and stops it; false when the engine stayed locked
  // (a timer that keeps the server's callback off the processor holds the lock as it waits).
  bool PlayTheLoop(THeard& heard) {
    heard = THeard{};
    const int xruns0 = peer_->Xruns();
    const uint64_t clamped0 = midi::ClampedStamps();
    const std::size_t from = peer_->Count();
    const uint32_t started = peer_->FrameTime();
    {
      std::lock_guard lock(EngineLock);
      test::StartSeq(0);
    }
    std::this_thread::sleep_for(kPlayFor);
    if (!test::WaitUntil([] { return EngineLock.try_lock(); }, 10s)) return false;
    SeqBuf(0).SeqState = TSeqState::Stopped;
    EngineLock.unlock();
    // What was sent before the stop has gone out before the next run begins.
    std::this_thread::sleep_for(200ms);
    heard.xruns = peer_->Xruns() - xruns0;
    heard.clamped = midi::ClampedStamps() - clamped0;
    int64_t first = -1;
    for (std::size_t i = from; i < peer_->Count(); ++i) {
      const test::Peer::Event& e = peer_->At(i);
      if (e.length != 3 || (e.bytes[0] & 0xF0) != 0x90 || e.bytes[2] == 0) continue;
      if (static_cast<int32_t>(e.frame - started) < 0) continue;  // an earlier run's
      if (first < 0) first = e.frame;
      heard.onsets.push_back(static_cast<int32_t>(e.frame - static_cast<uint32_t>(first)));
    }
    return true;
  }

  Confined confined_;
};

TEST_P(LoopOnJackE2E, TheEnginesThreadsRankBelowJacksAndALoopedPartKeepsEveryNoteOnItsFrame) {
  test::OpenPort1("peer:out", "peer:in");
  if (HasFatalFailure()) return;
  // The priority JACK runs its clients' callbacks at, as the peer's callback finds it (0: none).
  ASSERT_TRUE(test::WaitUntil([&] { return peer_->ProcessPriority() >= 0; }));
  const int clients = peer_->ProcessPriority();
  EXPECT_EQ(realtime::PriorityCeiling(), clients);
  // A one-bar part of sixteenths of middle C, each held half its step.
  Cfg.Tempo = Cfg.TargetTempo = 12000;
  {
    std::lock_guard lock(EngineLock);
    for (int32_t i = 0; i < 16; ++i) test::FillPart(0, 0, {{i * 960, 0x643C90}, {i * 960 + 480, 0x003C80}});
    test::FillPart(0, 0, {{16 * 960, 0xFF}});
  }
  RunCtl.ProgState = TProgState::Config;
  StartRunning();
  ASSERT_EQ(RunCtl.ProgState, TProgState::Running);
  // The timer at most at the clients' priority, the MIDI input one below; neither without it.
  ExpectRunsAt("vel-timer", std::min(clients, realtime::kTimerPriority));
  ExpectRunsAt("vel-midi-in", std::clamp(clients - 1, 0, realtime::kMidiInPriority));
  EXPECT_EQ(mmtimer::RealTimePriority(), SchedOf("vel-timer").priority);
  // As on stage, the seq starts on an engine already ticking: the first tick of a run covers the
  // period before it.
  ASSERT_TRUE(test::WaitUntil([] {
    std::lock_guard lock(EngineLock);
    return Transport.TickPosNs != midi::kNow;
  }));

  // A run in which the server broke cycles, or the timer was held past the output's latency (a
  // virtual machine's processor taken away, which no priority holds off), measures the machine:
  // it is played again, and only a clean run is judged note by note. A hang, which is what a
  // thread outranking the server brings, keeps the engine locked.
  constexpr int kRuns = 3;
  for (int run = 0; run < kRuns; ++run) {
    THeard heard;
    ASSERT_TRUE(PlayTheLoop(heard)) << "the engine stayed locked";
    if (heard.xruns > 0 || heard.clamped > 0) continue;
    // 20 s at 8 sixteenths a second; the last may have fallen just outside.
    EXPECT_GE(heard.onsets.size(), 159u);
    for (std::size_t i = 0; i < heard.onsets.size(); ++i)
      ASSERT_EQ(heard.onsets[i], static_cast<int64_t>(i) * kSixteenthFrames) << "note " << i;
    return;
  }
  GTEST_SKIP() << "in each of " << kRuns << " runs the server broke cycles or notes were sent late";
}

INSTANTIATE_TEST_SUITE_P(Jack, LoopOnJackE2E, ::testing::Values(1, 2),
                         [](const auto& info) { return std::to_string(info.param) + "Cpus"; });

}  // namespace
}  // namespace vel
