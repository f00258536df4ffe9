#include <gtest/gtest.h>

#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "base/EngineLock.h"
#include "base/UiRecorder.h"
#include "engine/EngineTestState.h"
#include "engine/LivePath.h"
#include "engine/PlayCycle.h"
#include "mainwindow/ControlRules.h"
#include "mainwindow/SeqControls.h"
#include "mainwindow/ViewTestState.h"
#include "styles/StyleStore.h"

namespace vel {
namespace {

using Ints = std::vector<int>;

class SeqControlsTest : public test::ViewEngineTest {
 protected:
  void SetUp() override {
    ViewEngineTest::SetUp();
    RunCtl.ProgState = TProgState::Config;
    RunCtl.MidiOutDevsLast = 2;
  }
  static void Select(const Ints& seqs) {
    for (int s : seqs) SeqBuf(s).Selected = 1;
  }
  static Ints Selected() {
    Ints sel;
    for (int s = 0; s < kSeqs; ++s)
      if (SeqBuf(s).Selected) sel.push_back(s);
    return sel;
  }
  static Ints Each(const std::function<int(const TPartBuf&, int)>& get) {
    Ints v;
    for (int s = 0; s < kSeqs; ++s) v.push_back(get(SeqBuf(s), s));
    return v;
  }
};

TEST_F(SeqControlsTest, RowChangesActOnTheRowAloneOrOnEverySelectedSeq) {
  struct Case {
    const char* name;
    int row;
    std::function<TSeqEdit(int)> change;
    std::function<int(const TPartBuf&, int)> get;
    Ints want;
    bool changed;
  };
  auto svel = [](const TPartBuf& b, int) { return int(b.Pend.SVel); };
  const Case cases[] = {
      {"svel on a selected row", 1, [](int s) { return SeqSVelChange(s, "7"); }, svel, {7, 7, 5, 7}, true},
      {"svel on an unselected row", 2, [](int s) { return SeqSVelChange(s, "7"); }, svel, {5, 5, 7, 5}, true},
      {"svel text no list holds", 2, [](int s) { return SeqSVelChange(s, "12"); }, svel, {5, 5, 5, 5}, false},
      {"channel",
       3,
       [](int s) { return SeqChanChange(s, "16"); },
       [](const TPartBuf& b, int) { return int(b.ChanPend); },
       {15, 15, 0, 15},
       true},
      {"part",
       0,
       [](int s) { return SeqPartNoChange(s, "2"); },
       [](const TPartBuf&, int s) { return Seqs.SeqRecs[s].SelPart; },
       {1, 1, 0, 1},
       true},
      {"mute ends cycles",
       0,
       [](int s) { return SeqMutedClick(s, true); },
       [](const TPartBuf& b, int) { return b.Pend.Muted * 10 + b.PRRem; },
       {9, 9, 3, 9},
       true},
      {"pitch lock",
       2,
       [](int s) { return SeqPitchLockClick(s, true); },
       [](const TPartBuf& b, int) { return int(b.PitchLocked); },
       {0, 0, 1, 0},
       true},
  };
  for (const Case& c : cases) {
    ResetViewState();
    test::MakeEngineRunning();
    RunCtl.ProgState = TProgState::Config;
    Select({0, 1, 3});
    for (int s = 0; s < kSeqs; ++s) SeqBuf(s).PRRem = 3;
    const TSeqEdit edit = c.change(c.row);
    EXPECT_EQ(Each(c.get), c.want) << c.name;
    EXPECT_EQ(edit.WasSelected, c.row != 2) << c.name;
    EXPECT_EQ(edit.Changed, c.changed) << c.name;
    EXPECT_EQ(Selected(), (Ints{0, 1, 3})) << c.name;
  }
  // Only a real change counts: muting muted seqs changes nothing and needs no refresh.
  SeqMutedClick(0, true);
  EXPECT_FALSE(SeqMutedClick(0, true).Changed);
}

TEST_F(SeqControlsTest, PortChangeOnAnUnselectedRowClearsEverySelection) {
  for (int s = 0; s < kSeqs; ++s) SeqBuf(s).Chan = {0, 4, 9, 0, 0, 0, 0, 0, 0};
  Select({0, 1});
  Live.Selected = 1;
  SeqOutPortChange(2, "P2- Synth");
  EXPECT_EQ(Each([](const TPartBuf& b, int) { return int(b.Port); }), (Ints{0, 0, 1, 0}));
  EXPECT_EQ(SeqBuf(2).ChanPend, 4);
  EXPECT_EQ(Selected(), Ints{});
  EXPECT_EQ(Live.Selected, 0);

  // From a selected row every selected seq moves, each with its own channel there, and stays selected.
  SeqBuf(0).Chan[2] = 9;
  SeqBuf(1).Chan[2] = 11;
  Select({0, 1});
  SeqOutPortChange(1, "P3- Pads");
  EXPECT_EQ(Each([](const TPartBuf& b, int) { return int(b.Port); }), (Ints{2, 2, 1, 0}));
  EXPECT_EQ(Each([](const TPartBuf& b, int) { return int(b.ChanPend); }), (Ints{9, 11, 4, 0}));
  EXPECT_EQ(Selected(), (Ints{0, 1}));

  // A text without a port prefix changes no port and keeps the selection.
  SeqOutPortChange(3, "Synth");
  EXPECT_EQ(SeqBuf(3).Port, 0);
  EXPECT_EQ(Selected(), (Ints{0, 1}));

  // The live output's channel multiplier follows its port.
  Cfg.MChanEnabled[1] = 1;
  Cfg.MChanMax[1] = 3;
  Live.Chan[1] = 2;
  LivePortChanged("P2- Synth");
  EXPECT_EQ(RunCtl.LivePort, 1);
  EXPECT_EQ(Live.MChanApplies, 1);
  LivePortChanged("P1- Piano");
  EXPECT_EQ(Live.MChanApplies, 0);
}

TEST_F(SeqControlsTest, ProgDashStopsProgramChangesForTheDevice) {
  for (auto& dev : RunCtl.MidiOutDevs) dev.ProgChangesEnabled = 1;
  SeqBuf(0).Port = SeqBuf(1).Port = 1;
  SeqBuf(0).Chan[1] = 3;
  RunCtl.LivePort = 1;
  SeqProgChange(0, 0);
  EXPECT_FALSE(ProgChangesAllowed(1)) << "seq 2 and the live output share the device";
  EXPECT_TRUE(ProgChangesAllowed(0));
  // A program switches them on again and is asked for, unless it went out last.
  SeqProgChange(1, 6);
  EXPECT_TRUE(ProgChangesAllowed(1));
  EXPECT_EQ(PlayCycle.PortChanProgs[1][0].ProgReq, 5);
  PlayCycle.PortChanProgs[1][3] = {7, 9, 1, 0};
  LiveProgChanged(10);
  EXPECT_EQ(PlayCycle.PortChanProgs[1][0].ProgReq, 9) << "the live channel is 0";
  SeqProgChange(0, 10);
  EXPECT_EQ(PlayCycle.PortChanProgs[1][3].ProgReq, 7) << "program 9 was sent last";
}

TEST_F(SeqControlsTest, MetronomeSeqRefusedWhileRunningAndAsksBeforeOverwriting) {
  struct Case {
    const char* name;
    TSeqState state;
    bool events;
    MsgAnswer answer;
    const char* box;
    int metrSeq;
  };
  const Case cases[] = {
      {"running", TSeqState::Playing, false, MsgAnswer::Yes,
       "Cannot change metronome seq while seqs are running", 0},
      {"empty seq", TSeqState::Stopped, false, MsgAnswer::Yes, "", 2},
      {"yes", TSeqState::Stopped, true, MsgAnswer::Yes,
       "About to overwrite seq 3 with metronome pattern, ok?", 2},
      {"no", TSeqState::Stopped, true, MsgAnswer::No, "About to overwrite seq 3 with metronome pattern, ok?",
       0},
  };
  for (const Case& c : cases) {
    ResetViewState();
    test::MakeEngineRunning();
    Cfg.MetrSeqNo = 0;
    SeqBuf(1).SeqState = c.state;
    if (c.events) {
      std::lock_guard lock(EngineLock);
      InsertPartEvent(0, 2, 0x403C90, 0, true);
    }
    test::UiRecorder rec;
    rec.Answer(c.answer);
    int refills = 0;
    const bool changed = SetMetronomeSeq(2, [&refills] { ++refills; });
    EXPECT_EQ(Cfg.MetrSeqNo, c.metrSeq) << c.name;
    EXPECT_EQ(changed, c.metrSeq == 2) << c.name;
    EXPECT_EQ(refills, c.metrSeq == 2 ? 0 : 1) << c.name;
    ASSERT_EQ(rec.boxes.size(), *c.box ? 1u : 0u) << c.name;
    if (*c.box) {
      EXPECT_EQ(rec.boxes[0].text, c.box) << c.name;
    }
  }
  // A seq started from the keyboard while the question was open: refused after all.
  ResetViewState();
  test::MakeEngineRunning();
  Cfg.MetrSeqNo = 0;
  {
    std::lock_guard lock(EngineLock);
    InsertPartEvent(0, 2, 0x403C90, 0, true);
  }
  std::vector<std::string> asked;
  test::UiRecorder started;
  Ui().MessageBox = [&asked](const std::string& text, const std::string&, MsgKind, MsgButtons) {
    asked.push_back(text);
    SeqBuf(1).SeqState = TSeqState::Playing;
    return MsgAnswer::Yes;
  };
  EXPECT_FALSE(SetMetronomeSeq(2, {}));
  EXPECT_EQ(asked, (std::vector<std::string>{"About to overwrite seq 3 with metronome pattern, ok?",
                                             "Cannot change metronome seq while seqs are running"}));
  EXPECT_EQ(Cfg.MetrSeqNo, 0);
  SeqBuf(1).SeqState = TSeqState::Stopped;

  // The current seq is never questioned; "None" switches the metronome off.
  test::UiRecorder rec;
  Cfg.MetrSeqNo = 2;
  EXPECT_TRUE(SetMetronomeSeq(2, {}));
  EXPECT_TRUE(SetMetronomeSeq(-1, {}));
  EXPECT_EQ(Cfg.MetrSeqNo, -1);
  EXPECT_TRUE(rec.boxes.empty());
}

TEST_F(SeqControlsTest, ControlGroupRules) {
  // Tempo lists: held to 20..320 BPM, the list item following.
  const std::tuple<const char*, const char*, int, int> tempos[] = {{"0", "120", 12000, 100},
                                                                   {"0", "", 2000, 0},
                                                                   {"0", "20", 2000, 0},
                                                                   {"1", "320", 32000, 300},
                                                                   {"", "95", 9500, 75}};
  for (const auto& [warp, bpm, tempo, item] : tempos) {
    EXPECT_EQ(TempoFromCombos(warp, bpm), tempo) << warp << "/" << bpm;
    EXPECT_EQ(TempoBpmIndex(tempo), item) << tempo;
  }

  // Time signature under the style's control.
  Cfg.MetrSeqNo = 0;
  Cfg.MetrModeStyles = 1;
  Cfg.MetrTypePitchLocked = 0;
  BassStore.UsePatTSig = 1;
  EXPECT_EQ(TSigRefusal(true),
            "Main time signature is being overridden by the current metronome Bass style.\r\n\r\nEither "
            "uncheck Styles here, or uncheck 'Override main tsig' in Settings, Metronome, Bass...");
  EXPECT_EQ(TSigRefusal(false), "Main time sig is under control of current metronome style");
  Cfg.MetrModeStyles = 0;
  EXPECT_EQ(TSigRefusal(true), "");

  // Velocity lists store the number shown, in the current type's setting.
  Cfg.MetrTypePitchLocked = 1;
  EXPECT_TRUE(SetMetrSVel(true, "7"));
  EXPECT_TRUE(SetMetrNote(false, "C3"));
  EXPECT_FALSE(SetMetrSVel(false, ""));
  EXPECT_EQ((Ints{Cfg.MetrDrumBarSVel, Cfg.MetrBassBarSVel, Cfg.MetrDrumBeatNote}),
            (Ints{7, TCfg{}.MetrBassBarSVel, 60}));

  // Type buttons: what must follow.
  using F = TMetrTypeFollow;
  const std::tuple<int, bool, int, TProgState, F> types[] = {
      {1, true, 0, TProgState::Config, F::Nothing},
      {1, false, -1, TProgState::Config, F::ShowOnly},
      {1, false, 0, TProgState::Config, F::Refresh},
      {0, true, 0, TProgState::Running, F::Rebuilt},
  };
  for (const auto& [now, drum, metrSeq, state, follow] : types) {
    Cfg.MetrTypePitchLocked = static_cast<uint8_t>(now);
    Cfg.MetrSeqNo = metrSeq;
    RunCtl.ProgState = state;
    EXPECT_EQ(SetMetrType(drum), follow) << now << drum << metrSeq;
    EXPECT_EQ(Cfg.MetrTypePitchLocked, drum);
  }
  RunCtl.ProgState = TProgState::Config;
  EXPECT_FALSE(SetMetrBars(Cfg.MetrBars));
  EXPECT_TRUE(SetMetrBars(3));
  EXPECT_FALSE(SetMetrBars(5));
  EXPECT_EQ(Cfg.MetrBars, 3);
  EXPECT_EQ(OctaveOffsetText(2) + OctaveOffsetText(0) + OctaveOffsetText(-3), "+2+0-3");
}

TEST_F(SeqControlsTest, PortLookUps) {
  RunCtl.MidiOutDevs[1].DevName = "Synth Module";
  RunCtl.MidiOutDevs[1].PortName = "Strings";
  RunCtl.PortDevIdx = {1, -1, -1, -1, -1, -1, -1, -1, -1};
  EXPECT_EQ(OutPortDevName(0) + "|" + OutPortName(0), "Synth Module|Strings");
  EXPECT_EQ(OutPortName(2) + OutPortName(-1) + OutPortName(9) + InPortDevName(0), "");
  EXPECT_EQ(OutDevIdxByName("Synth Module"), 1);
  EXPECT_EQ(OutDevIdxByName("synth module"), -1);
  RunCtl.MidiOutDevsLast = 0;
  EXPECT_EQ(OutDevIdxByName("Synth Module"), -1) << "beyond the listed devices";
}

}  // namespace
}  // namespace vel
