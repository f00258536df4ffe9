#include <gtest/gtest.h>

#include <functional>
#include <mutex>

#include "base/EngineLock.h"
#include "base/UiRecorder.h"
#include "engine/EngineTestState.h"
#include "keymaps/KeyMaps.h"
#include "mainwindow/ResetViewState.h"
#include "mainwindow/ValidateConfig.h"

namespace vel {
namespace {

class ValidateConfigTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ResetViewState();
    test::MakeEngineRunning();
    Cfg.MetrSeqNo = 0;
  }
  void TearDown() override { ResetViewState(); }
};

TEST_F(ValidateConfigTest, FactorySettingsPass) {
  test::UiRecorder ui;
  EXPECT_TRUE(ValidateConfig());
  EXPECT_TRUE(ui.boxes.empty());
}

TEST_F(ValidateConfigTest, OnlyTheFirstFailingGroupIsReported) {
  struct Case {
    const char* what;
    std::function<void()> set;
    const char* box;
  };
  const Case cases[] = {
      {"timers and tempo", [] { Cfg.MidiTimerResolution = 51, Cfg.Tempo = 1000; },
       "Config error: Out of range: MidiTimerResolution (1..50)"},
      {"every timer",
       [] {
         Cfg.MidiTimerInterval = 0, Cfg.MidiTimerResolution = 0, Cfg.DspStatusInterval = 501,
         Cfg.DspMetrInterval = 0, Cfg.DspDiagInterval = 501;
       },
       "Config error: Out of range: MidiTimerInterval (1..500), MidiTimerResolution (1..50), "
       "DspStatusInterval (1..500), DspMetrInterval (1..500), DspDiagInterval (1..500)"},
      {"bar",
       [] {
         Cfg.Tempo = 32001, Cfg.BeatsPerBar = 1, Cfg.NoteLenFrac = 65, Cfg.NQNoteLenFrac = -1,
         Cfg.SQNoteLenFrac = 0;
       },
       "Config error: Out of range: Tempo (20..320), BeatsPerBar (2..64), NoteLenFrac (2..64), "
       "NQNoteLenFrac (0..64), SQNoteLenFrac (1..64)"},
      {"power of 2", [] { Cfg.NoteLenFrac = 12, Cfg.MetrNoteLenFrac = 3; },
       "Config error: Not a power of 2: NoteLenFrac, MetrNoteLenFrac"},
      {"factor", [] { Cfg.NQNoteLenFrac = 7, Cfg.SRecNoteLenFrac = 0; },
       "Config error: Not a factor of 15360: NQNoteLenFrac, SRecNoteLenFrac"},
      {"factor, quantise off", [] { Cfg.NQNoteLenFrac = 0, Cfg.SRecNoteLenFrac = 7; },
       "Config error: Not a factor of 15360: SRecNoteLenFrac"},
      {"metronome seq", [] { Cfg.MetrSeqNo = 4; }, "Config error: Out of range: MetrSeqNo (0..4)"},
      {"metronome seq, fewer seqs", [] { Cfg.MaxActiveSeqs = 1, Cfg.MetrSeqNo = 2; },
       "Config error: Out of range: MetrSeqNo (0..2)"},
      {"metronome notes by name",
       [] {
         Cfg.MetrDrumBarNote = 128, Cfg.MetrBassBarNote = -1, Cfg.MetrDrumBarSVel = 10,
         Cfg.MetrBassBeatSVel = -1;
       },
       "Config error: Out of range: MetrDrumBarNote (C-2..G8), MetrBassBarNote (C-2..G8), MetrDrumBarSVel "
       "(0..9), "
       "MetrBassBeatSVel (0..9)"},
      {"metronome notes by number", [] { Cfg.KeyDefsNumeric = 1, Cfg.MetrBassBeatNote = 200; },
       "Config error: Out of range: MetrBassBeatNote (0..127)"},
      {"live", [] { Live.SVel = 10; }, "Config error: Out of range: SVelLive (0..9)"},
      {"part 1",
       [] {
         Seqs.PartBufs[0][1].Pend.SVel = 10, Seqs.PartBufs[0][3].Pend.SVel = 12,
         Seqs.PartBufs[1][0].Pend.SVel = 10;
       },
       "Config error: Out of range: SVelSeq2 (0..9), SVelSeq4 (0..9)"},
      {"part 2 within the seqs in use",
       [] { Cfg.MaxActiveSeqs = 1, Seqs.PartBufs[1][1].Pend.SVel = 10, Seqs.PartBufs[1][2].Pend.SVel = 10; },
       "Config error: Out of range: SVelSeq2 (0..9)"},
      {"calibrate keys",
       [] { Cfg.InPortsLoaded = 1, Cfg.InPortLiveCmdKey[0] = 36, Cfg.InPortLiveCmdKey[1] = 38; },
       "Config error: LiveCmdKey mismatch: Keys for each port must be same note on same or different "
       "octaves"},
  };
  for (const Case& c : cases) {
    SetUp();
    c.set();
    test::UiRecorder ui;
    EXPECT_FALSE(ValidateConfig()) << c.what;
    ASSERT_EQ(ui.boxes.size(), 1u) << c.what;
    EXPECT_EQ(ui.boxes[0].text, c.box) << c.what;
    EXPECT_EQ(ui.boxes[0].kind, MsgKind::Error) << c.what;
  }
}

TEST_F(ValidateConfigTest, EdgesThatPass) {
  const std::function<void()> cases[] = {
      [] { Cfg.MetrSeqNo = -1; },
      [] { Cfg.MetrSeqNo = 3, Cfg.Tempo = 2000, Cfg.NQNoteLenFrac = 0; },
      [] { Cfg.InPortsLoaded = 1, Cfg.InPortLiveCmdKey[0] = 36, Cfg.InPortLiveCmdKey[1] = 48; },
      // One control input: the second key is not looked at.
      [] { Cfg.InPortsLoaded = 0, Cfg.InPortLiveCmdKey[0] = 36, Cfg.InPortLiveCmdKey[1] = 38; },
      [] { Cfg.MaxActiveSeqs = 1, Seqs.PartBufs[0][2].Pend.SVel = 10; },
  };
  int n = 0;
  for (const auto& set : cases) {
    SetUp();
    set();
    test::UiRecorder ui;
    EXPECT_TRUE(ValidateConfig()) << n;
    EXPECT_TRUE(ui.boxes.empty()) << n;
    ++n;
  }
}

TEST_F(ValidateConfigTest, ResolvesKeyMapSentinelsFirst) {
  {
    std::lock_guard lock(EngineLock);
    ClearKeyMaps();
  }
  EXPECT_TRUE(ValidateConfig());
  std::lock_guard lock(EngineLock);
  EXPECT_EQ(KeyLabelsLive[60], " ");
}

TEST_F(ValidateConfigTest, TheBoxShowsWithoutTheEngineLock) {
  Cfg.DspDiagInterval = 0;
  test::UiRecorder ui;
  bool lockedDuringBox = true;
  Ui().MessageBox = [&](const std::string&, const std::string&, MsgKind, MsgButtons) {
    lockedDuringBox = EngineLock.HeldByMe();
    return MsgAnswer::Ok;
  };
  EXPECT_FALSE(ValidateConfig());
  EXPECT_FALSE(lockedDuringBox);
}

}  // namespace
}  // namespace vel
