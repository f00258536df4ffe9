// The frame clock fed by a simulated server: frames and time map both ways exactly, the clock
// reads within a cycle and holds at its end, never goes back, and a server restart or skipped
// frames step it, counted, with the time carried on.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <future>
#include <thread>
#include <tuple>
#include <vector>

#include "platform/FrameClock.h"

namespace vel::clock {
namespace {

int64_t gSystemNs = 0;
int64_t SystemNs() {
  return gSystemNs;
}

// A server of rate and period on the simulated system clock, which it runs ppm fast.
struct TSimServer {
  TFrameClock& clock;
  uint32_t rate = 48000;
  uint32_t period = 256;
  double ppm = 0;
  uint32_t frame = 0;
  double startNs = static_cast<double>(gSystemNs);

  double PeriodNs() const { return period * 1e9 / (rate * (1 + ppm * 1e-6)); }
  // The next cycle begins now: the system clock moves to it and the clock is told.
  void Cycle() {
    gSystemNs = static_cast<int64_t>(startNs);
    clock.OnCycle(
        {frame, static_cast<int64_t>(startNs), static_cast<int64_t>(startNs + PeriodNs()), period, rate});
    frame += period;
    startNs += PeriodNs();
  }
};

class FrameClockTest : public ::testing::Test {
 protected:
  void SetUp() override { gSystemNs = 1'000'000'000; }
  TFrameClock clock_{SystemNs};
};

TEST(FrameMapping, FramesAndTimesMapBothWaysExactlyAtEveryRate) {
  EXPECT_EQ(FramesToNs(48000, 48000), 1'000'000'000);
  EXPECT_EQ(FramesToNs(1, 48000), 20833);
  EXPECT_EQ(FramesToNs(-1, 48000), -20834);  // rounded down on both sides of 0
  EXPECT_EQ(NsToFrames(20833, 48000), 1);
  EXPECT_EQ(NsToFrames(10416, 48000), 0);  // nearest
  EXPECT_EQ(NsToFrames(10417, 48000), 1);
  EXPECT_EQ(NsToFrames(-20834, 48000), -1);
  for (int64_t rate : {44100, 48000, 96000, 192000}) {
    for (int64_t f : {int64_t{0}, int64_t{1}, int64_t{-1}, int64_t{255}, int64_t{4294967296},
                      int64_t{-7777777}, rate * 86400 * 3 + 17}) {
      SCOPED_TRACE(std::to_string(rate) + " " + std::to_string(f));
      EXPECT_EQ(NsToFrames(FramesToNs(f, rate), rate), f);
    }
  }
}

TEST_F(FrameClockTest, ReadsWithinACycleHoldsAtItsEndAndMapsFramesExactly) {
  // Before any cycle: the system clock.
  EXPECT_EQ(clock_.NowNs(), 1'000'000'000);
  TSimServer server{clock_};
  server.frame = 4096;
  server.startNs = 1'000'100'000;
  server.Cycle();
  const int64_t t0 = clock_.NowNs();
  EXPECT_EQ(t0, 1'000'100'000);  // the clock starts where the system clock stands
  EXPECT_EQ(clock_.FrameNs(4096), t0);
  EXPECT_EQ(clock_.FrameNs(4096 + 48), t0 + 1'000'000);
  EXPECT_EQ(clock_.FrameAt(t0 + 1'000'000), 4096u + 48);
  EXPECT_EQ(clock_.FrameAt(t0 + 1'010'416), 4096u + 48);
  EXPECT_EQ(clock_.FrameAt(t0 + 1'010'417), 4096u + 49);
  // Half a cycle on: half its frames' time.
  gSystemNs += 2'666'666;
  EXPECT_EQ(clock_.NowNs(), t0 + 2'666'666);
  // The next cycle is late: on for a late wake-up's 2 ms past its first frame, then held.
  gSystemNs += 4'000'000;
  EXPECT_EQ(clock_.NowNs(), t0 + 6'666'666);
  const int64_t late = t0 + FramesToNs(256, 48000) + 2'000'000;
  gSystemNs += 10'000'000;
  EXPECT_EQ(clock_.NowNs(), late);
  server.Cycle();
  EXPECT_EQ(clock_.NowNs(), late);
  EXPECT_EQ(clock_.Steps(), 0u);
  // Never back, whatever the moment asked for.
  EXPECT_EQ(clock_.AtSystemNs(0), late);
}

TEST_F(FrameClockTest, FramesAcross32BitsWrapCarryOn) {
  TSimServer server{clock_};
  server.frame = 0xFFFFFF00u;
  server.Cycle();
  const int64_t t0 = clock_.FrameNs(0xFFFFFF00u);
  server.Cycle();
  server.Cycle();
  EXPECT_EQ(server.frame, 0x200u);
  EXPECT_EQ(clock_.FrameNs(0x100u), t0 + FramesToNs(512, 48000));
  EXPECT_EQ(clock_.FrameAt(t0 + FramesToNs(512, 48000)), 0x100u);
  EXPECT_EQ(clock_.Steps(), 0u);
}

// A restart: the server goes away (or not, as far as we heard) and a new one's frames begin again
// near 0. The time carries on from where the clock stood by the system clock, counted once.
TEST_F(FrameClockTest, AServerRestartCarriesTheTimeOnAndIsCountedOnce) {
  for (const bool told : {true, false}) {
    SCOPED_TRACE(told ? "loss told" : "loss not told");
    TFrameClock clock(SystemNs);
    TSimServer server{clock};
    server.period = 240;  // 5 ms: whole ns on the system clock
    server.frame = 900000;
    for (int i = 0; i < 10; ++i) server.Cycle();
    const int64_t end = clock.FrameNs(server.frame);  // the frame the next cycle would begin at
    if (told) {
      clock.Lost();
      EXPECT_EQ(clock.Steps(), 1u);
      // Gone: on the system clock from the last cycle.
      gSystemNs = static_cast<int64_t>(server.startNs) + 50'000'000;
      EXPECT_EQ(clock.NowNs(), end + 50'000'000);
    }
    // 200 ms after the last cycle would have ended, a server at frame 0.
    server.frame = 0;
    server.startNs += 200'000'000;
    server.Cycle();
    EXPECT_EQ(clock.Steps(), 1u);
    EXPECT_EQ(clock.FrameNs(0), end + 200'000'000);
    EXPECT_EQ(clock.NowNs(), end + 200'000'000);
    server.Cycle();
    EXPECT_EQ(clock.FrameNs(300), end + 200'000'000 + FramesToNs(300, 48000));
    EXPECT_EQ(clock.FrameAt(end + 200'000'000 + FramesToNs(300, 48000)), 300u);
    EXPECT_GE(clock.NowNs(), end + 200'000'000 + FramesToNs(240, 48000));
    EXPECT_EQ(clock.Steps(), 1u);
  }
}

// An xrun: frames skipped (the clock follows them) or a cycle come late (the clock held at its
// end, after a late wake-up's grace, meanwhile). Both are counted; time keeps to the frames.
TEST_F(FrameClockTest, SkippedFramesAndALateCycleStepTheClockByTheFrames) {
  TSimServer server{clock_};
  server.Cycle();
  const int64_t t0 = clock_.FrameNs(0);
  server.Cycle();
  // Four periods' frames and time pass without a cycle reaching us.
  server.frame += 4 * 256;
  server.startNs += 4 * server.PeriodNs();
  server.Cycle();
  EXPECT_EQ(clock_.Steps(), 1u);
  EXPECT_EQ(clock_.FrameNs(6 * 256), t0 + FramesToNs(6 * 256, 48000));
  EXPECT_EQ(clock_.NowNs(), t0 + FramesToNs(6 * 256, 48000));
  // The next cycle comes 20 ms late with the frames where they were.
  server.startNs += 20'000'000;
  server.Cycle();
  EXPECT_EQ(clock_.Steps(), 2u);
  EXPECT_EQ(clock_.NowNs(), t0 + FramesToNs(7 * 256, 48000));
  // Cycles on time again: nothing more.
  server.Cycle();
  EXPECT_EQ(clock_.Steps(), 2u);
}

// Callbacks held up by the host (49 ms late at 1024 frames), and the server's xrun after it: the
// next cycle's callback comes right behind the late one, its frames a period on (the same server)
// or begun again (a new one), and runs 6.33 ms after its cycle began. Time keeps to the frames:
// the same server's frames stay on the line they were on, a new server's first frame is at its
// cycle's start, never at its callback, and the clock reads no time before the frames reach it.
TEST_F(FrameClockTest, CallbacksHeldUpThenAnXrunKeepTimeOnTheFrames) {
  constexpr uint32_t kPeriod = 1024;
  const int64_t periodNs = FramesToNs(kPeriod, 48000);
  const int64_t t0 = gSystemNs;
  const int64_t late = t0 + 4 * periodNs;  // the late cycle's start
  const struct {
    const char* what;
    uint32_t frame;    // the xrun cycle's first frame
    int64_t startNs;   // and its start
    int64_t expectNs;  // the time of that frame
  } cases[] = {
      {"the same server, a period skipped", 6 * kPeriod, late + 42'970'000,
       t0 + FramesToNs(6 * kPeriod, 48000)},
      {"a new server", 0, late + 42'970'000, late + 42'970'000},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    gSystemNs = t0;
    TFrameClock clock(SystemNs);
    auto feed = [&](uint32_t frame, int64_t startNs, int64_t seenNs) {
      gSystemNs = seenNs;
      clock.OnCycle({frame, startNs, startNs + periodNs, kPeriod, 48000});
    };
    for (uint32_t k = 0; k < 4; ++k) feed(k * kPeriod, t0 + k * periodNs, t0 + k * periodNs);
    feed(4 * kPeriod, late, late + 49'000'000);
    feed(c.frame, c.startNs, late + 49'300'000);
    EXPECT_EQ(clock.FrameNs(c.frame), c.expectNs);
    EXPECT_EQ(clock.NowNs(), c.expectNs + late + 49'300'000 - c.startNs);
    for (uint32_t k = 1; k <= 4; ++k) {
      const uint32_t frame = c.frame + k * kPeriod;
      feed(frame, c.startNs + FramesToNs(k * kPeriod, 48000), c.startNs + FramesToNs(k * kPeriod, 48000));
      const int64_t at = c.expectNs + FramesToNs(k * kPeriod, 48000);
      EXPECT_EQ(clock.FrameNs(frame), at) << k;
      EXPECT_EQ(clock.FrameAt(at + FramesToNs(100, 48000)), frame + 100) << k;
      EXPECT_EQ(clock.NowNs(), at) << k;
    }
    EXPECT_EQ(clock.Steps(), 2u);  // the late cycle, and the frames skipped or begun again
  }
}

// A driver that slipped: its cycle comes 3.4 ms late, and the server's filtered cycle times lag
// behind the real ones for a while, even running back (a cycle said to begin before the one before
// it). The frames still follow on: no new server, the late cycle counted once, every frame's time
// kept, and the clock does not read ahead of a cycle whose callback has only just come.
TEST_F(FrameClockTest, ServerCycleTimesRunningBackAfterASlipAreNoRestart) {
  TSimServer server{clock_};
  server.period = 64;
  for (int i = 0; i < 3; ++i) server.Cycle();
  const int64_t t0 = clock_.FrameNs(0);
  const auto periodNs = static_cast<int64_t>(server.PeriodNs());
  const auto due = static_cast<int64_t>(server.startNs);  // when the next cycle should begin
  // Late by 3.4 ms: begun when seen, the next one estimated where the old pace put it.
  gSystemNs = due + 3'400'000;
  clock_.OnCycle({server.frame, gSystemNs, due + periodNs, 64, 48000});
  // Seen on time by the new pace, said to begin before the late one.
  gSystemNs += periodNs;
  clock_.OnCycle({server.frame + 64, due + periodNs, due + 2 * periodNs, 64, 48000});
  EXPECT_EQ(clock_.Steps(), 1u);
  EXPECT_EQ(clock_.FrameNs(server.frame + 64), t0 + FramesToNs(server.frame + 64, 48000));
  EXPECT_EQ(clock_.FrameAt(t0 + FramesToNs(server.frame + 100, 48000)), server.frame + 100);
  // A cycle said to begin after its callback ran is read from the callback on.
  gSystemNs += periodNs;
  clock_.OnCycle({server.frame + 128, gSystemNs + 500'000, gSystemNs + periodNs, 64, 48000});
  gSystemNs += 300'000;
  EXPECT_EQ(clock_.NowNs(), t0 + FramesToNs(server.frame + 128, 48000) + 300'000);
  EXPECT_EQ(clock_.Steps(), 1u);
}

// A client primed with the server's cycle before its own callback runs: the clock runs on until its
// first, the cycles it does not see until then are no step, and a cycle fed twice (a second
// client) changes nothing.
TEST_F(FrameClockTest, APrimedClockMapsAtOnceAndItsFirstCyclesAreNoStep) {
  TSimServer server{clock_};
  clock_.Prime({0, gSystemNs, gSystemNs + 5'333'333, 256, 48000});
  EXPECT_EQ(clock_.FrameAt(clock_.FrameNs(0) + FramesToNs(100, 48000)), 100u);
  // The activation takes three cycles: the clock does not hold at the primed cycle's end.
  gSystemNs += 15'000'000;
  EXPECT_EQ(clock_.NowNs(), clock_.FrameNs(0) + 15'000'000);
  server.frame = 3 * 256;
  server.startNs += 3 * server.PeriodNs();
  server.Cycle();
  EXPECT_EQ(clock_.Steps(), 0u);
  const int64_t t = clock_.FrameNs(3 * 256);
  EXPECT_EQ(t, clock_.FrameNs(0) + FramesToNs(3 * 256, 48000));
  clock_.OnCycle({3 * 256, static_cast<int64_t>(server.startNs - server.PeriodNs()),
                  static_cast<int64_t>(server.startNs), 256, 48000});
  EXPECT_EQ(clock_.FrameNs(3 * 256), t);
  EXPECT_EQ(clock_.Steps(), 0u);
}

TEST_F(FrameClockTest, ATickMovesByTheFramesNotByTheTimerPeriods) {
  TSimServer server{clock_};
  server.ppm = 100;
  server.Cycle();
  const TTickTime first = clock_.Tick(kNone, 1'000'000, 0);
  EXPECT_EQ(first.elapsedNs, 1'000'000);          // the first tick of a run: its own period
  for (int i = 0; i < 1875; ++i) server.Cycle();  // 10 s of frames, a ms less of system time
  const TTickTime later = clock_.Tick(first.nowNs, 1'000'000, 0);
  EXPECT_EQ(later.nowNs, first.nowNs + 10'000'000'000);
  EXPECT_EQ(later.elapsedNs, 10'000'000'000);
  // Read a ms late on the system clock: the deadline's frame time, never back.
  gSystemNs += 1'000'000;
  EXPECT_EQ(clock_.Tick(later.nowNs, 1'000'000, 1'000'000).elapsedNs, 0);
}

// The server's callback held in the middle of a cycle (preempted on a shared processor by a
// reader of higher priority) keeps no reader waiting: the reader gets the last cycle published
// in whole at once, and the held one once it is done.
TEST_F(FrameClockTest, AReaderGetsTheLastWholeCycleWhileTheWriterIsHeldInTheMiddleOfOne) {
  TSimServer server{clock_};
  server.frame = 4096;
  server.Cycle();
  const TFrameClock::TSnap whole = clock_.Snapshot();
  ASSERT_EQ(whole.frame32, 4096u);
  const int64_t frameNs = clock_.FrameNs(4096 + 100);

  struct THold {
    std::promise<void> there;
    std::shared_future<void> release;
  } hold;
  std::promise<void> release;
  hold.release = release.get_future().share();
  clock_.SetPublishSeam(
      [](void* arg) {
        auto* h = static_cast<THold*>(arg);
        h->there.set_value();
        h->release.wait();
      },
      &hold);
  gSystemNs = static_cast<int64_t>(server.startNs);
  const TCycle next{server.frame, gSystemNs, gSystemNs + 5'333'333, 256, 48000};
  std::thread writer([&] { clock_.OnCycle(next); });
  hold.there.get_future().wait();

  auto read = std::async(std::launch::async, [&] {
    return std::tuple{clock_.Snapshot(), clock_.FrameNs(4096 + 100), clock_.AtSystemNs(0)};
  });
  const bool returned = read.wait_for(std::chrono::seconds(10)) == std::future_status::ready;
  release.set_value();
  writer.join();
  ASSERT_TRUE(returned) << "a reader waited for the held writer";
  const auto [snap, ns, now] = read.get();
  EXPECT_EQ(snap, whole);
  EXPECT_EQ(ns, frameNs);
  EXPECT_EQ(now, whole.startNs);
  EXPECT_EQ(clock_.Snapshot().frame32, 4096u + 256);
  EXPECT_EQ(clock_.Snapshot().frame64, whole.frame64 + 256);
  EXPECT_EQ(clock_.Steps(), 0u);
}

// A reader the writer overtakes at every try (held off the processor for cycles on end) takes
// the last whole cycle it read itself rather than wait; a reader that has read none reads on
// until it reads one whole.
TEST_F(FrameClockTest, AReaderOvertakenAtEveryTryTakesItsLastWholeCycleOrReadsOn) {
  TSimServer server{clock_};
  server.frame = 4096;
  server.Cycle();
  struct TOvertake {
    TSimServer* server;
    std::thread::id reader{};
    int left = 0;  // reads of the reader's still to overtake
  } overtake{&server};
  clock_.SetReadSeam(
      [](void* arg) {
        auto* o = static_cast<TOvertake*>(arg);
        if (std::this_thread::get_id() != o->reader || o->left == 0) return;
        --o->left;
        // Both slots filled anew while the reader reads.
        std::thread([o] {
          o->server->Cycle();
          o->server->Cycle();
        }).join();
      },
      &overtake);
  auto readOnANewThread = [&](bool readFirst, int overtakes) {
    return std::async(std::launch::async,
                      [&, readFirst, overtakes] {
                        overtake.reader = std::this_thread::get_id();
                        const TFrameClock::TSnap first = readFirst ? clock_.Snapshot() : TFrameClock::TSnap{};
                        overtake.left = overtakes;
                        const TFrameClock::TSnap then = clock_.Snapshot();
                        overtake.left = 0;
                        return std::pair{first, then};
                      })
        .get();
  };

  const auto [first, then] = readOnANewThread(true, 1000);
  EXPECT_EQ(first.frame32, 4096u);
  EXPECT_EQ(then, first);
  // Four tries, each overtaken by two cycles.
  EXPECT_EQ(clock_.Snapshot().frame32, 4096u + 8 * 256);

  const TFrameClock::TSnap got = readOnANewThread(false, 6).second;
  EXPECT_EQ(got.frame32, 4096u + 20 * 256);
  EXPECT_EQ(got, clock_.Snapshot());
  EXPECT_EQ(clock_.Steps(), 0u);
}

std::atomic<int64_t> gRaceNs{0};
int64_t RaceNs() {
  return gRaceNs.load(std::memory_order_relaxed);
}

// Readers beside a writer that feeds cycle after cycle as fast as it can: every snapshot is one
// cycle's, all of its fields (each cycle's are worked out from its first frame).
TEST(FrameClockRace, ReadersBesideAFastWriterNeverSeeATornCycle) {
  constexpr int64_t kBaseNs = 1'000'000'000;
  constexpr uint32_t kCycles = 50'000;
  auto startOf = [](uint32_t frame) { return kBaseNs + FramesToNs(frame, 48000); };
  TFrameClock clock(RaceNs);
  std::atomic<bool> done{false};
  std::atomic<uint64_t> reads{0}, torn{0};
  auto reader = [&] {
    while (!done.load(std::memory_order_relaxed)) {
      const TFrameClock::TSnap s = clock.Snapshot();
      reads.fetch_add(1, std::memory_order_relaxed);
      if (s.rate == 0) continue;  // no cycle yet
      const bool whole = s.frame64 == s.frame32 && s.anchorFrame == 0 && s.anchorNs == kBaseNs &&
                         s.startNs == startOf(s.frame32) && s.seenNs == s.startNs &&
                         s.nextNs == startOf(s.frame32 + 256) && s.period == 256 && s.rate == 48000;
      if (!whole) torn.fetch_add(1, std::memory_order_relaxed);
    }
  };
  std::vector<std::thread> readers;
  for (int i = 0; i < 3; ++i) readers.emplace_back(reader);
  for (uint32_t k = 0; k < kCycles; ++k) {
    const uint32_t frame = k * 256;
    gRaceNs.store(startOf(frame), std::memory_order_relaxed);
    clock.OnCycle({frame, startOf(frame), startOf(frame + 256), 256, 48000});
  }
  done = true;
  for (std::thread& t : readers) t.join();
  EXPECT_GT(reads.load(), 0u);
  EXPECT_EQ(torn.load(), 0u);
  EXPECT_EQ(clock.Snapshot().frame32, (kCycles - 1) * 256);
  EXPECT_EQ(clock.Steps(), 0u);
}

}  // namespace
}  // namespace vel::clock
