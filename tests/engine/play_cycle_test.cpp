// The play cycle heard on the loopback outputs, callback by callback: playback timing, event
// fitting, the channel multiplier, time shifts, the controller reset and the note display.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "base/Messages.h"
#include "engine/EngineTestState.h"

namespace vel {
namespace {

using test::SentMsg;
using Sends = std::vector<SentMsg>;

class PlayCycleTest : public test::EngineTest {
 protected:
  // The part of the playback test: note on at 0, note off at 960 (an eighth), end marker at 3840.
  static void FillBar(int part, int seq) { Fill(part, seq, {{0, 0x643C90}, {960, 0x3C80}, {3840, 0xFF}}); }
};

TEST_F(PlayCycleTest, PlaysAPartAtExactCallbacksAndNeverSendsTheEndMarker) {
  FillBar(0, 0);
  Seqs.PartBufs[0][0].ChanPend = 2;
  Play(0);
  Ticks(700);
  EXPECT_EQ(Sent(), (Sends{{1, "92 3C 64"}, {125, "82 3C 00"}, {500, "92 3C 64"}, {625, "82 3C 00"}}));
  EXPECT_EQ(Transport.MsClock, 700);
  EXPECT_EQ(PlayCycle.SeqsRunning, 1);
}

TEST_F(PlayCycleTest, APrimedSeqHoldsItsPositionUntilItsFirstEventFallsDue) {
  FillBar(0, 1);
  TPartBuf& b = Seqs.PartBufs[0][1];
  b.SeqState = TSeqState::PlayMutedPrimed;
  b.Pend.Muted = 1;
  b.PlayEvIndex = b.Head;
  AdvanceSeqEvent(1, true, 20, 0);  // first event 20 ticks away
  Ticks(2);                         // 7 + 8 ticks: still primed
  EXPECT_EQ(b.SeqState, TSeqState::PlayMutedPrimed);
  EXPECT_EQ(b.PElap, 0);
  Ticks(1);
  EXPECT_EQ(b.SeqState, TSeqState::PlayMuted);
  Ticks(1);
  EXPECT_EQ(b.PElap, 7);
  EXPECT_TRUE(Sent().empty());  // muted
}

TEST_F(PlayCycleTest, EventsOfOneTimeGoOutInOneTickInListOrder) {
  Fill(0, 0, {{10, 0x643C90}, {10, 0x644090}, {10, 0x0740B0}, {20, 0x3C80}, {3840, 0xFF}});
  Play(0);
  Ticks(3);
  EXPECT_EQ(Sent(), (Sends{{2, "90 3C 64"}, {2, "90 40 64"}, {2, "B0 40 07"}, {3, "80 3C 00"}}));
}

TEST_F(PlayCycleTest, AdjustSeqEventFitsEventsToPortAndChannel) {
  FillBar(0, 0);
  TPartBuf& b = Seqs.PartBufs[0][0];
  b.Port = 1;
  b.Chan[1] = 5;
  EXPECT_EQ(AdjustSeqEvent(0x643C90, 0), 0x643C95u);
  EXPECT_EQ(AdjustSeqEvent(0x003C80, 0), 0x003C85u);
  b.Act.Transpose = 7;
  EXPECT_EQ(AdjustSeqEvent(0x643C90, 0), 0x644395u);
  b.Act.Transpose = 68;  // 60 + 68 is off the keyboard: the note keeps its number and goes silent
  EXPECT_EQ(AdjustSeqEvent(0x643C90, 0), 0x003C95u);
  b.Act.Transpose = -61;
  EXPECT_EQ(AdjustSeqEvent(0x643C90, 0), 0x003C95u);
  b.Act.Transpose = 0;
  b.Act.SVel = 9;  // 100 x 9 / 5 is capped at 127
  EXPECT_EQ(AdjustSeqEvent(0x643C90, 0), 0x7F3C95u);
  b.Act.SVel = 2;
  EXPECT_EQ(AdjustSeqEvent(0x643C90, 0), 0x283C95u);
  EXPECT_EQ(AdjustSeqEvent(0x003C90, 0), 0x003C95u);  // a note-on of velocity 0 stays 0
  EXPECT_EQ(b.DropEvent, 0);

  EXPECT_EQ(AdjustSeqEvent(0x1040A3, 0), 0x1040A5u);
  EXPECT_EQ(AdjustSeqEvent(0x0010D3, 0), 0x0010D5u);
  EXPECT_EQ(AdjustSeqEvent(0x4000E3, 0), 0x4000E5u);
  EXPECT_EQ(AdjustSeqEvent(0x6407B3, 0), 0x6407B5u);
  for (uint32_t cc : {120u, 121u, 123u}) {
    AdjustSeqEvent(0xB0 | cc << 8, 0);
    EXPECT_EQ(b.DropEvent, 1) << cc;
  }
  AdjustSeqEvent(0x7AB0, 0);  // 122 is played
  EXPECT_EQ(b.DropEvent, 0);

  AdjustSeqEvent(0xFF, 0);
  EXPECT_EQ(b.DropEvent, 1);
  EXPECT_TRUE(Msgs.WarnMsg.IsEmpty());
  AdjustSeqEvent(0x45, 0);
  EXPECT_EQ(b.DropEvent, 1);
  EXPECT_EQ(Msgs.WarnMsg.Peek(), "AdjustSeqEvent error: Unexpected MEvStatusByte 45");

  EXPECT_EQ(AdjustSeqEvent(0x804190, 0), 0x804190u);  // hotkey: unchanged
  EXPECT_EQ(b.HotkeyEvent, 1);
  b.Act.Muted = 1;
  AdjustSeqEvent(0x643C90, 0);
  EXPECT_EQ(b.DropEvent, 1);
  EXPECT_EQ(b.HotkeyEvent, 0);
  b.Act.Muted = 0;
  b.Act.SVel = 0;
  AdjustSeqEvent(0x7AB0, 0);
  EXPECT_EQ(b.DropEvent, 1);
}

TEST_F(PlayCycleTest, ProgramChangesFollowTheIgnoreAndDeviceSettings) {
  FillBar(0, 0);
  TPartBuf& b = Seqs.PartBufs[0][0];
  b.Port = 1;
  b.Chan[1] = 3;
  AdjustSeqEvent(0x09C0, 0);
  EXPECT_EQ(b.DropEvent, 1);  // the device takes no program changes
  RunCtl.MidiOutDevs[1].ProgChangesEnabled = 1;
  EXPECT_EQ(AdjustSeqEvent(0x09C0, 0), 0x09C3u);
  EXPECT_EQ(PlayCycle.PortChanProgs[1][3].ProgReq, 9);
  EXPECT_EQ(PlayCycle.PortChanProgs[1][3].ProgSent, 9);
  Cfg.IgnoreEmbeddedProgChanges = 1;
  AdjustSeqEvent(0x0AC0, 0);
  EXPECT_EQ(b.DropEvent, 1);
  EXPECT_EQ(PlayCycle.PortChanProgs[1][3].ProgReq, 9);
  Cfg.IgnoreEmbeddedProgChanges = 0;
  RunCtl.PortDevIdx[1] = -1;  // no device on the port
  AdjustSeqEvent(0x0AC0, 0);
  EXPECT_EQ(b.DropEvent, 1);
}

TEST_F(PlayCycleTest, MarkedNotesAndScaleTablesShiftTheirNotes) {
  FillBar(0, 0);
  TPartBuf& b = Seqs.PartBufs[0][0];
  b.LowNote = 40;
  b.Act.LowNoteOffs = -2;
  b.HighNote = 70;
  b.Act.HighNoteOffs = 3;
  b.FirstNote = 40;
  b.Act.FirstNoteOffs = 9;  // LowNote comes first
  EXPECT_EQ(AdjustSeqEvent(0x402890, 0), 0x402690u);
  EXPECT_EQ(AdjustSeqEvent(0x404690, 0), 0x404990u);
  EXPECT_EQ(AdjustSeqEvent(0x404590, 0), 0x404590u);

  // A scale table is read at the note's pitch class counted from the root; a note below 0 still
  // finds its class (1 for -11) and lands back on the keyboard.
  TScaleTbl tbl{};
  tbl[2] = 20;
  b.Act.ScaleTbl = &tbl;
  b.Act.FtsRoot = 11;
  b.Act.Transpose = -12;
  EXPECT_EQ(AdjustSeqEvent(0x400190, 0), 0x400990u);
}

TEST_F(PlayCycleTest, TheChannelMultiplierSendsOneCopyPerChannelEachFromTheEventsVelocity) {
  Cfg.MChanEnabled[0] = 1;
  Cfg.MChanMin[0] = 1;
  Cfg.MChanMax[0] = 3;
  Cfg.MChanPitchOffset[0][2] = 100;  // off the keyboard: only this copy goes silent
  Cfg.MChanPitchOffset[0][3] = 12;
  FillBar(0, 0);
  Seqs.PartBufs[0][0].ChanPend = 1;
  Play(0);
  ASSERT_EQ(Seqs.PartBufs[0][0].MChanApplies, 1);
  Ticks(125);
  EXPECT_EQ(Sent(), (Sends{{1, "91 3C 64"},
                           {1, "92 3C 00"},
                           {1, "93 48 64"},
                           {125, "81 3C 00"},
                           {125, "82 3C 00"},
                           {125, "83 48 00"}}));
  // A channel outside the range plays unmultiplied from the next cycle.
  Seqs.PartBufs[0][0].ChanPend = 5;
  ClearSent();
  Ticks(375);
  EXPECT_EQ(SentHex(), std::vector<std::string>{"95 3C 64"});
}

TEST_F(PlayCycleTest, APartWithAllEventsAtZeroPlaysOncePerBar) {
  Fill(0, 0, {{0, 0x643C90}, {0, 0x3C80}});
  Play(0);
  Ticks(1);
  Seqs.PartBufs[0][0].TimeShiftRept = 100;  // and a shift wraps at the bar rather than at 0
  Ticks(1999);
  EXPECT_EQ(Sent(), (Sends{{1, "90 3C 64"}, {1, "80 3C 00"}, {2000, "90 3C 64"}, {2000, "80 3C 00"}}));
  // The next cycle: a bar and the 100-tick shift later, tick 30820.
  ClearSent();
  Ticks(2014);
  EXPECT_EQ(Sent(), (Sends{{4014, "90 3C 64"}, {4014, "80 3C 00"}}));
}

TEST_F(PlayCycleTest, APositiveTimeShiftDelaysTheNextCycleAndAWholeCycleShiftDoesNothing) {
  FillBar(0, 0);
  Play(0);
  Ticks(10);
  Seqs.PartBufs[0][0].TimeShift = 768;  // 768 ticks late: the note-on at 4608
  Ticks(800);
  EXPECT_EQ(Sent(), (Sends{{1, "90 3C 64"}, {125, "80 3C 00"}, {600, "90 3C 64"}, {725, "80 3C 00"}}));

  Seqs.PartBufs[0][0].TimeShift = 3840;
  ClearSent();
  // The next cycle starts at tick 4608 + 3840 = 8448: callback 1100.
  Ticks(300);
  EXPECT_EQ(Sent(), (Sends{{1100, "90 3C 64"}}));
}

TEST_F(PlayCycleTest, ANegativeTimeShiftPlaysTheSkippedEventsAtOnce) {
  FillBar(0, 0);
  Play(0);
  Ticks(10);
  Seqs.PartBufs[0][0].TimeShift = -1000;
  Ticks(870);
  // At the wrap (callback 500) the first 1000 ticks of the cycle are due at once; the cycle ends
  // 1000 ticks early, at tick 6680: callback 870.
  EXPECT_EQ(
      Sent(),
      (Sends{{1, "90 3C 64"}, {125, "80 3C 00"}, {500, "90 3C 64"}, {500, "80 3C 00"}, {870, "90 3C 64"}}));
  EXPECT_EQ(Seqs.PartBufs[0][0].TimeShiftCarry, 0);
}

TEST_F(PlayCycleTest, ARepeatedLateShiftSilencesTheNotesItSkips) {
  FillBar(0, 0);
  Play(0);
  Seqs.PartBufs[0][0].TimeShiftRept = -1000;
  Ticks(500);
  EXPECT_EQ(Sent(), (Sends{{1, "90 3C 64"}, {125, "80 3C 00"}, {500, "90 3C 00"}, {500, "80 3C 00"}}));
}

TEST_F(PlayCycleTest, ResetPortChannelSendsTheNineMessagesOnlyWithLocalControl) {
  ResetPortChannel(1, 3);
  EXPECT_EQ(SentHex(1), test::ChannelResetHex(3));
  ClearSent();
  PlayCycle.LocalControlOn = 0;
  ResetPortChannel(1, 3);
  EXPECT_TRUE(Sent(1).empty());
}

TEST_F(PlayCycleTest, ResetSeqOutputsResetsEachSharedPortAndChannelOnce) {
  Cfg.CCVolResetValue = 90;
  Seqs.PartBufs[0][0].Chan[0] = 2;
  Seqs.PartBufs[0][1].Chan[0] = 2;
  Seqs.PartBufs[0][2].Port = 1;
  Seqs.PartBufs[0][2].Chan[1] = 2;
  Seqs.PartBufs[0][3].Chan[0] = 4;
  PlayCycle.NoteOnCounts[1][60] = {90, 90, 0};
  ResetSeqOutputs(false);
  const std::vector<std::string> port0 = SentHex(0);
  ASSERT_EQ(port0.size(), 18u);
  EXPECT_EQ(port0[0], "E2 00 40");
  EXPECT_EQ(port0[2], "B2 07 5A");
  EXPECT_EQ(port0[9], "E4 00 40");
  EXPECT_EQ(SentHex(1).size(), 9u);
  EXPECT_EQ(SentHex(1)[8], "B2 7B 00");
  EXPECT_EQ(PlayCycle.NoteOnCounts[1][60].Vel, 0);
  for (int s = 0; s < kSeqs; ++s) EXPECT_EQ(Seqs.PartBufs[0][s].ChanResetReq, 0);

  // Marked only: seq 2 alone.
  ClearSent();
  Seqs.PartBufs[0][1].ChanResetReq = 1;
  ResetSeqOutputs(true);
  EXPECT_EQ(SentHex(0).size(), 9u);
  EXPECT_TRUE(SentHex(1).empty());
}

TEST_F(PlayCycleTest, ResetSeqOutputsResetsEveryChannelOfAMultipliedSeqOnce) {
  // A multiplied seq sounds on the whole range: every channel of it is reset, and a seq sharing
  // one of them does not reset it again.
  Cfg.MChanMin[0] = 1;
  Cfg.MChanMax[0] = 3;
  Seqs.PartBufs[0][0].MChanApplies = 1;
  Seqs.PartBufs[0][0].Chan[0] = 1;
  Seqs.PartBufs[0][1].Chan[0] = 2;
  Seqs.PartBufs[0][2].Port = 1;
  Seqs.PartBufs[0][3].Port = -1;  // no device there: nothing
  ResetSeqOutputs(false);
  const std::vector<std::string> port0 = SentHex(0);
  ASSERT_EQ(port0.size(), 27u);
  EXPECT_EQ(port0[0], "E1 00 40");
  EXPECT_EQ(port0[9], "E2 00 40");
  EXPECT_EQ(port0[18], "E3 00 40");
  EXPECT_EQ(port0[26], "B3 7B 00");
  EXPECT_EQ(SentHex(1).size(), 9u);
  for (int s = 0; s < kSeqs; ++s) EXPECT_EQ(Seqs.PartBufs[0][s].ChanResetReq, 0);
}

TEST_F(PlayCycleTest, SentEventsLightTheSeqAndFeedTheNoteDisplay) {
  Fill(0, 0, {{0, 0x643C90}, {0, 0x0740B0}, {960, 0x3C80}, {3840, 0xFF}});
  Play(0);
  Ticks(1);
  const TPartBuf& b = Seqs.PartBufs[0][0];
  EXPECT_EQ(b.LightNoteOn, 1);
  EXPECT_EQ(b.LightOther, 1);
  EXPECT_EQ(PlayCycle.SustainVals[0], 7);
  EXPECT_EQ(PlayCycle.NoteOnCounts[0][60].Vel, 100);
  EXPECT_EQ(PlayCycle.NoteOnCounts[0][60].Level, 100);
  EXPECT_EQ(PlayCycle.KinetraceDirty, 1);
  Cfg.KinetraceDecay = 2;
  Ticks(124);
  EXPECT_EQ(PlayCycle.NoteOnCounts[0][60].Tail, 200);
}

TEST_F(PlayCycleTest, HotkeyEventsOfAPartBecomeStrokesInOrder) {
  std::vector<std::pair<int, bool>> strokes;
  static std::vector<std::pair<int, bool>>* sink;
  sink = &strokes;
  HotkeyIo.SendKey = [](uint8_t key, bool down) {
    sink->emplace_back(key, down);
    return true;
  };
  Cfg.DisableHotkeys = 0;
  Cfg.HotkeysTargetActiveWin = 1;
  Fill(0, 0, {{0, 0x804190}, {0, 0x804290}, {100, 0x804180}, {3840, 0xFF}});
  Play(0);
  Ticks(15);
  EXPECT_TRUE(Sent().empty());
  EXPECT_EQ(Seqs.PartBufs[0][0].LightHotkey, 1);
  EXPECT_EQ(RunQueuedHotkeyStrokes(), 3);
  EXPECT_EQ(strokes, (std::vector<std::pair<int, bool>>{{0x41, true}, {0x42, true}, {0x41, false}}));

  // Disabled hotkeys in a part send nothing.
  Cfg.DisableHotkeys = 1;
  Ticks(500);
  EXPECT_EQ(RunQueuedHotkeyStrokes(), 0);
}

TEST(PlayMuteCycleTest, EachSideCountsDownAndTurnsToTheOtherWithItsFullCount) {
  using S = TSeqState;
  struct Case {
    const char* what;
    S state;
    int32_t play, mute, prRem, mrRem;
    S wantState;
    int32_t wantPlay, wantMute, wantPrRem, wantMrRem;
  };
  const Case cases[] = {
      {"play counts down", S::Playing, 3, 2, 3, 0, S::Playing, 3, 2, 2, 0},
      {"play runs out", S::Playing, 3, 2, 1, 0, S::PlayMuted, 3, 2, 0, 2},
      {"a primed play counts", S::PlayPrimed, 1, 1, 1, 0, S::PlayMuted, 1, 1, 0, 1},
      {"play forever", S::Playing, 0, 2, 1, 0, S::Playing, 0, 2, 1, 0},
      {"play then mute forever", S::Playing, 2, 0, 1, 5, S::PlayMuted, 0, 0, 0, 5},
      {"mute counts down", S::PlayMuted, 2, 3, 0, 2, S::PlayMuted, 2, 3, 0, 1},
      {"mute runs out", S::PlayMuted, 2, 3, 0, 1, S::Playing, 2, 3, 2, 0},
      {"a primed mute counts", S::PlayMutedPrimed, 4, 1, 0, 1, S::Playing, 4, 1, 4, 0},
      {"mute then play forever", S::PlayMuted, 0, 3, 7, 1, S::Playing, 0, 0, 7, 0},
      {"mute forever", S::PlayMuted, 2, 0, 0, 1, S::PlayMuted, 2, 0, 0, 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    TPartBuf b;
    b.SeqState = c.state;
    b.Pend.Muted = c.state == S::PlayMuted || c.state == S::PlayMutedPrimed;
    b.PlayCycles = c.play;
    b.MuteCycles = c.mute;
    b.PRRem = c.prRem;
    b.MRRem = c.mrRem;
    StepPlayMuteCycle(b);
    EXPECT_EQ(b.SeqState, c.wantState);
    EXPECT_EQ(b.Pend.Muted, c.wantState == S::PlayMuted || c.wantState == S::PlayMutedPrimed);
    EXPECT_EQ(b.PlayCycles, c.wantPlay);
    EXPECT_EQ(b.MuteCycles, c.wantMute);
    EXPECT_EQ(b.PRRem, c.wantPrRem);
    EXPECT_EQ(b.MRRem, c.wantMrRem);
  }
}

}  // namespace
}  // namespace vel
