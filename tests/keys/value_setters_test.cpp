// The value setters: one change on the live output and the selected seqs; a stopped seq takes it
// at once, a playing one at its next cycle; a program shared by a port and channel changes once
// per command.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "base/Messages.h"
#include "keys/KeyEntryTestState.h"
#include "keys/ValueSetters.h"

namespace vel {
namespace {

using Hexes = std::vector<std::string>;
using test::KeyEntryTest;

TEST(SweepStepValue, StepsWithinTheRangeAndWrapsOrStopsAtTheEnds) {
  struct Case {
    int32_t value;
    bool down;
    int32_t lo, hi;
    bool wrap;
    int32_t expect;
  };
  const Case cases[] = {
      {5, false, 0, 8, true, 6},   {8, false, 0, 8, true, 0},  {8, false, 0, 8, false, 8},
      {10, false, 0, 8, false, 8}, {0, true, 0, 15, true, 15}, {3, true, 0, 9, false, 2},
      {0, true, 0, 9, false, 0},   {-3, true, 0, 9, false, 0}, {127, false, 0, 127, true, 0},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(SweepStepValue(c.value, c.down, c.lo, c.hi, c.wrap), c.expect)
        << c.value << (c.down ? " down " : " up ") << c.lo << ".." << c.hi << (c.wrap ? " wrap" : "");
  }
}

TEST_F(KeyEntryTest, ReportValueOutOfRangeSetsTheRefusalAndLeavesTheMode) {
  Keys.KeyMode = KeyModeFromNo(10);
  ReportValueOutOfRange("Tempo", 400, 20, 320);
  EXPECT_EQ(Msgs.WarnMsg.Peek(), "Tempo command ignored; value 400 out of range 20 to 320");
  EXPECT_EQ(ModeNo(Keys.KeyMode.load()), 10);
}

// Port (ports 0..2 allocated), channel and velocity scale stepped on a stopped seq 0 and a playing
// seq 1 from the same start: both pending values change, the active value of seq 0 only.
TEST_F(KeyEntryTest, StepsWrapOrStopAndReachTheActiveValueOfAStoppedSeqOnly) {
  enum Field { Port, Chan, SVel };
  struct Case {
    Field field;
    int32_t start;
    uint8_t valType;
    int32_t expect;
  };
  const Case cases[] = {
      {Port, 2, VtInc, 0}, {Port, 0, VtDec, 2}, {Chan, 0, VtDec, 15}, {Chan, 15, VtInc, 0},
      {SVel, 9, VtInc, 9}, {SVel, 0, VtDec, 0}, {SVel, 4, VtInc, 5},
  };
  auto pend = [](const TPartBuf& b, Field f) -> int32_t {
    return f == Port ? b.PortPend : f == Chan ? b.ChanPend : b.Pend.SVel;
  };
  auto act = [](const TPartBuf& b, Field f) -> int32_t {
    return f == Port ? b.Port : f == Chan ? b.Chan[0] : b.Act.SVel;
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.field) + " from " + std::to_string(c.start));
    for (int s : {0, 1}) {
      TPartBuf& b = SeqBuf(s);
      b = TPartBuf{};
      if (c.field == Port) b.PortPend = b.Port = static_cast<int8_t>(c.start);
      if (c.field == Chan) b.ChanPend = b.Chan[0] = static_cast<int8_t>(c.start);
      if (c.field == SVel) b.Pend.SVel = b.Act.SVel = static_cast<uint8_t>(c.start);
      b.SeqState = s == 0 ? TSeqState::Stopped : TSeqState::Playing;
      SelectSeq(s);
    }
    if (c.field == Port) SetPortValue(c.valType, 0, 0, 0, false);
    if (c.field == Chan) SetChanValue(c.valType, 0, 0, 0, false);
    if (c.field == SVel) SetSVelValue(c.valType, 0, 0, 0, false);
    EXPECT_EQ(pend(SeqBuf(0), c.field), c.expect);
    EXPECT_EQ(act(SeqBuf(0), c.field), c.expect);
    EXPECT_EQ(pend(SeqBuf(1), c.field), c.expect);
    EXPECT_EQ(act(SeqBuf(1), c.field), c.start);
  }
}

// A sweep from a to b: off when they are equal, up for a < b, down for a > b; the value is a. A
// keyed value or a step turns a running sweep off.
TEST_F(KeyEntryTest, SweepsStartAtTheFirstValueInTheirDirection) {
  struct Case {
    int32_t a, b;
    bool pingPong;
    TSweep<int8_t> expect;
  };
  const Case cases[] = {
      {7, 3, false, {1, 3, 7, 1, 0}}, {3, 7, true, {1, 3, 7, 0, 1}}, {5, 5, true, {0, 3, 7, 0, 1}}};
  SelectSeq(0);
  Live.Selected = 1;
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.a) + " to " + std::to_string(c.b));
    SetChanValue(VtSweep, 0, static_cast<int8_t>(c.a), static_cast<int8_t>(c.b), c.pingPong);
    SetSVelValue(VtSweep, 0, static_cast<uint8_t>(c.a), static_cast<uint8_t>(c.b), c.pingPong);
    for (const TSweep<int8_t>& sw : {SeqBuf(0).ChanSweep, Live.ChanSweep}) {
      EXPECT_EQ(sw.On, c.expect.On);
      EXPECT_EQ(sw.Low, c.expect.Low);
      EXPECT_EQ(sw.High, c.expect.High);
      EXPECT_EQ(sw.Dir, c.expect.Dir);
      EXPECT_EQ(sw.PingPong, c.expect.PingPong);
    }
    EXPECT_EQ(Live.SVelSweep.On, c.expect.On);
    EXPECT_EQ(Live.SVelSweep.Dir, c.expect.Dir);
    EXPECT_EQ(SeqBuf(0).ChanPend, c.a);
    EXPECT_EQ(Live.Chan[0], c.a);
    EXPECT_EQ(Live.SVel, c.a);
  }
  SetChanValue(VtSweep, 0, 2, 9, false);
  SetChanValue(VtInc, 0, 0, 0, false);
  EXPECT_EQ(SeqBuf(0).ChanPend, 3);
  EXPECT_EQ(SeqBuf(0).ChanSweep.On, 0);
  EXPECT_EQ(Live.ChanSweep.On, 0);
}

TEST_F(KeyEntryTest, ABadValTypeLeavesTheTargetAndNamesTheSetter) {
  struct Case {
    void (*set)();
    bool live;
    const char* err;
  };
  const Case cases[] = {
      {[] { SetPortValue(4, 1, 0, 0, false); }, true, "SetPortValue-1 error: Unexpected ValType"},
      {[] { SetPortValue(4, 1, 0, 0, false); }, false, "SetPortValue-2 error: Unexpected ValType"},
      {[] { SetChanValue(4, 1, 0, 0, false); }, true, "SetChanValue-1 error: Unexpected ValType"},
      {[] { SetChanValue(4, 1, 0, 0, false); }, false, "SetChanValue-2 error: Unexpected ValType"},
      {[] { SetProgValue(4, 1, 0, 0, false); }, true, "SetProgValue-1 error: Unexpected ValType"},
      {[] { SetProgValue(4, 1, 0, 0, false); }, false, "SetProgValue-2 error: Unexpected ValType"},
      {[] { SetSVelValue(4, 1, 0, 0, false); }, true, "SetSVelValue-1 error: Unexpected ValType"},
      {[] { SetSVelValue(4, 1, 0, 0, false); }, false, "SetSVelValue-2 error: Unexpected ValType"},
      {[] { SetTempoValue(4, 3000, 0, 0, false); }, true, "SetTempoValue-2 error: Unexpected ValType"},
      {[] { EXPECT_FALSE(SetPartValue(4, 1, 0, 0, false)); }, false,
       "SetPartValue error: Unexpected ValType"},
  };
  for (const Case& c : cases) {
    Msgs.ErrMsg.Clear();
    Live.Selected = c.live ? 1 : 0;
    SeqBuf(0).Selected = c.live ? 0 : 1;
    c.set();
    EXPECT_EQ(Msgs.ErrMsg.Peek(), c.err);
  }
  EXPECT_EQ(RunCtl.LivePort, 0);
  EXPECT_EQ(Live.Chan[0] + Live.SVel + SeqBuf(0).PortPend + SeqBuf(0).ChanPend + SeqBuf(0).Pend.SVel, 10);
  EXPECT_EQ(Cfg.TargetTempo, 12000);
  EXPECT_EQ(Seqs.SeqRecs[0].SelPart, 0);
  EXPECT_EQ(PlayCycle.PortChanProgs[0][0].ProgReq, 0);
  EXPECT_TRUE(TakeLiveFifo().empty());
}

TEST_F(KeyEntryTest, PartIncSwitchesAStoppedSeqAtOnceAndAPlayingOneAtItsNextCycle) {
  SelectSeq(0);
  SelectSeq(1);
  SeqBuf(1).SeqState = TSeqState::Playing;
  EXPECT_TRUE(SetPartValue(VtInc, 0, 0, 0, false));
  EXPECT_EQ(Seqs.SeqRecs[0].PlayPart, 1);
  EXPECT_EQ(Seqs.PartBufs[1][0].Selected, 1);  // the selection went with the playing part
  EXPECT_EQ(Seqs.SeqRecs[1].SelPart, 1);
  EXPECT_EQ(Seqs.SeqRecs[1].PlayPart, 0);
  EXPECT_TRUE(SetPartValue(VtSweep, 0, 1, 0, true));
  const TSeqRec& r = Seqs.SeqRecs[1];
  EXPECT_EQ(std::vector<int32_t>({r.SelPart, r.PartSweepOn, r.PartSweepLow, r.PartSweepHigh, r.PartSweepDir,
                                  r.PartSweepPingPong}),
            std::vector<int32_t>({1, 1, 0, 1, 1, 1}));
}

// Tempo steps by LnTempoStep BPM, or by LgTempoStep twelfths of an octave with UseLgTempos, within
// 20.00 .. 320.00; the target is whole BPM.
TEST_F(KeyEntryTest, TempoStepsLinearOrLogarithmicWithinTheLimits) {
  struct Case {
    uint8_t lg;
    int32_t tempo;
    uint8_t valType;
    int32_t target;
  };
  const Case cases[] = {
      {0, 12000, VtInc, 12500}, {0, 12000, VtDec, 11500}, {0, 31800, VtInc, 32000}, {0, 2200, VtDec, 2000},
      {1, 12000, VtInc, 12700}, {1, 12000, VtDec, 11300}, {1, 31000, VtInc, 32000}, {1, 2100, VtDec, 2000},
  };
  Cfg.LnTempoStep = 5;
  Cfg.LgTempoStep = 1;
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.tempo) + (c.lg ? " lg" : " ln"));
    Cfg.UseLgTempos = c.lg;
    Cfg.Tempo = c.tempo;
    Live.TempoSweep.On = 1;
    SetTempoValue(c.valType, 0, 0, 0, false);
    EXPECT_EQ(Cfg.TargetTempo, c.target);
    EXPECT_EQ(Live.TempoSweep.On, 0);
  }
}

// Seqs 0 and 1 share port 0, channel 0; seqs 2 and 3 and the live output are on other channels.
// Selecting seq 0 alone, a program inc selects seq 1 too and steps the shared program once.
TEST_F(KeyEntryTest, ProgramSharedByTwoSeqsStepsOncePerCommand) {
  Live.Chan[0] = 5;
  SeqBuf(2).ChanPend = 1;
  SeqBuf(3).ChanPend = 2;
  TChanProg& rec = PlayCycle.PortChanProgs[0][0];
  rec.ProgReq = 5;
  rec.Flag = 1;  // left over from an earlier command
  SelectSeq(0);
  for (int32_t expect : {6, 7}) {
    ClearSent();
    ExpandProgTargets();
    SetProgValue(VtInc, 0, 0, 0, false);
    EXPECT_EQ(rec.ProgReq, expect);
    EXPECT_EQ(SentHex(0), (Hexes{expect == 6 ? "C0 06" : "C0 07"}));
  }
  EXPECT_EQ(SeqBuf(1).Selected + SeqBuf(1).SelChanged, 2);
  EXPECT_EQ(SeqBuf(2).Selected + SeqBuf(3).Selected + Live.Selected, 0);

  // A playing seq takes its program at its next cycle: nothing is sent now.
  SeqBuf(0).SeqState = SeqBuf(1).SeqState = TSeqState::Playing;
  ClearSent();
  rec.ProgReq = 127;
  ExpandProgTargets();
  SetProgValue(VtInc, 0, 0, 0, false);
  EXPECT_EQ(rec.ProgReq, 0);
  EXPECT_TRUE(SentHex(0).empty());
  EXPECT_TRUE(TakeLiveFifo().empty());
}

// The live output on port 0, channel 0 shares its program with seqs 2 and 3: selecting the live
// output selects them, and the program goes out once, through LiveFifo, from the program last
// sent; with the channel multiplier on every channel of its range that plays another program.
TEST_F(KeyEntryTest, LiveProgramGoesThroughLiveFifoAndServesTheSeqsSharingIt) {
  for (int s : {0, 1}) SeqBuf(s).ChanPend = 3;
  TChanProg& rec = PlayCycle.PortChanProgs[0][0];
  rec.ProgSent = 8;
  rec.ProgSentValid = 1;
  Live.Selected = 1;
  ExpandProgTargets();
  EXPECT_EQ(SeqBuf(0).Selected + SeqBuf(2).Selected + SeqBuf(3).Selected, 2);
  SetProgValue(VtDec, 0, 0, 0, false);
  EXPECT_EQ(TakeLiveFifo(), (Hexes{"C0 07 00"}));
  EXPECT_EQ(rec.ProgReq, 7);
  EXPECT_TRUE(SentHex(0).empty());

  // A seq selected on the live port and channel brings the live output in.
  DeselectAll();
  SelectSeq(3);
  ExpandProgTargets();
  EXPECT_EQ(Live.Selected, 1);
  Cfg.MChanEnabled[0] = 1;
  Cfg.MChanMax[0] = 2;
  Live.MChanApplies = 1;
  PlayCycle.PortChanProgs[0][1].ProgSent = 40;
  PlayCycle.PortChanProgs[0][1].ProgSentValid = 1;
  SetProgValue(VtAbsolute, 40, 0, 0, false);
  EXPECT_EQ(TakeLiveFifo(), (Hexes{"C0 28 00", "C2 28 00"}));
  EXPECT_TRUE(SentHex(0).empty());
}

TEST_F(KeyEntryTest, TargetsOnPortsWithoutProgramChangesAreRefused) {
  // The live output on port 1 and seq 1 on port 2, neither of which takes program changes.
  RunCtl.LivePort = 1;
  SeqBuf(1).Port = SeqBuf(1).PortPend = 2;
  Live.Selected = 1;
  SelectSeq(1);
  SetProgValue(VtAbsolute, 3, 0, 0, false);
  EXPECT_EQ(Msgs.WarnMsg.Peek(), "Cannot select Seq2 as prog changes are disabled for this port");
  SeqBuf(1).Selected = 0;
  SetProgValue(VtAbsolute, 3, 0, 0, false);
  EXPECT_EQ(Msgs.WarnMsg.Peek(), "Cannot select Live output as prog changes are disabled for this port");
  EXPECT_TRUE(TakeLiveFifo().empty());
  EXPECT_EQ(PlayCycle.PortChanProgs[1][0].ProgReq + PlayCycle.PortChanProgs[2][0].ProgReq, 0);

  // The expansion deselects them, and keeps seq 0, which may.
  SelectSeq(0);
  SelectSeq(1);
  Keys.SelectionChanged = 0;
  ExpandProgTargets();
  EXPECT_EQ(Live.Selected, 0);
  EXPECT_EQ(Keys.SelectionChanged, 1);
  EXPECT_EQ(SeqBuf(1).Selected, 0);
  EXPECT_EQ(SeqBuf(0).Selected, 1);
  EXPECT_EQ(Msgs.WarnMsg.Peek(), "Cannot select Seq2 as prog changes are disabled for this port");
}

// A new live channel or port plays with its program: what was never sent, or sent with another
// program, is queued; the channel multiplier is the new port's.
TEST_F(KeyEntryTest, NewLiveChannelOrPortQueuesItsPendingProgram) {
  Live.Selected = 1;
  PlayCycle.PortChanProgs[0][3].ProgReq = 7;
  SetChanValue(VtAbsolute, 3, 0, 0, false);
  EXPECT_EQ(TakeLiveFifo(), (Hexes{"C3 07 00"}));
  SetChanValue(VtAbsolute, 3, 0, 0, false);
  EXPECT_TRUE(TakeLiveFifo().empty());

  Live.Chan[1] = 3;
  Cfg.MChanEnabled[1] = 1;
  Cfg.MChanMin[1] = 2;
  Cfg.MChanMax[1] = 5;
  SetPortValue(VtAbsolute, 1, 0, 0, false);
  EXPECT_EQ(RunCtl.LivePort, 1);
  EXPECT_EQ(Live.MChanApplies, 1);
  EXPECT_TRUE(TakeLiveFifo().empty());  // port 1 takes no program changes
  SetPortValue(VtAbsolute, 0, 0, 0, false);
  EXPECT_EQ(Live.MChanApplies, 0);
}

}  // namespace
}  // namespace vel
