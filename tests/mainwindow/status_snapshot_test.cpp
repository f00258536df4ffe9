#include <gtest/gtest.h>

#include <mutex>

#include "base/EngineLock.h"
#include "engine/EngineTestState.h"
#include "engine/KeyMode.h"
#include "engine/Transport.h"
#include "keymaps/KeyCodes.h"
#include "keys/Commands.h"
#include "keys/CycleKeys.h"
#include "keys/KeyArgs.h"
#include "keys/TimeKeys.h"
#include "mainwindow/ControlModel.h"
#include "mainwindow/StatusSnapshot.h"
#include "mainwindow/ViewTestState.h"
#include "styles/StyleStore.h"

namespace vel {
namespace {

using StatusSnapshotTest = test::ViewEngineTest;

TEST_F(StatusSnapshotTest, ServesThePartFlagsTheDisplayOwns) {
  Cfg.DspSeqGrid = 1;
  TPartBuf& b = SeqBuf(1);
  b.RecChanged = 1;
  b.SelChanged = 1;
  b.Selected = 1;
  SetKeyMode(TKeyMode::Live);
  TStatusSnapshot snap;
  ASSERT_TRUE(TakeStatusSnapshot(snap, false));
  EXPECT_TRUE(snap.GridDirty);
  EXPECT_EQ(b.RecChanged, 0);
  // Outside Command mode the selection flag waits, asking for the grid only once.
  EXPECT_EQ(b.SelChanged, 1);
  EXPECT_FALSE(snap.Seqs[1].SelChanged);
  ASSERT_TRUE(TakeStatusSnapshot(snap, false));
  EXPECT_FALSE(snap.GridDirty);
  SetKeyMode(TKeyMode::Command);
  ASSERT_TRUE(TakeStatusSnapshot(snap, false));
  EXPECT_TRUE(snap.Seqs[1].SelChanged);
  EXPECT_TRUE(snap.Seqs[1].Selected);
  EXPECT_EQ(b.SelChanged, 0);
  EXPECT_FALSE(snap.Seqs[0].SelChanged);
}

TEST_F(StatusSnapshotTest, RecordArrowsFollowTheRecordModesSwitches) {
  Cfg.RecIntAttribSrcLive = 0;
  Cfg.RecIntAttribSrcToLive = 1;
  Cfg.RecRawAttribSrcLive = 1;
  Cfg.RecRawAttribSrcToLive = 0;
  TStatusSnapshot snap;
  ASSERT_TRUE(TakeStatusSnapshot(snap, false));
  EXPECT_FALSE(snap.ArrowFromLive);
  EXPECT_TRUE(snap.ArrowToLive);
  Transport.RecRawMode = 1;
  ASSERT_TRUE(TakeStatusSnapshot(snap, false));
  EXPECT_TRUE(snap.ArrowFromLive);
  EXPECT_FALSE(snap.ArrowToLive);
}

// The accumulators the keys fill reach the prompt: keys under the lock, then a display tick.
TEST_F(StatusSnapshotTest, PromptFollowsTheKeyedCountsSweepAndRepeat) {
  const TCfg cfg;
  auto keys = [](int mode, TModeKeyFn handler, std::initializer_list<uint8_t> codes) {
    std::lock_guard lock(EngineLock);
    SetKeyMode(KeyModeFromNo(mode));
    for (uint8_t code : codes) handler({.Code = code});
  };
  auto prompt = [&] {
    TStatusSnapshot snap;
    EXPECT_TRUE(TakeStatusSnapshot(snap, false));
    return KeyModePrompt(snap, cfg, "").Text;
  };
  keys(40, HandleCycleModeKey, {NumCyclic, Num0, Num4, Num2});
  EXPECT_EQ(prompt(), "PlayMute cycles:04/2m?");
  keys(80, HandleVelModeKey, {NumSweep2, Num7});
  EXPECT_EQ(prompt(), "Vel sweep 7 <--> m?");
  keys(106, HandleTimeShiftModeKey, {TShiftRept, TShift3});
  EXPECT_EQ(prompt(), "Time shift fwds  rept 3 x 1/n?");
}

// The prompt asks for the second press only while it would count.
TEST_F(StatusSnapshotTest, ADoublePressPromptEndsWithItsInterval) {
  const TCfg cfg;
  Cfg.DPressInterval = 500;
  Transport.MsClock = 1000;
  {
    std::lock_guard lock(EngineLock);
    SetKeyMode(TKeyMode::Command);
    ASSERT_FALSE(DPressCheck("Delete", Args.DPress.DPressTimeDelete));
  }
  auto promptAt = [&](int32_t ms) {
    Transport.MsClock = ms;
    TStatusSnapshot snap;
    EXPECT_TRUE(TakeStatusSnapshot(snap, false));
    return KeyModePrompt(snap, cfg, "").Text;
  };
  EXPECT_EQ(promptAt(1000), "Delete (double-press reqd)");
  EXPECT_EQ(promptAt(1500), "Delete (double-press reqd)");
  EXPECT_EQ(promptAt(1501), "Command? ");
}

TEST_F(StatusSnapshotTest, LightsAreStampedAndDroppedOnTheEngineClock) {
  Cfg.DspMidiActivity = 1;
  Fill(0, 0, {{0, 0x403C90}, {15360, 0x3C80}});
  Play(0);
  TPartBuf& b = SeqBuf(0);
  b.LightNoteOn = 1;
  b.LightOther = 1;
  Transport.MsClock = 500;
  TStatusSnapshot snap;
  ASSERT_TRUE(TakeStatusSnapshot(snap, false));
  EXPECT_EQ(snap.Seqs[0].LitBy, 2);  // the note drops the other light
  EXPECT_EQ(b.LightNoteOnTime, 500);
  EXPECT_EQ(b.LightOther, 0);
  Transport.MsClock = 601;
  ASSERT_TRUE(TakeStatusSnapshot(snap, false));
  EXPECT_EQ(snap.Seqs[0].LitBy, 0);
  EXPECT_EQ(b.LightNoteOn, 0);
  EXPECT_EQ(b.LightNoteOnTime, 0);
  // The live input's note light counts only in Live mode; the other light in every mode.
  Live.InLightNote = 1;
  Live.InLightOther = 1;
  SetKeyMode(TKeyMode::Command);
  ASSERT_TRUE(TakeStatusSnapshot(snap, false));
  EXPECT_EQ(snap.Live.LitBy, 3);
  SetKeyMode(TKeyMode::Live);
  ASSERT_TRUE(TakeStatusSnapshot(snap, false));
  EXPECT_EQ(snap.Live.LitBy, 2);
  EXPECT_EQ(Live.InLightOther.load(), 0);
}

TEST_F(StatusSnapshotTest, ExternalClockWatchAndPrograms) {
  Cfg.ClocksSourceInternal = 0;
  Cfg.ClocksSourceExtLock = 0;
  MidiIn.ClockIntervalCount = 50;
  MidiIn.ClockIntervalSum = 1042;
  MidiIn.ExtClockAvg = 20;
  MidiIn.ExtClockLastMs = 1000;
  Transport.ClockWatchMs = 1199;
  TStatusSnapshot snap;
  ASSERT_TRUE(TakeStatusSnapshot(snap, false));
  EXPECT_FALSE(snap.ClockLost);
  EXPECT_TRUE(snap.ExtClockValid);
  EXPECT_EQ(snap.ExtClockSum, 1042);
  Transport.ClockWatchMs = 1200;
  ASSERT_TRUE(TakeStatusSnapshot(snap, false));
  EXPECT_TRUE(snap.ClockLost);
  EXPECT_TRUE(snap.SwitchToInternal);
  EXPECT_FALSE(snap.ExtClockValid);
  EXPECT_EQ(MidiIn.ExtClockAvg.load(), 0);
  Cfg.ClocksSourceExtLock = 1;  // locked: lost, but no switch
  ASSERT_TRUE(TakeStatusSnapshot(snap, false));
  EXPECT_FALSE(snap.SwitchToInternal);

  // Programs: the one sent on the active port and channel, the one wanted on the pending ones.
  TPartBuf& b = SeqBuf(2);
  b.Port = 1;
  b.Chan[1] = 3;
  b.PortPend = 2;
  b.ChanPend = 4;
  PlayCycle.PortChanProgs[1][3].ProgSent = 17;
  PlayCycle.PortChanProgs[2][4].ProgReq = 40;
  RunCtl.MidiOutDevs[1].ProgChangesEnabled = 1;
  ASSERT_TRUE(TakeStatusSnapshot(snap, false));
  EXPECT_EQ(snap.Seqs[2].ProgAct, 17);
  EXPECT_EQ(snap.Seqs[2].ProgPend, 40);
  EXPECT_TRUE(snap.Seqs[2].ProgActOk);
  EXPECT_FALSE(snap.Seqs[2].ProgPendOk);  // device 2 refuses program changes
  EXPECT_EQ(snap.Seqs[2].Chan, 3);
}

TEST_F(StatusSnapshotTest, ABarNotYetBuiltFromAStyleShowsNoStyleAgainstTheChosenOne) {
  // The chosen style blinks against a blank until the bar is built from it, not against "00-".
  RunCtl.ProgState = TProgState::Running;
  Cfg.MetrSeqNo = 0;
  Cfg.MetrTypePitchLocked = 1;
  DrumStore.StyleNo = 0;
  DrumStore.PatNo = 0;
  DrumStore.BuiltStyle = -1;
  DrumStore.BuiltPat = -1;
  TStatusSnapshot snap;
  ASSERT_TRUE(TakeStatusSnapshot(snap, false));
  EXPECT_FALSE(snap.MetrStyleEqual);
  EXPECT_EQ(snap.MetrStylePend.substr(0, 3), "01-");
  EXPECT_EQ(snap.MetrPatPend.substr(0, 2), "40");
  EXPECT_EQ(snap.MetrStyleAct, "");
  EXPECT_EQ(snap.MetrPatAct, "");
  RunCtl.ProgState = TProgState::Config;
}

}  // namespace
}  // namespace vel
