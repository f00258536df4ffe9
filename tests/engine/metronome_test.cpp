// The plain click bar, the rebuild requests and when they happen, the bar settings a build takes,
// and the velocity levels and variation.
#include <gtest/gtest.h>

#include <utility>
#include <vector>

#include "engine/MetronomeTestState.h"

namespace vel {
namespace {

using test::kEnd;
using test::Off;
using test::On;
using test::PartEvents;
using test::PartEvs;

// A plain click bar as built: the bar note on the first beat, the beat note on the others, each
// sounding `len` ticks, and the end mark at the bar end.
PartEvs ClickBar(int beats, int32_t beatTicks, int32_t len, std::pair<uint32_t, uint32_t> bar,
                 std::pair<uint32_t, uint32_t> beat) {
  PartEvs out;
  for (int i = 0; i < beats; ++i) {
    const auto [note, vel] = i == 0 ? bar : beat;
    out.push_back({i * beatTicks, On(note, vel)});
    out.push_back({i * beatTicks + len, Off(note)});
  }
  out.push_back({beats * beatTicks, kEnd});
  return out;
}

class MetronomeClickTest : public test::MetronomeTest {
 protected:
  void SetUp() override {
    MetronomeTest::SetUp();
    Cfg.MetrFill = 0;
  }
};

// Drum sounds: bar note F1 (41), beat note FS1 (42), both at level 5 (velocity 70).
TEST_F(MetronomeClickTest, FourFourDrumBarHasItsBarNoteAndThreeBeatsAQuarterApart) {
  Cfg.MetrTypePitchLocked = 1;
  Seqs.PartBufs[0][0].Port = 2;
  BuildMetronomeBar(0, false);
  EXPECT_EQ(PartEvents(0, 0), ClickBar(4, 3840, 480, {41, 70}, {42, 70}));
  const TPartBuf& b = Seqs.PartBufs[0][0];
  EXPECT_EQ(b.ChanPend, 9);
  EXPECT_EQ(b.Chan[2], 9);
  EXPECT_EQ(b.PitchLocked, 1);
  EXPECT_EQ(b.RElap, 15360);
  EXPECT_EQ(Metr.MetrRebuilt, 1);
  EXPECT_EQ(Metr.MetrRebuildPending, 0);
  EXPECT_TRUE(Msgs.WarnMsg.IsEmpty());
}

// Bass sounds: bar note C (24) at level 7 (98), beat note C1 (36) at level 5, 75 percent of a beat.
TEST_F(MetronomeClickTest, BassSoundsLastTheNoteOnPercentAndLeaveThePitchUnlocked) {
  Seqs.PartBufs[0][0].PitchLocked = 1;
  BuildMetronomeBar(0, false);
  EXPECT_EQ(PartEvents(0, 0), ClickBar(4, 3840, 2880, {24, 98}, {36, 70}));
  EXPECT_EQ(Seqs.PartBufs[0][0].ChanPend, 0);
  EXPECT_EQ(Seqs.PartBufs[0][0].PitchLocked, 0);
}

TEST_F(MetronomeClickTest, AFillSplitsOnlyTheLastBeatOfTheLastBar) {
  Cfg.MetrTypePitchLocked = 1;
  Cfg.MetrFill = 1;
  Cfg.MetrBars = 2;
  BuildMetronomeBar(0, false);
  EXPECT_EQ(PartEvents(0, 0),
            (PartEvs{{0, On(41, 70)},    {480, Off(41)},      {3840, On(42, 70)},  {4320, Off(42)},
                     {7680, On(42, 70)}, {8160, Off(42)},     {11520, On(42, 70)}, {12000, Off(42)},
                     {15360, kEnd},      {15360, On(41, 70)}, {15840, Off(41)},    {19200, On(42, 70)},
                     {19680, Off(42)},   {23040, On(42, 70)}, {23520, Off(42)},    {26880, On(42, 70)},
                     {27120, Off(42)},   {28800, On(42, 70)}, {29040, Off(42)},    {30720, kEnd}}));
}

// A new time signature reaches the metronome at once while it is stopped: the bar is built in it
// and its bar settings are active straight away.
TEST_F(MetronomeClickTest, ThreeFourAndSevenEightBarsFollowTheTimeSignature) {
  Cfg.MetrTypePitchLocked = 1;
  ASSERT_TRUE(SetTimeSig(3, 4));
  EXPECT_EQ(PartEvents(0, 0), ClickBar(3, 3840, 480, {41, 70}, {42, 70}));
  EXPECT_EQ(Transport.ActBar.BarTicks, 11520);
  EXPECT_EQ(Transport.ActBar.BeatsPerBar, 3);

  ASSERT_TRUE(SetTimeSig(7, 8));  // eighth beats: 1920 ticks, notes of 240
  EXPECT_EQ(PartEvents(0, 0), ClickBar(7, 1920, 240, {41, 70}, {42, 70}));
  EXPECT_EQ(Cfg.MetrNoteLenFrac, 8);
  EXPECT_EQ(Transport.ActBar.BarTicks, 13440);
  EXPECT_EQ(Transport.ActBar.NoteLenFrac, 8);
}

TEST_F(MetronomeClickTest, OddSettingsAreHeldToWorkableValues) {
  Cfg.MetrTypePitchLocked = 1;
  // A beat longer than the bar: still one bar note, a beat long.
  ASSERT_TRUE(SetTimeSig(1, 4));
  Cfg.MetrNoteLenFrac = 2;
  ASSERT_TRUE(RequestMetrRebuild());
  EXPECT_EQ(PartEvents(0, 0), (PartEvs{{0, On(41, 70)}, {960, Off(41)}, {7680, kEnd}}));

  // A beat value of 0 is taken as a whole note rather than divided by.
  ASSERT_TRUE(SetTimeSig(4, 4));
  Cfg.MetrNoteLenFrac = 0;
  ASSERT_TRUE(RequestMetrRebuild());
  EXPECT_EQ(PartEvents(0, 0), (PartEvs{{0, On(41, 70)}, {1920, Off(41)}, {15360, kEnd}}));

  // Bars are 1..4; levels 0..9; a note-on percent above 100 fills the beat and never makes a
  // negative gap; a bar note that names no note keeps its time and sounds nothing.
  Cfg.MetrNoteLenFrac = 4;
  Cfg.MetrTypePitchLocked = 0;
  Cfg.MetrBars = 0;
  Cfg.MetrNoteOnPercent = 150;
  Cfg.MetrBassBarNote = -1;
  Cfg.MetrBassBeatSVel = 12;
  ASSERT_TRUE(RequestMetrRebuild());
  EXPECT_EQ(PartEvents(0, 0), (PartEvs{{3840, On(36, 127)},
                                       {7680, Off(36)},
                                       {7680, On(36, 127)},
                                       {11520, Off(36)},
                                       {11520, On(36, 127)},
                                       {15360, Off(36)},
                                       {15360, kEnd}}));
  Cfg.MetrBars = 9;
  ASSERT_TRUE(RequestMetrRebuild());
  EXPECT_EQ(Seqs.PartBufs[0][0].RElap, 4 * 15360);
}

TEST_F(MetronomeClickTest, AnOverfullBarStopsAtTheFullPartAndWarns) {
  Cfg.MetrTypePitchLocked = 1;
  Cfg.MetrNoteLenFrac = 1 << 20;  // a beat of one tick: 15360 beats to the bar
  BuildMetronomeBar(0, false);
  const TPartBuf& b = Seqs.PartBufs[0][0];
  EXPECT_EQ(b.EventsUsed, kMaxPartEvents);
  EXPECT_EQ(b.PoolFull, 1);
  EXPECT_EQ(Msgs.WarnMsg.Peek(), "Metronome rebuild aborted; buffer overflow");
  EXPECT_EQ(b.ChanPend, 9);  // the part still plays what it holds, on the metronome channel
  EXPECT_EQ(Metr.MetrRebuilt, 1);

  // The next build starts from an empty part again.
  Msgs.WarnMsg.Clear();
  Cfg.MetrNoteLenFrac = 4;
  BuildMetronomeBar(0, false);
  EXPECT_EQ(Seqs.PartBufs[0][0].EventsUsed, 9);
  EXPECT_TRUE(Msgs.WarnMsg.IsEmpty());
}

TEST_F(MetronomeClickTest, WithoutASeqOnlyTheBarSettingsAreTakenAndWithoutAPortNothing) {
  Fill(0, 0, {{0, 0x643C90}, {960, 0x3C80}, {3840, 0xFF}});
  const PartEvs before = PartEvents(0, 0);
  Cfg.BeatsPerBar = 3;
  Cfg.BarTicks = 11520;
  Cfg.MetrSeqNo = -1;
  Metr.MetrRebuildPending = 1;
  BuildMetronomeBar(0, false);
  EXPECT_EQ(Metr.MetrRebuildPending, 0);
  EXPECT_EQ(Transport.ActBar.BarTicks, 11520);
  EXPECT_EQ(Transport.ActBar.BeatsPerBar, 3);
  EXPECT_EQ(PartEvents(0, 0), before);
  EXPECT_EQ(Metr.MetrRebuilt, 0);
  EXPECT_FALSE(RequestMetrRebuild());

  Cfg.MetrSeqNo = 0;
  RunCtl.OutPortsAllocated = -1;
  Metr.MetrRebuildPending = 1;
  BuildMetronomeBar(0, false);
  EXPECT_EQ(Metr.MetrRebuildPending, 0);
  EXPECT_EQ(PartEvents(0, 0), before);
  EXPECT_EQ(Metr.MetrRebuilt, 0);

  // A part outside the seq's two is reported, not built.
  RunCtl.OutPortsAllocated = 2;
  BuildMetronomeBar(2, false);
  EXPECT_EQ(Msgs.ErrMsg.Peek(), "ClearPartBuf error: Unexpected part 2, seq 0");
  EXPECT_EQ(Metr.MetrRebuilt, 0);
}

// The build makes the pending bar settings active; only the bar end steps the metronome bar count
// and the live sweeps.
TEST_F(MetronomeClickTest, ABuildTakesTheBarSettingsButStepsNeitherBarCountNorSweeps) {
  Fill(0, 1, {{0, 0x643C90}, {960, 0x3C80}, {3840, 0xFF}});
  Play(1);  // another seq plays: the beat count is left alone
  Cfg.MetrBars = 2;
  Transport.MetrBarCount = 1;
  Live.SVelSweep = {1, 1, 9, 0, 0};
  Live.SVel = 5;
  PlayCycle.TicksToBarEnd = 1234;
  Cfg.BeatsPerBar = 5;
  Cfg.BarTicks = 19200;
  BuildMetronomeBar(0, false);
  EXPECT_EQ(Transport.ActBar.BarTicks, 19200);
  EXPECT_EQ(Transport.ActBar.BeatsPerBar, 5);
  EXPECT_EQ(Transport.MetrBarCount, 1);
  EXPECT_EQ(Live.SVel, 5);
  EXPECT_EQ(PlayCycle.TicksToBarEnd, 1234);
  EXPECT_EQ(Seqs.PartBufs[0][0].RElap, 2 * 19200);

  // With nothing but the metronome playing, the beat count restarts on the new bar.
  SeqBuf(1).SeqState = TSeqState::Stopped;
  PlayCycle.BeatNo = 3;
  BuildMetronomeBar(0, false);
  EXPECT_EQ(PlayCycle.TicksToBarEnd, 19200);
  EXPECT_EQ(PlayCycle.BeatNo, 1);
  EXPECT_EQ(PlayCycle.BeatChanged, 1);
}

// ---------------------------------------------------------------------------------------------------
// Rebuild requests

TEST_F(MetronomeClickTest, ARequestWhileStoppedBuildsAtOnceAndWhilePlayingAtThePartEnd) {
  Cfg.MetrTypePitchLocked = 1;
  Showing.MetrDrumChanged = 1;
  Showing.MetrBassChanged = 1;
  ASSERT_TRUE(RequestMetrRebuild());
  EXPECT_EQ(PartEvents(0, 0).front(), (test::PartEv{0, On(41, 70)}));
  EXPECT_EQ(Metr.MetrRebuildPending, 0);
  EXPECT_EQ(Showing.MetrDrumChanged, 0);  // the style copies are taken again at the next style build
  EXPECT_EQ(Showing.MetrBassChanged, 0);

  Play(0);
  Cfg.MetrDrumBarNote = 37;
  ASSERT_TRUE(RequestMetrRebuild());
  EXPECT_EQ(Metr.MetrRebuildPending, 1);
  EXPECT_EQ(PartEvents(0, 0).front(), (test::PartEv{0, On(41, 70)}));  // this cycle plays on
  Ticks(2001);
  EXPECT_EQ(Metr.MetrRebuildPending, 0);
  EXPECT_EQ(PartEvents(0, 0).front(), (test::PartEv{0, On(37, 70)}));
  // 3840 ticks a beat at 7.68 ticks a callback: the new bar note goes out with the part end.
  EXPECT_EQ(SentNoteOnTimes("99 29"), (std::vector<uint32_t>{1}));
  EXPECT_EQ(SentNoteOnTimes("99 2A"), (std::vector<uint32_t>{500, 1000, 1500}));
  EXPECT_EQ(SentNoteOnTimes("99 25"), (std::vector<uint32_t>{2000}));

  // Stopping at its end takes a pending rebuild too.
  SeqBuf(0).SeqState = TSeqState::StopPrimed;
  Cfg.MetrDrumBarNote = 39;
  ASSERT_TRUE(RequestMetrRebuild());
  Ticks(2000);
  EXPECT_EQ(SeqBuf(0).SeqState, TSeqState::Stopped);
  EXPECT_EQ(Metr.MetrRebuildPending, 0);
  EXPECT_EQ(PartEvents(0, 0).front(), (test::PartEv{0, On(39, 70)}));
}

// ---------------------------------------------------------------------------------------------------
// Velocities

TEST(MetronomeVelocity, LevelsAndVelocitiesConvertWithinTheirRanges) {
  for (auto [level, vel] : {std::pair{0, 0}, {1, 14}, {5, 70}, {9, 127}, {10, 127}, {-3, 0}})
    EXPECT_EQ(LevelToVel(level), vel) << level;
  for (auto [vel, level] : {std::pair{0, 0}, {14, 0}, {15, 1}, {70, 4}, {127, 9}, {200, 9}, {-1, 0}})
    EXPECT_EQ(VelToLevel(vel), level) << vel;
}

TEST(MetronomeVelocity, RandomisedVelocitiesMoveByHalfTheVariationAtMostAndStayIn1To127) {
  MetrRandom = [](int32_t) { return 0; };
  EXPECT_EQ(RandomiseVel(80, 40), 70);
  EXPECT_EQ(RandomiseVel(1, 100), 1);  // 1 - 25 is held at 1, never 0
  EXPECT_EQ(RandomiseVel(0, 40), 0);   // a silent note stays silent
  EXPECT_EQ(RandomiseVel(80, 1), 80);
  MetrRandom = [](int32_t n) { return n - 1; };
  EXPECT_EQ(RandomiseVel(80, 40), 89);
  EXPECT_EQ(RandomiseVel(127, 100), 127);
  MetrRandom = [](int32_t) { return 1000; };  // a source out of its range is held to it
  EXPECT_EQ(RandomiseVel(80, 40), 89);
  EXPECT_EQ(RandomiseVel(80, 0), 80);
  EXPECT_EQ(RandomiseVel(200, 0), 127);
  DrumStore.VelVar = 40;
  BassStore.VelVar = 0;
  EXPECT_EQ(RandomiseDrumVel(80), 89);
  EXPECT_EQ(RandomiseBassVel(80), 80);

  MetrRandom = &MetrRandomDefault;
  int lo = 127;
  int hi = 0;
  for (int i = 0; i < 20000; ++i) {
    const int v = RandomiseVel(80, 40);
    lo = std::min(lo, v);
    hi = std::max(hi, v);
    const int edge = RandomiseVel(1, 100);
    ASSERT_GE(edge, 1);
    ASSERT_LE(edge, 25);
  }
  EXPECT_EQ(lo, 70);
  EXPECT_EQ(hi, 89);
  DrumStore.VelVar = 40;
  BassStore.VelVar = 40;
}

}  // namespace
}  // namespace vel
