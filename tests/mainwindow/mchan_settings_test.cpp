// The channel multiplier's setters as its window calls them, and the timer sending through the
// multiplier while they run; under the thread sanitizer a race would show here.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <string>
#include <thread>

#include "mainwindow/MChanSettings.h"
#include "mainwindow/ViewTestState.h"

namespace vel {
namespace {

using MChanSettingsTest = test::ViewEngineTest;

TEST_F(MChanSettingsTest, RangeAndSwitchDecideWhereTheMultiplierAppliesAndBadIndexesChangeNothing) {
  Seqs.PartBufs[0][0].Port = Seqs.PartBufs[0][0].PortPend = 1;
  Seqs.PartBufs[0][0].ChanPend = 4;
  Live.Chan[0] = 4;
  const auto applies = [] {
    return std::pair<int, int>(Seqs.PartBufs[0][0].MChanApplies, Live.MChanApplies);
  };
  SetMChanMin(1, 2);
  SetMChanMax(1, 5);
  EXPECT_EQ(applies(), std::pair(0, 0));
  SetMChanEnabled(1, true);
  EXPECT_EQ(applies(), std::pair(1, 0));  // the live output is on port 0
  SetMChanMin(1, 5);
  EXPECT_EQ(applies(), std::pair(0, 0));
  SetMChanMax(1, 3);  // Min above Max: kept, and no channel is in the range
  EXPECT_EQ(Cfg.MChanMin[1], 5);
  EXPECT_EQ(Cfg.MChanMax[1], 3);
  EXPECT_EQ(applies(), std::pair(0, 0));
  SetMChanMin(1, 0);
  SetMChanMax(1, 15);
  SetMChanMax(0, 4);
  SetMChanEnabled(0, true);
  EXPECT_EQ(applies(), std::pair(1, 1));
  SetMChanEnabled(1, false);
  EXPECT_EQ(applies(), std::pair(0, 1));

  StoreMChanPitchOffset(1, 15, -12);
  EXPECT_EQ(Cfg.MChanPitchOffset[1][15], -12);
  const auto before = Cfg;
  SetMChanEnabled(kPorts, true);
  SetMChanEnabled(-1, true);
  SetMChanMin(0, kChans);
  SetMChanMax(0, -1);
  StoreMChanPitchOffset(kPorts, 0, 5);
  StoreMChanPitchOffset(0, kChans, 5);
  EXPECT_EQ(Cfg.MChanEnabled, before.MChanEnabled);
  EXPECT_EQ(Cfg.MChanMin, before.MChanMin);
  EXPECT_EQ(Cfg.MChanMax, before.MChanMax);
  EXPECT_EQ(Cfg.MChanPitchOffset, before.MChanPitchOffset);
}

TEST_F(MChanSettingsTest, TheTimerSendsThroughTheMultiplierWhileTheWindowEditsIt) {
  for (int s = 0; s < 3; ++s) {
    Fill(0, s, {{0, 0x643C90u + uint32_t(s)}, {10, 0x3C80u + uint32_t(s)}, {20, 0xFFu}});
    Seqs.PartBufs[0][s].Port = Seqs.PartBufs[0][s].PortPend = int8_t(s);
    Play(s);
  }
  SetMChanEnabled(0, true);
  std::atomic<bool> stop{false};
  std::atomic<int> ticks{0};
  std::thread timer([&] {
    while (!stop.load()) {
      TimerProc(1, 0);
      ticks.fetch_add(1);
      std::this_thread::sleep_for(std::chrono::microseconds(50));
    }
  });
  while (ticks.load() == 0) std::this_thread::yield();
  for (int i = 0; i < 400; ++i) {
    const int32_t port = i % 3;
    SetMChanEnabled(port, i % 7 != 0);
    SetMChanMin(port, i % 4);
    SetMChanMax(port, 3 + i % 5);
    StoreMChanPitchOffset(port, i % kChans, i % 49 - 12);
    std::this_thread::sleep_for(std::chrono::microseconds(30));
  }
  stop = true;
  timer.join();
  EXPECT_GT(ticks.load(), 0);
  // Port 0's seq plays on channel 1 only; the copies on other channels are the multiplier's.
  int copies = 0;
  for (const std::string& hex : SentHex(0)) copies += hex[0] == '9' && hex[1] != '0';
  EXPECT_GT(copies, 0);
}

}  // namespace
}  // namespace vel
