#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "engine/EngineTestState.h"
#include "mainwindow/ControlModel.h"
#include "mainwindow/StatusModel.h"
#include "mainwindow/StatusSnapshot.h"
#include "mainwindow/ViewTestState.h"

namespace vel {
namespace {

using StatusThreadsTest = test::ViewEngineTest;

// The engine's timer thread plays four seqs while the GUI thread takes its display snapshots and
// builds the views from them: under the thread sanitizer no access may race.
TEST_F(StatusThreadsTest, TicksOverPlayingSeqsWhileTheTimerRuns) {
  for (int s = 0; s < 4; ++s) {
    Fill(0, s,
         {{0, 0x403C90u + uint32_t(s)}, {1920, 0x3C80u + uint32_t(s)}, {3840, 0x404090u}, {7680, 0x4080u}});
    Seqs.PartBufs[0][s].Port = Seqs.PartBufs[0][s].PortPend = int8_t(s % 3);
    Play(s);
  }
  Cfg.DspMidiActivity = 1;
  std::atomic<bool> stop{false};
  std::atomic<int> engineTicks{0};
  std::thread timer([&] {
    while (!stop.load()) {
      TimerProc(1, 0);
      engineTicks.fetch_add(1);
      // A timer period: the lock is free between ticks, as it is in the program.
      std::this_thread::sleep_for(std::chrono::microseconds(50));
    }
  });
  TStatusSnapshot snap;
  TStatusView view;
  TControlView control;
  int taken = 0, skipped = 0;
  while (engineTicks.load() == 0) std::this_thread::yield();
  for (int tick = 0; tick < 1000; ++tick) {
    std::this_thread::sleep_for(std::chrono::microseconds(20));
    if (!TakeStatusSnapshot(snap, true)) {
      ++skipped;
      continue;
    }
    ++taken;
    BuildStatusView(snap, Cfg, tick % 2 == 0, view);
    BuildControlView(snap, Cfg, tick % 2 == 0, false, false, false, "", control);
    for (int s = 0; s < 4; ++s) ASSERT_TRUE(IsPlaying(snap.Seqs[std::size_t(s)].State));
    EXPECT_TRUE(view.Errors.empty());
  }
  stop = true;
  timer.join();
  EXPECT_EQ(taken + skipped, 1000);
  EXPECT_GT(taken, 0);
  EXPECT_GT(engineTicks.load(), 0);
  EXPECT_EQ(view.LastRow, 3);
  EXPECT_EQ(view.Rows[0].Trans.Text, "+0");
}

}  // namespace
}  // namespace vel
