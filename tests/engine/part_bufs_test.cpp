// Part buffers: insertion order, the pool limit, deleting program changes, attribute resets,
// selection and state tests, the seq states that play, pitch commands.
#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "engine/EngineTestState.h"

namespace vel {
namespace {

using Events = std::vector<std::pair<int32_t, uint32_t>>;

// The part's list walked from Head along Next, checked against the Prev links on the way.
Events List(int part, int seq) {
  const TPartBuf& b = Seqs.PartBufs[part][seq];
  Events out;
  int16_t prev = -1;
  for (int16_t i = b.Head; i >= 0; i = b.Events[i].Next) {
    EXPECT_EQ(b.Events[i].Prev, prev) << "at " << i;
    out.emplace_back(b.Events[i].Time, b.Events[i].Msg);
    prev = i;
  }
  EXPECT_EQ(b.Tail, prev);
  return out;
}

class PartBufsTest : public test::EngineTest {};

TEST_F(PartBufsTest, InsertKeepsTimeOrderAndInsertionOrderForEqualTimes) {
  ASSERT_TRUE(InsertPartEvent(1, 2, 0x00643C90, 100, true));
  ASSERT_TRUE(InsertPartEvent(1, 2, 0x00644090, 100, true));  // same time: after the first
  ASSERT_TRUE(InsertPartEvent(1, 2, 0xAB003C80, 500, true));  // top byte dropped
  ASSERT_TRUE(InsertPartEvent(1, 2, 0x00644390, 100, true));  // after both earlier 100s
  ASSERT_TRUE(InsertPartEvent(1, 2, 0x00000AB0, 300, false));
  EXPECT_EQ(List(1, 2),
            (Events{{100, 0x643C90}, {100, 0x644090}, {100, 0x644390}, {300, 0xAB0}, {500, 0x3C80}}));
  const TPartBuf& b = Seqs.PartBufs[1][2];
  EXPECT_EQ(b.RElap, 500);
  EXPECT_EQ(b.EventsUsed, 5);
  EXPECT_EQ(b.EventsPeak, 4);
  EXPECT_EQ(b.PlayEvIndex, 0);
  EXPECT_EQ(b.FirstNote, 0x3C);
  EXPECT_EQ(b.LowNote, 0x3C);
  EXPECT_EQ(b.HighNote, 0x43);

  // Earlier than all: the new head is where play starts.
  ASSERT_TRUE(InsertPartEvent(1, 2, 0x00643090, 0, true));
  EXPECT_EQ(b.Head, 5);
  EXPECT_EQ(b.PlayEvIndex, 5);
  EXPECT_EQ(b.LowNote, 0x30);
  EXPECT_EQ(b.FirstNote, 0x3C);
  EXPECT_EQ(b.RElap, 500);
  EXPECT_EQ(List(1, 2).front(), (std::pair<int32_t, uint32_t>{0, 0x643090}));
}

// The usage report leaves out a part whose peak is below 0: one never written since the reset.
TEST_F(PartBufsTest, EventsPeakRisesFromNoneAndOutlivesAClear) {
  const TPartBuf& b = Seqs.PartBufs[0][1];
  EXPECT_EQ(b.EventsPeak, -1);
  ASSERT_TRUE(InsertPartEvent(0, 1, 0x643C90, 0, false));
  EXPECT_EQ(b.EventsPeak, 0);
  ASSERT_TRUE(InsertPartEvent(0, 1, 0x3C80, 10, false));
  EXPECT_EQ(b.EventsPeak, 1);
  ClearPartBuf(0, 1);
  ASSERT_TRUE(InsertPartEvent(0, 1, 0x643C90, 0, false));
  EXPECT_EQ(b.EventsPeak, 1);
}

TEST_F(PartBufsTest, A4999EventPartRefusesTheNextUntilCleared) {
  for (int i = 0; i < kMaxPartEvents; ++i) ASSERT_TRUE(InsertPartEvent(0, 0, 0x643C90, i, false)) << i;
  TPartBuf& b = Seqs.PartBufs[0][0];
  EXPECT_EQ(b.EventsUsed, 4999);
  EXPECT_EQ(b.PoolFull, 0);
  EXPECT_FALSE(InsertPartEvent(0, 0, 0x643C90, 99999, false));
  EXPECT_EQ(b.PoolFull, 1);
  EXPECT_FALSE(InsertPartEvent(0, 0, 0x643C90, 0, false));
  EXPECT_EQ(b.EventsUsed, 4999);
  EXPECT_EQ(b.RElap, 4998);

  b.Act.SVel = 3;
  b.Port = 2;
  ClearPartBuf(0, 0);
  EXPECT_EQ(b.Head, -1);
  EXPECT_EQ(b.EventsUsed, 0);
  EXPECT_EQ(b.PoolFull, 0);
  EXPECT_EQ(b.Tail, 4998);  // left as it was
  EXPECT_EQ(b.EventsPeak, 4998);
  EXPECT_EQ(b.Act.SVel, 3);
  EXPECT_EQ(b.Port, 2);
  EXPECT_EQ(Seqs.SeqGridRedraw, 1);
  EXPECT_TRUE(InsertPartEvent(0, 0, 0x643C90, 7, false));
  EXPECT_EQ(List(0, 0), (Events{{7, 0x643C90}}));
}

TEST_F(PartBufsTest, DeleteProgChangesUnlinksThemAndKeepsLengthAndPool) {
  Trace.DiagFlags = 1;
  Fill(0, 1, {{0, 0x05C1}, {0, 0x643C91}, {10, 0x07C1}, {20, 0x3C81}, {30, 0x09C1}});
  DeleteProgChanges(0, 1);
  EXPECT_EQ(List(0, 1), (Events{{0, 0x643C91}, {20, 0x3C81}}));
  const TPartBuf& b = Seqs.PartBufs[0][1];
  EXPECT_EQ(b.RElap, 30);
  EXPECT_EQ(b.EventsUsed, 5);
  std::string line;
  ASSERT_TRUE(ReadDiagMsgsFifo(line));
  EXPECT_EQ(line, "Seq:2, Part:1, Prog changes deleted: 3");
  DeleteProgChanges(0, 1);
  EXPECT_FALSE(ReadDiagMsgsFifo(line));  // nothing removed, nothing posted
}

TEST_F(PartBufsTest, DeleteProgChangesMovesAStoppedSeqsPlayIndexOn) {
  Fill(0, 0, {{0, 0x643C90}, {10, 0x05C0}, {20, 0x3C80}});
  Seqs.PartBufs[0][0].PlayEvIndex = 1;
  DeleteProgChanges(0, 0);
  EXPECT_EQ(Seqs.PartBufs[0][0].PlayEvIndex, 2);

  Fill(0, 1, {{0, 0x05C0}});
  DeleteProgChanges(0, 1);
  EXPECT_EQ(Seqs.PartBufs[0][1].Head, -1);
  EXPECT_EQ(Seqs.PartBufs[0][1].PlayEvIndex, -1);
}

TEST_F(PartBufsTest, DeletingThePendingProgChangeOfAPlayingSeqKeepsItsTiming) {
  // note at 0, program change pending at 100, note-off at 200, end marker at 3840.
  Fill(0, 0, {{0, 0x643C90}, {100, 0x05C0}, {200, 0x3C80}, {3840, 0xFF}});
  Play(0);
  Ticks(1);  // 7 ticks: the note-on went out, the program change is pending
  ASSERT_EQ(Seqs.PartBufs[0][0].PlayEvIndex, 1);
  DeleteProgChanges(0, 0);
  EXPECT_EQ(Seqs.PartBufs[0][0].PlayEvIndex, 2);
  // The note-off is still due at tick 200: callback ceil(20000/768) = 27.
  Ticks(29);
  EXPECT_EQ(Sent(), (std::vector<test::SentMsg>{{1, "90 3C 64"}, {27, "80 3C 00"}}));
}

TEST_F(PartBufsTest, DeletingAPendingLastProgChangeStillWrapsOnTime) {
  Fill(0, 0, {{0, 0x643C90}, {200, 0x3C80}, {3840, 0x05C0}});
  Play(0);
  Ticks(30);
  ASSERT_EQ(Seqs.PartBufs[0][0].PlayEvIndex, 2);
  DeleteProgChanges(0, 0);
  EXPECT_EQ(Seqs.PartBufs[0][0].Tail, 1);
  // The cycle still ends at 3840 ticks (callback 500), nothing of the program change is sent.
  Ticks(500 - 30);
  EXPECT_EQ(Sent(), (std::vector<test::SentMsg>{{1, "90 3C 64"}, {27, "80 3C 00"}, {500, "90 3C 64"}}));
}

TEST_F(PartBufsTest, ResetSeqAttribsKeepsScaleMuteAndLockUnlessFull) {
  static const TScaleTbl tbl{};
  TPartBuf& b = Seqs.PartBufs[1][3];
  Fill(1, 3, {{0, 0x643C90}, {10, 0x3C80}});
  b.PlayEvIndex = 1;
  b.Pend.SVel = b.Act.SVel = 2;
  b.Pend.Muted = b.Act.Muted = 1;
  b.Pend.ScaleTbl = b.Act.ScaleTbl = &tbl;
  b.Pend.FtsType = b.Act.FtsType = 9;
  b.PitchLocked = 1;
  b.Pend.Transpose = 5;
  b.Act.Transpose = 5;
  b.PlayCycles = 4;
  b.ProgSweep.On = 1;
  b.TimeShift = 30;
  b.EndCycleNow = 1;
  b.LightNoteOn = 1;
  Seqs.SeqRecs[3].PartSweepOn = 1;
  ResetSeqAttribs(1, 3, false);
  EXPECT_EQ(b.Act.SVel, 2);
  EXPECT_EQ(b.Act.Muted, 1);
  EXPECT_EQ(b.Act.ScaleTbl, &tbl);
  EXPECT_EQ(b.PitchLocked, 1);
  EXPECT_EQ(b.Pend.Transpose, 0);
  EXPECT_EQ(b.Act.Transpose, 5);  // the next start of cycle copies it
  EXPECT_EQ(b.PlayCycles, 0);
  EXPECT_EQ(b.ProgSweep.On, 0);
  EXPECT_EQ(b.TimeShift, 0);
  EXPECT_EQ(b.EndCycleNow, 0);
  EXPECT_EQ(b.LightNoteOn, 0);
  EXPECT_EQ(b.PlayEvIndex, 0);
  EXPECT_EQ(Seqs.SeqRecs[3].PartSweepOn, 0);

  ResetSeqAttribs(1, 3, true);
  EXPECT_EQ(b.Pend.SVel, 5);
  EXPECT_EQ(b.Act.SVel, 5);
  EXPECT_EQ(b.Act.Muted, 0);
  EXPECT_EQ(b.Act.ScaleTbl, nullptr);
  EXPECT_EQ(b.Act.FtsType, kFtsTypeOff);
  EXPECT_EQ(b.PitchLocked, 0);
}

TEST_F(PartBufsTest, SelectionAndStateTestsLookAtThePlayingPartOfSeqsInUse) {
  Cfg.MaxActiveSeqs = 1;
  Seqs.SeqRecs[1].PlayPart = 1;
  EXPECT_FALSE(AnySeqSelected());
  ToggleSeqSelected(1);
  EXPECT_EQ(Seqs.PartBufs[1][1].Selected, 1);
  EXPECT_EQ(Seqs.PartBufs[1][1].SelChanged, 1);
  EXPECT_TRUE(AnySeqSelected());
  EXPECT_FALSE(AllSeqsSelected());
  Seqs.PartBufs[0][2].Selected = 0;  // seq 3 is not in use
  SelectAllSeqs();
  EXPECT_TRUE(AllSeqsSelected());
  EXPECT_EQ(Seqs.PartBufs[0][2].Selected, 0);

  SaveSeqSelection();
  ToggleSeqSelected(0);
  RestoreSeqSelection();
  EXPECT_EQ(Seqs.PartBufs[0][0].Selected, 1);

  EXPECT_TRUE(NoSeqPlaying());
  EXPECT_TRUE(AllSeqsStopped());
  Seqs.PartBufs[1][1].SeqState = TSeqState::Recording;
  EXPECT_TRUE(NoSeqPlaying());
  EXPECT_FALSE(AllSeqsStopped());
  EXPECT_FALSE(SelectedSeqsStopped());
  Seqs.PartBufs[0][1].SeqState = TSeqState::Playing;  // not the playing part
  Seqs.PartBufs[0][0].SeqState = TSeqState::StopPrimed;
  EXPECT_FALSE(NoSeqPlaying());
  Cfg.MetrSeqNo = 0;
  EXPECT_TRUE(NoSeqPlayingButMetr());

  Cfg.MaxActiveSeqs = -1;
  EXPECT_TRUE(NoSeqPlaying());
  EXPECT_TRUE(AllSeqsStopped());
  EXPECT_TRUE(SelectedSeqsStopped());
  EXPECT_FALSE(AnySeqSelected());
  EXPECT_TRUE(AllSeqsSelected());
}

TEST(SeqStateTest, ThePlayStatesUpToStopPrimedArePlaying) {
  const std::pair<TSeqState, bool> table[] = {
      {TSeqState::PlayPrimed, true}, {TSeqState::Playing, true},    {TSeqState::PlayMutedPrimed, true},
      {TSeqState::PlayMuted, true},  {TSeqState::StopPrimed, true}, {TSeqState::Stopped, false},
      {TSeqState::RecPrimed, false}, {TSeqState::Recording, false},
  };
  for (auto [state, playing] : table) EXPECT_EQ(IsPlaying(state), playing) << static_cast<int>(state);
}

class SeqPitchTest : public test::EngineTest {
 protected:
  void SetUp() override {
    EngineTest::SetUp();
    for (int s = 0; s < kSeqs; ++s) Fill(0, s, {{0, 0x643C90}, {10, 0x3C80}});
    Seqs.PartBufs[0][0].Selected = 1;
    Seqs.PartBufs[0][1].Selected = 1;
  }
};

TEST_F(SeqPitchTest, AbsoluteAndOctaveChangesCountFromThePitchBase) {
  Seqs.PartBufs[0][1].PitchBase = 2;
  Seqs.PartBufs[0][1].Pend.Transpose = 4;
  SetSeqPitch(true, 7, false);
  EXPECT_EQ(Seqs.PartBufs[0][0].Pend.Transpose, 7);
  EXPECT_EQ(Seqs.PartBufs[0][1].Pend.Transpose, 9);
  EXPECT_EQ(Seqs.PartBufs[0][2].Pend.Transpose, 0);  // not selected
  EXPECT_EQ(Seqs.PartBufs[0][0].Act.Transpose, 0);   // the playing part waits for its next cycle
  SetSeqPitch(false, 0, true);
  EXPECT_EQ(Seqs.PartBufs[0][0].Pend.Transpose, 19);
  SetSeqPitch(false, 0, false);
  SetSeqPitch(false, 0, false);
  EXPECT_EQ(Seqs.PartBufs[0][1].Pend.Transpose, -3);
}

TEST_F(SeqPitchTest, APitchLockedPartIsLeftAlone) {
  Seqs.PartBufs[0][0].PitchLocked = 1;
  Seqs.PartBufs[0][0].Pend.Transpose = 3;
  SetSeqPitch(true, 12, false);
  EXPECT_EQ(Seqs.PartBufs[0][0].Pend.Transpose, 3);
  EXPECT_EQ(Seqs.PartBufs[0][1].Pend.Transpose, 12);
}

TEST_F(SeqPitchTest, TheLiveOutputIsFlushedThenChanged) {
  Live.Selected = 1;
  Live.TransposeBase = -1;
  Live.Pitch = 1;
  LiveNoteOnCounter.Counts[0][60] = 1;
  SetSeqPitch(false, 0, true);
  EXPECT_EQ(Live.Pitch, 13);
  EXPECT_EQ(SentHex(), std::vector<std::string>{"80 3C 00"});
  Live.PitchLocked = 1;
  SetSeqPitch(true, 5, false);
  EXPECT_EQ(Live.Pitch, 13);
}

TEST_F(SeqPitchTest, APartSweepChangesEveryPartInItsRangeAndTheOthersAtOnce) {
  Seqs.SeqRecs[0].PartSweepOn = 1;
  Seqs.SeqRecs[0].PartSweepLow = 0;
  Seqs.SeqRecs[0].PartSweepHigh = 1;
  SetSeqPitch(true, 5, false);
  EXPECT_EQ(Seqs.PartBufs[0][0].Pend.Transpose, 5);
  EXPECT_EQ(Seqs.PartBufs[0][0].Act.Transpose, 0);
  EXPECT_EQ(Seqs.PartBufs[1][0].Pend.Transpose, 5);
  EXPECT_EQ(Seqs.PartBufs[1][0].Act.Transpose, 5);
}

TEST_F(SeqPitchTest, PitchCyclesAlternateTheOldAndTheNewTranspose) {
  Keys.PitchCyclesN = 1;
  Keys.PitchCycles = 2;
  Seqs.PartBufs[0][0].Act.Transpose = Seqs.PartBufs[0][0].Pend.Transpose = 3;
  Seqs.PartBufs[0][1].SeqState = TSeqState::Playing;
  SetSeqPitch(true, 10, false);
  const TPartBuf& b = Seqs.PartBufs[0][0];
  EXPECT_EQ(b.PitchCycles, 2);
  EXPECT_EQ(b.PitchCyclesRem, 2);  // stopped: N
  EXPECT_EQ(Seqs.PartBufs[0][1].PitchCyclesRem, 3);
  EXPECT_EQ(b.PitchCycleTransA, 3);
  EXPECT_EQ(b.PitchCycleTransB, 10);
  EXPECT_EQ(b.Pend.Transpose, 10);
  EXPECT_EQ(b.PitchCycleSel, 0);

  // A plain command while cycling moves both, keeping their distance.
  Keys.PitchCyclesN = 0;
  SetSeqPitch(false, 0, true);
  EXPECT_EQ(b.PitchCycleTransA, 15);
  EXPECT_EQ(b.PitchCycleTransB, 22);

  // A cycle command with no count ends the cycling.
  Keys.PitchCyclesNN = 1;
  Keys.PitchCycles = 0;
  SetSeqPitch(true, 1, false);
  EXPECT_EQ(b.PitchCycles, 0);
  EXPECT_EQ(b.Pend.Transpose, 1);
}

TEST_F(SeqPitchTest, SplitZonesChangeTheirOffsetsAndSharedMarkedNotes) {
  TPartBuf& b = Seqs.PartBufs[0][0];
  b.LowNote = 40;
  b.HighNote = 70;
  b.FirstNote = 40;
  Keys.PitchZoneSel = {1, 0, 0};
  SetSeqPitch(true, -5, false);
  EXPECT_EQ(b.Pend.LowNoteOffs, -5);
  EXPECT_EQ(b.Pend.FirstNoteOffs, -5);  // the same note
  EXPECT_EQ(b.Pend.HighNoteOffs, 0);
  EXPECT_EQ(b.Pend.Transpose, 0);
}

}  // namespace
}  // namespace vel
