// Transport and the start of cycle: stop and reset, play and mute cycle counts, sweeps, part
// changes, program bookkeeping, record start, the live sweeps and the metronome seq's calls.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "base/Messages.h"
#include "engine/EngineTestState.h"
#include "keymaps/KeyModes.h"
#include "styles/StyleStore.h"

namespace vel {
namespace {

using test::SentMsg;
using Sends = std::vector<SentMsg>;

const std::vector<std::string> kReset0 = test::ChannelResetHex(0);

class TransportTest : public test::EngineTest {
 protected:
  // Note on at 0 and off at 960 in a quarter-note cycle (3840 ticks: 500 callbacks at 120 BPM).
  static void FillCycle(int part, int seq, uint32_t note = 0x3C) {
    Fill(part, seq, {{0, 0x640090 | note << 8}, {960, 0x80 | note << 8}, {3840, 0xFF}});
  }
  static std::vector<uint32_t> NoteOnTimes(int dev = 0) {
    std::vector<uint32_t> out;
    for (const SentMsg& m : Sent(dev))
      if (m.hex.rfind("9", 0) == 0 && m.hex.substr(6) != "00") out.push_back(m.time);
    return out;
  }
};

TEST_F(TransportTest, StopLetsTheSeqPlayToTheEndOfItsCycle) {
  FillCycle(0, 0);
  Play(0);
  Seqs.PartBufs[0][0].Selected = 1;
  Keys.KeyMode = TKeyMode::Command;
  Ticks(10);
  StopSeqs();
  EXPECT_EQ(Seqs.PartBufs[0][0].SeqState, TSeqState::StopPrimed);
  EXPECT_EQ(Msgs.StatusMsg.Peek(), "Stop");
  EXPECT_EQ(Keys.KeyMode, TKeyMode::Live);
  EXPECT_EQ(Seqs.PartBufs[0][0].Selected, 0);
  Ticks(1000);
  EXPECT_EQ(Sent(), (Sends{{1, "90 3C 64"}, {125, "80 3C 00"}}));
  EXPECT_EQ(Seqs.PartBufs[0][0].SeqState, TSeqState::Stopped);
  EXPECT_EQ(Seqs.PartBufs[0][0].PlayEvIndex, Seqs.PartBufs[0][0].Head);
  EXPECT_EQ(PlayCycle.SeqsRunning, 0);
}

// The cycle ends at once: the note-offs of the notes sounding go out as the parts hold them,
// before the channel's reset (some synthesizers ignore its all-notes-off); a note-on not due yet
// never goes out, nor its note-off.
TEST_F(TransportTest, AResetDuringPlayEndsTheSoundingNotesThenResetsTheChannelOnce) {
  struct Case {
    const char* name;
    int ticks;  // before the reset
    std::vector<std::string> offs;
    int transpose = 0;  // seq 0's, changed after its note-on
  };
  // Seq 0: 3C from 0 to 960, 3E from 1920 to 2880; seq 1: 40 across 3C and 3E, on the same port
  // and channel.
  Fill(0, 0, {{0, 0x643C90}, {960, 0x403C80}, {1920, 0x643E90}, {2880, 0x3E80}, {3840, 0xFF}});
  Fill(0, 1, {{0, 0x644090}, {3000, 0x224080}, {3840, 0xFF}});
  for (const Case& c : {Case{"both sounding", 10, {"80 3C 40", "80 40 22"}},
                        Case{"seq 0 between its notes", 200, {"80 40 22"}},
                        // The part's note-off now points at 3E, which is not sounding: the note
                        // that sounds is released instead.
                        Case{"seq 0 transposed since", 10, {"80 3C 00", "80 40 22"}, 2}}) {
    SCOPED_TRACE(c.name);
    Seqs.PartBufs[0][0].Act.Transpose = 0;
    Play(0);
    Play(1);
    Ticks(c.ticks);
    Seqs.PartBufs[0][0].Act.Transpose = c.transpose;
    ClearSent();
    EXPECT_FALSE(ResetSeqs(false, true));
    EXPECT_EQ(Msgs.StatusMsg.Peek(), "Reset");
    Ticks(1);
    EXPECT_EQ(SentHex(), test::Join({c.offs, kReset0}));
    for (int s = 0; s < 2; ++s) {
      EXPECT_EQ(Seqs.PartBufs[0][s].SeqState, TSeqState::Stopped);
      EXPECT_EQ(Seqs.PartBufs[0][s].EndCycleNow, 0);
      EXPECT_EQ(Seqs.PartBufs[0][s].ChanResetReq, 0);
    }
    ClearSent();
    Ticks(1000);
    EXPECT_TRUE(Sent().empty());
  }
}

TEST_F(TransportTest, ResettingStoppedSeqsLeavesTheOutputResetToTheCaller) {
  FillCycle(0, 0);
  Seqs.PartBufs[0][0].Selected = 1;
  Seqs.PartBufs[0][0].Act.SVel = Seqs.PartBufs[0][0].Pend.SVel = 2;
  Seqs.PartBufs[0][1].Selected = 1;  // empty
  EXPECT_TRUE(ResetSeqs(true, false));
  EXPECT_EQ(Seqs.PartBufs[0][0].Act.SVel, 5);
  EXPECT_EQ(Seqs.PartBufs[0][0].ChanResetReq, 1);
  EXPECT_EQ(Seqs.PartBufs[0][1].ChanResetReq, 0);
  EXPECT_TRUE(Sent().empty());

  Cfg.StopImmStop = 1;
  Seqs.PartBufs[0][0].Port = 1;
  Seqs.PartBufs[0][0].Chan[1] = 0;
  RunCtl.MidiOutDevs[1].ProgChangesEnabled = 1;
  PlayCycle.PortChanProgs[1][0] = {7, 7, 1, 0};
  StopSeqs();
  EXPECT_EQ(SentHex(1), kReset0);
  EXPECT_EQ(PlayCycle.PortChanProgs[1][0].ProgSentValid, 0);  // sent again at the next start
}

TEST_F(TransportTest, PlayAndMuteCyclesAlternate) {
  FillCycle(0, 0);
  TPartBuf& b = Seqs.PartBufs[0][0];
  b.PlayCycles = 2;
  b.MuteCycles = 1;
  b.PRRem = 3;
  Play(0);
  Ticks(3001);
  EXPECT_EQ(NoteOnTimes(), (std::vector<uint32_t>{1, 500, 1500, 2000, 3000}));
  EXPECT_EQ(b.SeqState, TSeqState::Playing);
}

TEST_F(TransportTest, PlayCyclesWithoutMuteCyclesMuteForEver) {
  FillCycle(0, 0);
  TPartBuf& b = Seqs.PartBufs[0][0];
  b.PlayCycles = 1;
  b.PRRem = 2;
  Play(0);
  Ticks(2000);
  EXPECT_EQ(NoteOnTimes(), (std::vector<uint32_t>{1}));
  EXPECT_EQ(b.SeqState, TSeqState::PlayMuted);
  EXPECT_EQ(b.PlayCycles, 0);
}

TEST_F(TransportTest, SweepNextGoesBackAndForthOrRound) {
  auto run = [](int32_t cur, int32_t lo, int32_t hi, uint8_t pingPong, uint8_t dir, int n) {
    std::vector<int32_t> out;
    for (int i = 0; i < n; ++i) out.push_back(cur = SweepNext(cur, lo, hi, dir, 1, pingPong));
    return out;
  };
  EXPECT_EQ(run(1, 1, 3, 1, 0, 6), (std::vector<int32_t>{2, 3, 2, 1, 2, 3}));
  EXPECT_EQ(run(1, 1, 3, 0, 0, 6), (std::vector<int32_t>{2, 3, 1, 2, 3, 1}));
  EXPECT_EQ(run(3, 1, 3, 0, 1, 4), (std::vector<int32_t>{2, 1, 3, 2}));
  EXPECT_EQ(run(3, 1, 3, 1, 0, 4), (std::vector<int32_t>{2, 1, 2, 3}));  // at the top going up: turns
  uint8_t dir = 0;
  EXPECT_EQ(SweepNext(5, 1, 9, dir, 3, 1), 8);
  EXPECT_EQ(SweepNext(8, 1, 9, dir, 3, 1), 9);
  EXPECT_EQ(dir, 1);
  EXPECT_EQ(SweepNext(5, 5, 5, dir, 1, 1), 5);  // a one-value range stays
}

TEST_F(TransportTest, APortSweepMovesTheSeqFromPortToPortEachCycle) {
  FillCycle(0, 0);
  TPartBuf& b = Seqs.PartBufs[0][0];
  b.PortSweep = {1, 0, 2, 0, 1};
  Play(0);
  Ticks(2001);
  EXPECT_EQ(NoteOnTimes(0), (std::vector<uint32_t>{1, 2000}));
  EXPECT_EQ(NoteOnTimes(1), (std::vector<uint32_t>{500, 1500}));
  EXPECT_EQ(NoteOnTimes(2), (std::vector<uint32_t>{1000}));
}

TEST_F(TransportTest, AChannelAndVelocitySweepTakeEffectFromTheNextCycle) {
  FillCycle(0, 0);
  TPartBuf& b = Seqs.PartBufs[0][0];
  b.ChanSweep = {1, 0, 1, 0, 0};
  b.SVelSweep = {1, 4, 5, 0, 0};
  b.Pend.SVel = 4;
  Play(0);
  Ticks(1001);
  EXPECT_EQ(SentHex(),
            (std::vector<std::string>{"90 3C 50", "80 3C 00", "91 3C 64", "81 3C 00", "90 3C 50"}));
}

TEST_F(TransportTest, APartSweepPlaysThePartsInTurn) {
  FillCycle(0, 2, 0x3C);
  FillCycle(1, 2, 0x40);
  Seqs.SeqRecs[2].PartSweepOn = 1;
  Seqs.SeqRecs[2].PartSweepLow = 0;
  Seqs.SeqRecs[2].PartSweepHigh = 1;
  Seqs.PartBufs[0][2].Selected = 1;
  Play(2);
  Ticks(1001);
  EXPECT_EQ(SentHex(),
            (std::vector<std::string>{"90 3C 64", "80 3C 00", "90 40 64", "80 40 00", "90 3C 64"}));
  EXPECT_EQ(Seqs.SeqRecs[2].PlayPart, 0);
  EXPECT_EQ(Seqs.PartBufs[0][2].Selected, 1);  // the selection follows the playing part
  EXPECT_EQ(Seqs.PartBufs[1][2].Selected, 0);
}

TEST_F(TransportTest, APartChangeCarriesPlayingOnlyToAStoppedPartWithEvents) {
  FillCycle(0, 0);
  FillCycle(1, 0, 0x40);
  Play(0, TSeqState::PlayMuted);
  Seqs.SeqRecs[0].SelPart = 1;
  Ticks(500);
  EXPECT_EQ(Seqs.SeqRecs[0].PlayPart, 1);
  EXPECT_EQ(Seqs.PartBufs[1][0].SeqState, TSeqState::PlayMuted);
  EXPECT_EQ(Seqs.PartBufs[1][0].Act.Muted, 1);
  EXPECT_EQ(Seqs.PartBufs[1][0].Pend.Muted, 1);

  // A stopped old part leaves the new part stopped.
  Seqs.PartBufs[1][0].SeqState = TSeqState::Stopped;
  Seqs.PartBufs[0][0].SeqState = TSeqState::Playing;
  Seqs.SeqRecs[0].SelPart = 0;
  StartSeqCycle(0);
  EXPECT_EQ(Seqs.SeqRecs[0].PlayPart, 0);
  EXPECT_EQ(Seqs.PartBufs[0][0].SeqState, TSeqState::Stopped);
}

TEST_F(TransportTest, APartChangeOntoAnEmptyPartStopsTheSeq) {
  FillCycle(0, 0);
  Play(0);
  Seqs.PartBufs[1][0].SeqState = TSeqState::Playing;  // left over, but the part is empty
  Seqs.PartBufs[1][0].AdjMidiEvent = 0x7F3090;
  Seqs.SeqRecs[0].SelPart = 1;
  Ticks(2000);
  EXPECT_EQ(Seqs.SeqRecs[0].PlayPart, 1);
  EXPECT_EQ(Seqs.PartBufs[1][0].SeqState, TSeqState::Stopped);
  EXPECT_EQ(Sent(), (Sends{{1, "90 3C 64"}, {125, "80 3C 00"}}));
}

TEST_F(TransportTest, APartChangedToStartsFromItsHead) {
  FillCycle(0, 0);
  Fill(1, 0, {{0, 0x644090}, {100, 0x644190}, {3840, 0xFF}});
  Seqs.PartBufs[1][0].SeqState = TSeqState::Playing;  // left playing when the seq changed away from it
  Seqs.PartBufs[1][0].PlayEvIndex = 1;
  Play(0);
  Seqs.SeqRecs[0].SelPart = 1;
  Ticks(520);
  EXPECT_EQ(SentHex(), (std::vector<std::string>{"90 3C 64", "80 3C 00", "90 40 64", "90 41 64"}));
}

TEST_F(TransportTest, ASeqWhosePartWasEmptiedStops) {
  Seqs.PartBufs[0][3].SeqState = TSeqState::StopPrimed;
  FillCycle(0, 2);
  Play(2);
  Ticks(10);
  ClearPartBuf(0, 2);  // the note-off was pending
  Ticks(1);
  EXPECT_EQ(Seqs.PartBufs[0][3].SeqState, TSeqState::Stopped);
  EXPECT_EQ(Seqs.PartBufs[0][2].SeqState, TSeqState::Stopped);
  Ticks(500);
  // The note-off went with the events: the sounding seq's channel is reset, so the note cannot
  // hang; seq 4, which never sounded, sends nothing.
  EXPECT_EQ(SentHex(), test::Join({{"90 3C 64"}, kReset0}));
}

TEST_F(TransportTest, UnexpectedStatesAreReported) {
  FillCycle(0, 0);
  Seqs.PartBufs[0][0].SeqState = static_cast<TSeqState>(9);  // no state
  TickSeq(1);
  EXPECT_EQ(Msgs.ErrMsg.TakeAndClear(), "TickSeq-2 error: Unexpected SeqState");
  PrepSeqForSOC(0, 0);
  EXPECT_EQ(Msgs.ErrMsg.TakeAndClear(), "PrepSeqForSOC error: Unexpected SeqState");
  HandlePartChange(0, 1, 0);
  EXPECT_EQ(Msgs.ErrMsg.TakeAndClear(), "HandlePartChange error: Unexpected SeqState");
}

TEST_F(TransportTest, AProgramIsSentOnceAndAgainAfterInvalidateSeqProgs) {
  RunCtl.MidiOutDevs[0].ProgChangesEnabled = 1;
  PlayCycle.PortChanProgs[0][0].ProgReq = 5;
  FillCycle(0, 0);
  Play(0);
  Ticks(1001);
  EXPECT_EQ(Sent(), (Sends{{0, "C0 05"},
                           {1, "90 3C 64"},
                           {125, "80 3C 00"},
                           {500, "90 3C 64"},
                           {625, "80 3C 00"},
                           {1000, "90 3C 64"}}));
  ClearSent();
  InvalidateSeqProgs(true);
  Ticks(500);
  EXPECT_EQ(Sent(), (Sends{{1125, "80 3C 00"}, {1500, "C0 05"}, {1500, "90 3C 64"}}));
  ClearSent();
  InvalidateSeqProgs(true);
  InvalidateSeqProgs(false);
  EXPECT_EQ(SentHex(), std::vector<std::string>{"C0 05"});

  // No program wanted, or no device on the port: nothing.
  ClearSent();
  PlayCycle.PortChanProgs[0][0] = {-1, -1, 0, 0};
  InvalidateSeqProgs(false);
  SendPendingProg(0, 0);
  PlayCycle.PortChanProgs[0][4] = {3, -1, 0, 0};
  RunCtl.PortDevIdx[0] = -1;
  SendPendingProg(0, 4);
  RunCtl.PortDevIdx[0] = 0;
  EXPECT_TRUE(Sent().empty());
  EXPECT_EQ(PlayCycle.PortChanProgs[0][0].ProgSentValid, 0);
}

TEST_F(TransportTest, AProgramSweepStepsThroughTheMultiplierChannels) {
  RunCtl.MidiOutDevs[0].ProgChangesEnabled = 1;
  Cfg.MChanEnabled[0] = 1;
  Cfg.MChanMin[0] = 0;
  Cfg.MChanMax[0] = 1;
  PlayCycle.PortChanProgs[0][0].ProgReq = 10;
  PlayCycle.PortChanProgs[0][1].ProgReq = 20;
  FillCycle(0, 0);
  Seqs.PartBufs[0][0].ProgSweep = {1, 10, 30, 0, 0};
  Play(0);
  Ticks(500);
  std::vector<std::string> progs;
  for (const std::string& m : SentHex())
    if (m[0] == 'C') progs.push_back(m);
  EXPECT_EQ(progs, (std::vector<std::string>{"C0 0A", "C1 14", "C0 0B", "C1 15"}));
}

TEST_F(TransportTest, RecordStartNeedsSelectedStoppedSeqs) {
  Keys.KeyMode = TKeyMode::Command;
  StartRecord();
  EXPECT_EQ(Msgs.WarnMsg.TakeAndClear(), "Record aborted; no seq(s) selected");
  EXPECT_EQ(Keys.KeyMode, TKeyMode::Live);

  FillCycle(0, 1);
  Play(1);
  Seqs.PartBufs[0][1].Selected = 1;
  Keys.KeyMode = TKeyMode::Command;
  StartRecord();
  EXPECT_EQ(Msgs.WarnMsg.TakeAndClear(), "Record aborted; seq(s) must be stopped first");
  EXPECT_EQ(Keys.KeyMode, TKeyMode::Live);

  static int resets;
  static bool stepMode;
  resets = 0;
  EngineHooks.ResetRecKeys = [](bool step) {
    ++resets;
    stepMode = step;
  };
  Seqs.PartBufs[0][2].Selected = 1;
  Seqs.SeqRecs[2].PartSweepOn = 1;
  Seqs.SeqRecs[2].SelPart = 1;
  Live.PortSweep.On = 1;
  Transport.RecActive = 1;
  Transport.RecBeatCount = 3;
  StartRecord();
  EXPECT_EQ(Seqs.PartBufs[0][2].SeqState, TSeqState::RecPrimed);
  EXPECT_EQ(Seqs.PartBufs[0][2].RecChanged, 1);
  EXPECT_EQ(Seqs.SeqRecs[2].PartSweepOn, 0);
  EXPECT_EQ(Seqs.SeqRecs[2].SelPart, 0);
  EXPECT_EQ(Live.PortSweep.On, 0);
  EXPECT_EQ(Transport.RecActive, 0);
  EXPECT_EQ(Transport.RecBeatCount, 0);
  EXPECT_EQ(resets, 1);
  EXPECT_FALSE(stepMode);
  EXPECT_EQ(Keys.KeyMode, TKeyMode::Record);
  EXPECT_TRUE(Msgs.WarnMsg.IsEmpty());

  Transport.RecStepMode = 1;
  ResetRecordState();
  EXPECT_TRUE(stepMode);
  EXPECT_EQ(Keys.KeyMode, TKeyMode::StepRecord);
}

TEST_F(TransportTest, ARawRecordingStartsTheSyncOutputsAndTheirStopFollowsTheTake) {
  Cfg.MidiOutSyncEnabled[1] = 1;
  Transport.RecRawMode = 1;
  Seqs.PartBufs[0][0].SeqState = TSeqState::RecPrimed;
  PlayCycle.TicksToBarEnd = 77;
  ResetRecordState();
  EXPECT_EQ(SentHex(1), std::vector<std::string>{"FA"});
  EXPECT_EQ(Transport.RecStartedClock, 1);
  EXPECT_EQ(PlayCycle.TicksToBarEnd, 15360);  // nothing played: the bar count starts again
  ResetRecordState();
  EXPECT_EQ(SentHex(1).size(), 1u);  // once per take

  Ticks(5);  // primed for recording: no stop yet
  EXPECT_EQ(SentHex(1).size(), 1u);
  Seqs.PartBufs[0][0].SeqState = TSeqState::Stopped;
  ResetRecBarCount();
  EXPECT_EQ(Transport.RecRawMode, 0);
  EXPECT_EQ(Transport.RecBarCount, -1);
  Ticks(2);
  EXPECT_EQ(SentHex(1), (std::vector<std::string>{"FA", "FC"}));
  EXPECT_EQ(Transport.RecStartedClock, 0);
}

TEST_F(TransportTest, TheLiveSweepsStepOncePerMetronomePattern) {
  Cfg.MetrBars = 2;
  RunCtl.LivePort = 1;
  Live.Chan[1] = 2;
  Cfg.MChanEnabled[1] = 1;
  Cfg.MChanMin[1] = 3;
  Cfg.MChanMax[1] = 5;
  Live.SVelSweep = {1, 3, 5, 0, 1};
  Live.SVel = 4;
  Live.ChanSweep = {1, 2, 3, 0, 0};
  Live.TempoSweep = {1, 12000, 14000, 0, 0};
  Cfg.LnTempoStep = 5;
  RecalcBarSettings();
  EXPECT_EQ(Transport.MetrBarCount, 2);
  EXPECT_EQ(Live.SVel, 4);
  RecalcBarSettings();
  EXPECT_EQ(Transport.MetrBarCount, 1);
  EXPECT_EQ(Live.SVel, 5);
  EXPECT_EQ(Live.SVelSweep.Dir, 1);
  EXPECT_EQ(Live.Chan[1], 3);
  EXPECT_EQ(Live.MChanApplies, 1);
  EXPECT_EQ(Cfg.TargetTempo, 12500);
  EXPECT_EQ(Cfg.Tempo, 12000);  // no glide, but the timer moves it

  Live.ProgSweep = {1, 0, 9, 0, 0};
  PlayCycle.PortChanProgs[1][3] = {8, 8, 1, 0};
  PlayCycle.PortChanProgs[1][4] = {2, 2, 1, 0};
  PlayCycle.PortChanProgs[1][5] = {9, 9, 1, 0};
  Live.ChanSweep.On = 0;
  Live.SVelSweep.On = 0;
  Transport.MetrBarCount = 2;
  RecalcBarSettings();
  EXPECT_EQ(ReadLiveFifo(), 0x09C3u);
  EXPECT_EQ(ReadLiveFifo(), 0x03C4u);
  EXPECT_EQ(ReadLiveFifo(), 0x00C5u);
  EXPECT_EQ(PlayCycle.PortChanProgs[1][5].ProgSent, 0);

  Live.PortSweep = {1, 0, 2, 0, 0};
  Live.ProgSweep.On = 0;
  Transport.MetrBarCount = 2;
  RecalcBarSettings();
  EXPECT_EQ(RunCtl.LivePort, 2);
  StopLiveSweeps();
  EXPECT_EQ(Live.PortSweep.On, 0);
  EXPECT_EQ(Live.TempoSweep.On, 1);
}

TEST_F(TransportTest, TheMetronomeSeqRestartsItsChainAndTakesAPendingRebuildAtItsEnd) {
  static int restarts;
  restarts = 0;
  EngineHooks.RestartStyleChain = [] { ++restarts; };
  Cfg.MetrSeqNo = 1;
  Cfg.MetrModeStyles = 1;
  // Randomised velocities would ask for a rebuild at every end of part.
  const int32_t velVar = BassStore.VelVar;
  BassStore.VelVar = 0;
  FillCycle(0, 1);
  Play(1);
  Metr.MetrRebuildPending = 1;
  Ticks(500);  // the end of its part: rebuilt for the next cycle, a bass style bar of 2000 ms
  EXPECT_EQ(Metr.MetrRebuildPending, 0);
  EXPECT_EQ(Seqs.PartBufs[0][1].SeqState, TSeqState::Playing);

  Seqs.PartBufs[0][1].SeqState = TSeqState::StopPrimed;
  Seqs.SeqRecs[1].PartSweepOn = 1;
  Metr.MetrRebuildPending = 1;
  Ticks(2100);
  EXPECT_EQ(Seqs.PartBufs[0][1].SeqState, TSeqState::Stopped);
  EXPECT_EQ(restarts, 1);
  EXPECT_EQ(Metr.MetrRebuildPending, 0);
  EXPECT_EQ(Seqs.SeqRecs[1].PartSweepOn, 0);

  // A part change of the metronome seq rebuilds its new part: at once when that part is stopped,
  // else at its end.
  Metr.MetrRebuildPending = 1;
  HandlePartChange(0, 1, 1);
  EXPECT_EQ(Metr.MetrRebuildPending, 0);
  Seqs.PartBufs[0][1].SeqState = TSeqState::Playing;
  HandlePartChange(1, 0, 1);
  EXPECT_EQ(Metr.MetrRebuildPending, 1);
  Metr.MetrRebuildPending = 0;
  HandlePartChange(0, 1, 2);  // another seq's part change leaves the metronome alone
  EXPECT_EQ(Metr.MetrRebuildPending, 0);

  Seqs.PartBufs[0][1].SeqState = TSeqState::Playing;
  EXPECT_TRUE(RequestMetrRebuild());
  EXPECT_EQ(Metr.MetrRebuildPending, 1);
  Cfg.MetrSeqNo = -1;
  EXPECT_FALSE(RequestMetrRebuild());
  BassStore.VelVar = velVar;
}

}  // namespace
}  // namespace vel
