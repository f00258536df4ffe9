// Style bars: the drum and bass builders, flams, grace notes, ties and accents, randomised
// velocities, empty and overfull bars, and the chains and breaks as the metronome plays them.
#include <gtest/gtest.h>

#if defined(__has_include) && __has_include(<malloc.h>)
#include <malloc.h>
#endif

#include <vector>

#include "engine/MetronomeTestState.h"

namespace vel {
namespace {

using test::kEnd;
using test::Off;
using test::On;
using test::PartEvents;
using test::PartEvs;

// Row notes of the factory maps used below.
constexpr uint32_t kCH = 42;  // drum row 3
constexpr uint32_t kSD = 38;  // drum row 8
constexpr uint32_t kBD = 36;  // drum row 15
constexpr uint32_t kB3 = 48;  // bass row 3
constexpr uint32_t kB8 = 43;  // bass row 8
constexpr uint32_t kB15 = 36;

class MetronomeDrumTest : public test::MetronomeTest {
 protected:
  void SetUp() override {
    MetronomeTest::SetUp();
    UseDrumStyle();
  }
};

class MetronomeBassTest : public test::MetronomeTest {
 protected:
  void SetUp() override {
    MetronomeTest::SetUp();
    UseBassStyle();
  }
};

// "Rock" main: closed hi-hat on the eighths, snare on 2 and 4, bass drum on 1, 1+, 3, 3+; sixteen
// steps of 960 ticks, notes of 120, velocity 80.
TEST_F(MetronomeDrumTest, FactoryMainBarPlaysThePatternOnTheDrumChannel) {
  Seqs.PartBufs[0][0].Port = 1;
  BuildMetronomeBar(0, false);
  EXPECT_EQ(PartEvents(0, 0),
            (PartEvs{{0, On(kCH, 80)},    {0, On(kBD, 80)},    {120, Off(kCH)},      {120, Off(kBD)},
                     {1920, On(kCH, 80)}, {1920, On(kBD, 80)}, {2040, Off(kCH)},     {2040, Off(kBD)},
                     {3840, On(kCH, 80)}, {3840, On(kSD, 80)}, {3960, Off(kCH)},     {3960, Off(kSD)},
                     {5760, On(kCH, 80)}, {5880, Off(kCH)},    {7680, On(kCH, 80)},  {7680, On(kBD, 80)},
                     {7800, Off(kCH)},    {7800, Off(kBD)},    {9600, On(kCH, 80)},  {9600, On(kBD, 80)},
                     {9720, Off(kCH)},    {9720, Off(kBD)},    {11520, On(kCH, 80)}, {11520, On(kSD, 80)},
                     {11640, Off(kCH)},   {11640, Off(kSD)},   {13440, On(kCH, 80)}, {13560, Off(kCH)},
                     {15360, kEnd},       {15360, kEnd},       {15360, kEnd}}));
  const TPartBuf& b = Seqs.PartBufs[0][0];
  EXPECT_EQ(b.ChanPend, 9);
  EXPECT_EQ(b.Chan[1], 9);
  EXPECT_EQ(b.PitchLocked, 1);
  EXPECT_EQ(DrumStore.BuiltStyle, 0);
  EXPECT_EQ(DrumStore.BuiltPat, 0);
  EXPECT_EQ(Metr.DrumPatCopy.StepsPerWhole, 16);
  EXPECT_EQ(Showing.MetrDrumChanged, 1);  // the copy is fresh
  EXPECT_EQ(Metr.MetrRebuildPending, 0);  // no chain, no variation: nothing to do at the part end
  EXPECT_EQ(Metr.MetrRebuilt, 1);
}

TEST_F(MetronomeDrumTest, FlamsPlayLateInTheStepAndNeverReachPastTheGap) {
  // Flam speed 60: the flam lasts 40 percent of the 840-tick gap and ends with its step.
  SetOnlyRows(DrumStore, {{8, "f...b...t......."}});
  BuildMetronomeBar(0, false);
  EXPECT_EQ(PartEvents(0, 0), (PartEvs{{624, On(kSD, 80)},
                                       {960, Off(kSD)},
                                       {3840, On(kSD, 80)},
                                       {3960, Off(kSD)},
                                       {4464, On(kSD, 80)},
                                       {4800, Off(kSD)},
                                       {15360, kEnd}}));  // a drum "t" is no note

  // Flams off: "f" is silent and "b" a plain note.
  DrumStore.FlamSpeed = 100;
  ASSERT_TRUE(RequestMetrRebuild());
  EXPECT_EQ(PartEvents(0, 0), (PartEvs{{3840, On(kSD, 80)}, {3960, Off(kSD)}, {15360, kEnd}}));

  // 16 steps to a 2/4 bar are 32nds: a full-speed flam would be twice the 420-tick gap; it is held
  // to the gap, starting where the note ends. The bar takes the pattern's time signature.
  DrumStore.FlamSpeed = 0;
  DrumStore.Patterns[0][0].TSigNum = 2;
  SetOnlyRows(DrumStore, {{8, "fb.............."}});
  ASSERT_TRUE(RequestMetrRebuild());
  EXPECT_EQ(PartEvents(0, 0), (PartEvs{{60, On(kSD, 80)},
                                       {480, Off(kSD)},
                                       {480, On(kSD, 80)},
                                       {540, Off(kSD)},
                                       {540, On(kSD, 80)},
                                       {960, Off(kSD)},
                                       {7680, kEnd}}));
  EXPECT_EQ(Cfg.BeatsPerBar, 2);
  EXPECT_EQ(Transport.ActBar.BarTicks, 7680);
  EXPECT_EQ(Metr.DrumPatCopy.StepsPerWhole, 32);
}

TEST_F(MetronomeDrumTest, AccentedStepsTakeTheAccentVelocityButTheirFlamsDoNot) {
  SetOnlyRows(DrumStore, {{0, "x.......x......."}, {3, "x.x.....b......."}});
  DrumStore.RowAccVel[2] = 110;
  BuildMetronomeBar(0, false);
  EXPECT_EQ(NoteOns(),
            (PartEvs{{0, On(kCH, 110)}, {1920, On(kCH, 80)}, {7680, On(kCH, 110)}, {8304, On(kCH, 80)}}));

  DrumStore.AccentEnabled = 0;
  ASSERT_TRUE(RequestMetrRebuild());
  EXPECT_EQ(NoteOns(),
            (PartEvs{{0, On(kCH, 80)}, {1920, On(kCH, 80)}, {7680, On(kCH, 80)}, {8304, On(kCH, 80)}}));
}

TEST_F(MetronomeDrumTest, RowsOffOrEmptyPlayNothingAndAnUnplayablePatternGivesAnEmptyBar) {
  DrumStore.RowOn[2] = 0;   // hi-hat
  DrumStore.RowOn[14] = 0;  // bass drum
  BuildMetronomeBar(0, false);
  EXPECT_EQ(NoteOns(), (PartEvs{{3840, On(kSD, 80)}, {11520, On(kSD, 80)}}));

  DrumStore.RowOn[7] = 0;
  ASSERT_TRUE(RequestMetrRebuild());
  EXPECT_EQ(PartEvents(0, 0), (PartEvs{{15360, kEnd}}));

  // A style that does not exist: an empty bar as long as the last pattern's.
  DrumStore.RowOn.fill(1);
  DrumStore.StyleNo = 7;
  ASSERT_TRUE(RequestMetrRebuild());
  EXPECT_EQ(PartEvents(0, 0), (PartEvs{{15360, kEnd}}));
}

TEST_F(MetronomeDrumTest, PatternsWithOddStepsOrSignaturesNeverDivideByZero) {
  // One step in 7/4: 4/7 of a step per whole note comes out 0 and is taken as 1.
  TStylePattern& p = DrumStore.Patterns[0][0];
  SetOnlyRows(DrumStore, {{8, "x"}}, 1);
  p.TSigNum = 7;
  BuildMetronomeBar(0, false);
  EXPECT_EQ(PartEvents(0, 0), (PartEvs{{0, On(kSD, 80)}, {1920, Off(kSD)}, {15360, kEnd}}));
  EXPECT_EQ(Metr.DrumPatCopy.StepsPerWhole, 1);
  EXPECT_EQ(Cfg.BeatsPerBar, 7);

  // No beats to the bar: the signature is not taken, and the steps count as if over one beat.
  SetOnlyRows(DrumStore, {{8, "x..............."}}, 16);
  p.TSigNum = 0;
  ASSERT_TRUE(RequestMetrRebuild());
  EXPECT_EQ(PartEvents(0, 0), (PartEvs{{0, On(kSD, 80)}, {30, Off(kSD)}, {3840, kEnd}}));
  EXPECT_EQ(Cfg.BeatsPerBar, 7);
}

TEST_F(MetronomeDrumTest, VariedVelocitiesComeFromTheRandomSourceAndAskForARebuildEachCycle) {
  DrumStore.VelVar = 40;
  MetrRandom = [](int32_t n) { return n - 1; };  // the top of the range: + 9
  BuildMetronomeBar(0, false);
  for (const test::PartEv& e : NoteOns()) EXPECT_EQ(e.msg >> 16, 89u) << e.time;
  EXPECT_EQ(NoteOns().size(), 14u);
  EXPECT_EQ(Metr.MetrRebuildPending, 1);
}

TEST_F(MetronomeDrumTest, TheFullestBarFitsThePartWithoutAllocating) {
  // Every row on and full of flammed notes, four bars, varied velocities: 3840 notes and their
  // 60 end markers still fit a part.
  TStylePattern& p = DrumStore.Patterns[0][0];
  for (int r = 0; r < kStyleRows; ++r) SetStyleRow(p, r, "bbbbbbbbbbbbbbbb");
  Cfg.MetrBars = 4;
  DrumStore.VelVar = 100;
  Showing.MetrDrumChanged = 0;
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__) || !__has_include(<malloc.h>)
  BuildMetronomeBar(0, false);
#else
  const std::size_t before = mallinfo2().uordblks;
  BuildMetronomeBar(0, false);
  const std::size_t after = mallinfo2().uordblks;
  EXPECT_EQ(after, before);
#endif
  EXPECT_EQ(Seqs.PartBufs[0][0].EventsUsed, 15 * 4 * 16 * 4 + 15 * 4);
  EXPECT_EQ(Seqs.PartBufs[0][0].PoolFull, 0);
  EXPECT_TRUE(Msgs.WarnMsg.IsEmpty());
  for (const test::PartEv& e : NoteOns()) {
    ASSERT_GE(e.msg >> 16, 1u);
    ASSERT_LE(e.msg >> 16, 127u);
  }
}

// ---------------------------------------------------------------------------------------------------
// Bass

// "Sample1" main: eight steps of 1920 ticks, notes of 75 percent (1440); "t" holds a note into the
// next step, closed at the next rest or at the bar end, where it stands in for the end marker.
TEST_F(MetronomeBassTest, FactoryMainBarTiesNotesAcrossStepsAndToTheBarEnd) {
  Seqs.PartBufs[0][0].PitchLocked = 1;
  BuildMetronomeBar(0, false);
  EXPECT_EQ(PartEvents(0, 0), (PartEvs{{0, On(kB15, 80)},
                                       {3840, On(kB3, 80)},
                                       {3840, Off(kB15)},
                                       {5760, Off(kB3)},
                                       {7680, On(kB8, 80)},
                                       {9120, Off(kB8)},
                                       {9600, On(kB8, 80)},
                                       {11040, Off(kB8)},
                                       {11520, On(kB3, 80)},
                                       {15360, Off(kB3)},
                                       {15360, kEnd},
                                       {15360, kEnd}}));
  EXPECT_EQ(Seqs.PartBufs[0][0].ChanPend, 0);
  EXPECT_EQ(Seqs.PartBufs[0][0].PitchLocked, 0);
  // The marked notes as row-by-row insertion leaves them: the first is row 3's, though row 15
  // plays earlier.
  EXPECT_EQ(Seqs.PartBufs[0][0].FirstNote, 48);
  EXPECT_EQ(Seqs.PartBufs[0][0].LowNote, 36);
  EXPECT_EQ(Seqs.PartBufs[0][0].HighNote, 48);
  EXPECT_EQ(BassStore.BuiltPat, 0);
  EXPECT_EQ(DrumStore.BuiltPat, -1);  // the drum store is not touched
}

TEST_F(MetronomeBassTest, TiesEndAtNotesAtRestsAndAtEachBarEnd) {
  // Grace speed 57: a grace of 412 ticks, sounding 309, starting 68 into the 480-tick gap.
  SetOnlyRows(BassStore, {{3, "tbtf...."}});
  BuildMetronomeBar(0, false);
  EXPECT_EQ(PartEvents(0, 0), (PartEvs{{0, On(kB3, 80)},
                                       {3360, Off(kB3)},  // "b" ends the tie where its note would end
                                       {3428, On(kB3, 80)},
                                       {3737, Off(kB3)},
                                       {3840, On(kB3, 80)},
                                       {5760, Off(kB3)},  // "f" ends it at the step's start
                                       {7268, On(kB3, 80)},
                                       {7577, Off(kB3)},
                                       {15360, kEnd}}));

  Cfg.MetrBars = 2;
  SetOnlyRows(BassStore, {{3, "......tt"}});
  ASSERT_TRUE(RequestMetrRebuild());
  EXPECT_EQ(PartEvents(0, 0),
            (PartEvs{{11520, On(kB3, 80)}, {15360, Off(kB3)}, {26880, On(kB3, 80)}, {30720, Off(kB3)}}));
}

TEST_F(MetronomeBassTest, AGraceLongerThanTheGapShortensTheNoteBeforeIt) {
  // Sixteen steps: 960 ticks, notes of 720, a gap of 240 and a grace of 412.
  SetOnlyRows(BassStore, {{8, "b.f............."}}, 16);
  BuildMetronomeBar(0, false);
  EXPECT_EQ(PartEvents(0, 0), (PartEvs{{0, On(kB8, 80)},
                                       {548, Off(kB8)},
                                       {548, On(kB8, 80)},
                                       {857, Off(kB8)},
                                       {2468, On(kB8, 80)},
                                       {2777, Off(kB8)},
                                       {15360, kEnd}}));

  // A full-speed grace on 32nd steps would outlast its step; it is held to the step, so nothing
  // starts before the step does.
  BassStore.FlamSpeed = 0;
  BassStore.Patterns[0][0].TSigNum = 2;
  ASSERT_TRUE(RequestMetrRebuild());
  EXPECT_EQ(PartEvents(0, 0), (PartEvs{{0, On(kB8, 80)},
                                       {0, Off(kB8)},
                                       {0, On(kB8, 80)},
                                       {360, Off(kB8)},
                                       {960, On(kB8, 80)},
                                       {1320, Off(kB8)},
                                       {7680, kEnd}}));

  // No grace: "b" is a plain note and "f" silent.
  BassStore.FlamSpeed = 100;
  ASSERT_TRUE(RequestMetrRebuild());
  EXPECT_EQ(PartEvents(0, 0), (PartEvs{{0, On(kB8, 80)}, {360, Off(kB8)}, {7680, kEnd}}));
}

TEST_F(MetronomeBassTest, AccentsAndVariationUseTheBassSettings) {
  SetOnlyRows(BassStore, {{0, "x......."}, {15, "x.t....."}});
  BassStore.RowAccVel[14] = 120;
  BassStore.VelVar = 20;
  DrumStore.VelVar = 100;
  MetrRandom = [](int32_t n) { return n == 20 ? 0 : n - 1; };  // 20 gives - 5
  BuildMetronomeBar(0, false);
  EXPECT_EQ(NoteOns(), (PartEvs{{0, On(kB15, 115)}, {3840, On(kB15, 75)}}));
  EXPECT_EQ(Metr.MetrRebuildPending, 1);

  BassStore.AccentEnabled = 0;
  BassStore.VelVar = 0;
  ASSERT_TRUE(RequestMetrRebuild());
  EXPECT_EQ(NoteOns(), (PartEvs{{0, On(kB15, 80)}, {3840, On(kB15, 80)}}));
  EXPECT_EQ(Metr.MetrRebuildPending, 0);
}

// ---------------------------------------------------------------------------------------------------
// Chains and breaks

class MetronomeChainTest : public MetronomeDrumTest {
 protected:
  static void SetChain(TChainStep first, TChainStep second) {
    DrumStore.Chains[0][0] = first;
    DrumStore.Chains[0][1] = second;
  }
  struct Pos {
    int32_t chain, step, pattern;
    bool operator==(const Pos&) const = default;
  };
  static Pos Now() { return {DrumStore.ChainNo, DrumStore.ChainStepNo, DrumStore.BuiltPat}; }
};

// Steps {style 0, pattern 0, twice} and {style 0, pattern 30 (the break), once}, played through the
// timer: each part end builds the next bar.
TEST_F(MetronomeChainTest, TheChainStepsAtEachPartEndAsTheMetronomePlays) {
  SetChain({-1, 0, 0, 2}, {-1, 0, 30, 1});
  EXPECT_TRUE(SetDrumChainMode(true));  // asks for the rebuild: built at once while stopped
  EXPECT_EQ(Now(), (Pos{0, 0, 0}));
  EXPECT_EQ(DrumStore.ChainRepeat, 2);
  EXPECT_EQ(Metr.MetrRebuildPending, 1);
  Play(0);
  std::vector<Pos> bars;
  for (int bar = 2; bar <= 6; ++bar) {
    Ticks(2000);
    bars.push_back(Now());
  }
  EXPECT_EQ(bars, (std::vector<Pos>{{0, 0, 0}, {0, 1, 30}, {0, 0, 0}, {0, 0, 0}, {0, 1, 30}}));
  // The snare of the main bars and the extra one of the break bar (step 13).
  const std::vector<uint32_t> snares = SentNoteOnTimes("99 26");
  EXPECT_EQ(std::vector<uint32_t>(snares.begin(), snares.begin() + 9),
            (std::vector<uint32_t>{500, 1500, 2500, 3500, 4500, 5500, 5625, 6500, 7500}));

  // Stopping at its end restarts the chain from its start, and the stopped bar is built there.
  SeqBuf(0).SeqState = TSeqState::StopPrimed;
  Ticks(2000);
  EXPECT_EQ(SeqBuf(0).SeqState, TSeqState::Stopped);
  EXPECT_EQ(Now(), (Pos{0, 0, 0}));
  EXPECT_EQ(DrumStore.ChainRepeat, 2);
}

TEST_F(MetronomeChainTest, ChainsFallBackToTheStartAndKeepThePatternForAnInvalidStep) {
  // No step with repeats: the chain stays at its start step, whose pattern plays.
  SetChain({-1, 0, 30, 0}, {-1, 0, 0, 0});
  SetDrumChainMode(true);
  EXPECT_EQ(Now(), (Pos{0, 0, 30}));
  BuildMetronomeBar(0, true);
  EXPECT_EQ(Now(), (Pos{0, 0, 30}));

  // A step naming a style that does not exist leaves the current pattern playing.
  SetDrumChainMode(false);
  SetChain({-1, 5, 0, 1}, {-1, 0, 0, 1});
  SetDrumChainMode(true);
  EXPECT_EQ(Now(), (Pos{0, 0, 30}));
  BuildMetronomeBar(0, true);
  EXPECT_EQ(Now(), (Pos{0, 1, 0}));
}

TEST_F(MetronomeChainTest, ABreakPlaysForOneBarThenTheMainReturns) {
  BuildMetronomeBar(0, false);
  ASSERT_TRUE(ArmDrumBreak());
  BuildMetronomeBar(0, true);
  EXPECT_EQ(DrumStore.BuiltPat, 30);
  EXPECT_EQ(DrumStore.BreakActive, 1);
  EXPECT_EQ(Metr.MetrRebuildPending, 1);  // the return is built at the next part end
  EXPECT_EQ(NoteOns().back(), (test::PartEv{13440, On(kBD, 80)}));
  BuildMetronomeBar(0, true);
  EXPECT_EQ(DrumStore.BuiltPat, 0);
  EXPECT_EQ(DrumStore.BreakActive, 0);
  EXPECT_EQ(Metr.MetrRebuildPending, 1);  // the main pattern is taken afresh
  BuildMetronomeBar(0, true);
  EXPECT_EQ(DrumStore.BuiltPat, 0);
  EXPECT_EQ(Metr.MetrRebuildPending, 0);
}

TEST_F(MetronomeChainTest, RestartingTheChainFollowsTheMetronomeType) {
  SetChain({-1, 0, 0, 1}, {-1, 0, 0, 1});
  DrumStore.ChainStepNo = 1;
  BassStore.ChainStepNo = 1;
  Cfg.MetrTypePitchLocked = 0;
  Topics.Clear();
  EngineHooks.RestartStyleChain();
  EXPECT_EQ(BassStore.ChainStepNo, -1);
  EXPECT_EQ(DrumStore.ChainStepNo, 1);
  EXPECT_EQ(Topics.TakeAll(), TTopicSet::Bit(TTopic::BassChain));
  Cfg.MetrTypePitchLocked = 1;
  EngineHooks.RestartStyleChain();
  EXPECT_EQ(DrumStore.ChainStepNo, -1);
  EXPECT_EQ(Topics.TakeAll(), TTopicSet::Bit(TTopic::DrumChain));
}

// A metronome rebuilt at every part end (varied velocities) counts bars and steps the live sweeps
// exactly as one that is never rebuilt.
TEST_F(MetronomeChainTest, RebuildingEachCycleStepsBarsAndSweepsOncePerBar) {
  for (int32_t varied : {0, 40}) {
    SCOPED_TRACE(varied);
    DrumStore.VelVar = varied;
    ASSERT_TRUE(RequestMetrRebuild());
    Play(0);
    PlayCycle.BarNo = 0;
    Live.SVel = 1;
    Live.SVelSweep = {1, 1, 9, 0, 0};
    Transport.MetrBarCount = 1;
    Ticks(6001);
    EXPECT_EQ(PlayCycle.BarNo, 3);
    EXPECT_EQ(Live.SVel, 4);
    EXPECT_EQ(Transport.MetrBarCount, 1);
    EXPECT_EQ(Metr.MetrRebuildPending, varied ? 1 : 0);
    SeqBuf(0).SeqState = TSeqState::Stopped;
    Metr.MetrRebuildPending = 0;
  }
}

}  // namespace
}  // namespace vel
