#include <gtest/gtest.h>

#include <tuple>
#include <vector>

#include "base/Messages.h"
#include "styles/StyleChains.h"
#include "styles/StyleTestState.h"

namespace vel {
namespace {

// (chain, step, pattern) of one built bar.
using Bar = std::tuple<int32_t, int32_t, int32_t>;

class StyleChainsTest : public ::testing::Test {
 protected:
  void SetUp() override { test::ResetStyleState(); }
  void TearDown() override { test::ClearStyleHooks(); }

  // What the builder does around NextDrumBar: take the pick and record it as built.
  static TStyleBarPick BuildDrumBar(bool fromChain) {
    TStyleBarPick pick = NextDrumBar(fromChain);
    DrumBuiltStyle = pick.Style;
    DrumBuiltPat = pick.Pattern;
    return pick;
  }

  static std::vector<Bar> PlayDrumBars(int count, bool firstFromChain) {
    std::vector<Bar> bars;
    for (int i = 0; i < count; ++i) {
      const TStyleBarPick pick = BuildDrumBar(i > 0 || firstFromChain);
      bars.emplace_back(DrumChainNo, DrumChainStepNo, pick.Pattern);
    }
    return bars;
  }

  // Style 0 with two main and two break patterns.
  static void AddSecondPatterns() {
    DrumStyles[0].LastMain = 1;
    DrumStyles[0].LastBreak = 1;
    DrumPatterns[0][1] = DrumPatterns[0][0];
    DrumPatterns[0][1].Name = "Main2";
    DrumPatterns[0][31] = DrumPatterns[0][30];
    DrumPatterns[0][31].Name = "Break2";
  }
};

TEST_F(StyleChainsTest, ChainPlaysEachStepForItsRepeats) {
  DrumChains[0][0] = {-1, 0, 0, 2};
  DrumChains[0][1] = {-1, 0, 30, 1};
  EXPECT_TRUE(SetDrumChainMode(true));
  EXPECT_EQ(DrumChainOn, 1);
  EXPECT_EQ(DrumChainStepNo, -1);
  EXPECT_EQ(test::RebuildRequests, 1);

  // The first bar is built at once (metronome stopped), the rest at each end of its part.
  TStyleBarPick pick = BuildDrumBar(false);
  EXPECT_EQ(pick.Pattern, 0);
  EXPECT_TRUE(pick.Stale);
  EXPECT_TRUE(pick.RebuildPending);
  EXPECT_EQ(pick.Source, &DrumPatterns[0][0]);
  EXPECT_EQ(FmtDrumPatCaption(DrumStyleNo, DrumPatNo), "40-Main1*2");
  EXPECT_EQ(Showing.CfgDrumRefresh, 1);

  pick = BuildDrumBar(true);
  EXPECT_EQ(std::tuple(DrumChainNo, DrumChainStepNo, pick.Pattern), Bar(0, 0, 0));
  EXPECT_FALSE(pick.Stale);
  EXPECT_EQ(FmtDrumPatCaption(DrumStyleNo, DrumPatNo), "40-Main1*1");

  pick = BuildDrumBar(true);
  EXPECT_EQ(std::tuple(DrumChainNo, DrumChainStepNo, pick.Pattern), Bar(0, 1, 30));
  EXPECT_TRUE(pick.Stale);
  EXPECT_EQ(FmtDrumPatCaption(DrumStyleNo, DrumPatNo), "70-Break1*1");

  EXPECT_EQ(PlayDrumBars(4, true), (std::vector<Bar>{{0, 0, 0}, {0, 0, 0}, {0, 1, 30}, {0, 0, 0}}));
}

TEST_F(StyleChainsTest, ChainStartedWhilePlayingBeginsWithTheFullFirstStep) {
  DrumChains[0][0] = {-1, 0, 0, 2};
  DrumChains[0][1] = {-1, 0, 30, 1};
  DrumChainRepeat = 0;  // left over from an earlier run
  SetDrumChainMode(true);
  // The metronome plays: the first chain bar comes at the end of a part.
  EXPECT_EQ(PlayDrumBars(3, true), (std::vector<Bar>{{0, 0, 0}, {0, 0, 0}, {0, 1, 30}}));
}

TEST_F(StyleChainsTest, ChainWithoutActiveStepsFallsBackToTheStartChain) {
  DrumChains[0][0] = {0, 0, 30, 0};  // jumps into chain 0 again
  DrumChains[0][1] = {-1, 0, 0, 0};
  DrumChainNo = 0;
  DrumChainStepNo = 0;
  AdvanceDrumChain();
  EXPECT_EQ(DrumChainNo, 0);
  EXPECT_EQ(DrumChainStepNo, 0);
  EXPECT_EQ(DrumChainRepeat, 0);
  // The jump recorded a return; the fall-back clears every return position.
  EXPECT_EQ(DrumChainReturn[0].Chain, -1);
  EXPECT_EQ(DrumChainReturn[0].Step, -1);

  // Played: every bar restarts at step 0, whose pattern plays.
  DrumChains[0][0].Jump = -1;
  SetDrumChainMode(true);
  EXPECT_EQ(PlayDrumBars(3, false), (std::vector<Bar>{{0, 0, 30}, {0, 0, 30}, {0, 0, 30}}));
  EXPECT_EQ(FmtDrumPatCaption(DrumStyleNo, DrumPatNo), "70-Break1");
}

TEST_F(StyleChainsTest, JumpsRecordWhereToReturnAndTheLastStepReturnsThere) {
  DrumChains[0][0] = {-1, 0, 0, 1};
  DrumChains[0][1] = {0, 0, 30, 1};
  DrumChainStepNo = 1;
  AdvanceDrumChain();
  EXPECT_EQ(DrumChainNo, 0);
  EXPECT_EQ(DrumChainStepNo, 0);
  EXPECT_EQ(DrumChainRepeat, 1);
  EXPECT_EQ(DrumChainReturn[0].Chain, 0);
  EXPECT_EQ(DrumChainReturn[0].Step, 0);  // after the last step comes step 0

  DrumChains[0][0] = {0, 0, 0, 1};
  DrumChainStepNo = 0;
  AdvanceDrumChain();
  EXPECT_EQ(DrumChainReturn[0].Step, 1);

  // At the last step a pending return is taken and consumed.
  DrumChains[0][0] = {-1, 0, 0, 3};
  DrumChains[0][1] = {-1, 0, 30, 1};
  DrumChainReturn[0] = {0, 1};
  DrumChainStepNo = 1;
  AdvanceDrumChain();
  EXPECT_EQ(DrumChainStepNo, 1);
  EXPECT_EQ(DrumChainRepeat, 1);
  EXPECT_EQ(DrumChainReturn[0].Chain, -1);
  AdvanceDrumChain();
  EXPECT_EQ(DrumChainStepNo, 0);
  EXPECT_EQ(DrumChainRepeat, 3);

  // A jump to a chain that does not exist is no jump.
  DrumChains[0][0].Jump = 5;
  DrumChainStepNo = 0;
  AdvanceDrumChain();
  EXPECT_EQ(DrumChainNo, 0);
  EXPECT_EQ(DrumChainStepNo, 1);
}

TEST_F(StyleChainsTest, InvalidStepKeepsTheCurrentPattern) {
  DrumChains[0][0] = {-1, 3, 0, 1};  // style 4 is not defined
  DrumChains[0][1] = {-1, 0, 1, 1};  // nor main pattern 41
  DrumPatNo = 30;
  SetDrumChainMode(true);
  TStyleBarPick pick = BuildDrumBar(false);
  EXPECT_EQ(DrumChainStepNo, 0);
  EXPECT_EQ(pick.Style, 0);
  EXPECT_EQ(pick.Pattern, 30);
  pick = BuildDrumBar(true);
  EXPECT_EQ(DrumChainStepNo, 1);
  EXPECT_EQ(pick.Pattern, 30);
}

TEST_F(StyleChainsTest, ChainStartIsAlwaysAChain) {
  DrumChainReturn[0] = {0, 1};
  SetDrumChainNoStart(0);
  EXPECT_EQ(DrumChainNoStart, 0);
  EXPECT_EQ(DrumChainNo, 0);
  EXPECT_EQ(DrumChainReturn[0].Chain, -1);
  for (int32_t bad : {1, 7, -1}) {
    DrumChainNo = 3;
    SetDrumChainNoStart(bad);
    EXPECT_EQ(DrumChainNoStart, 0) << bad;
    EXPECT_EQ(DrumChainNo, 0) << bad;
  }
  // A position left outside the tables is brought back before it is used.
  DrumChainNoStart = 0;
  DrumChainNo = 4;
  DrumChainStepNo = 9;
  DrumChains[0][1].Repeats = 1;
  AdvanceDrumChain();
  EXPECT_EQ(DrumChainNo, 0);
  EXPECT_EQ(DrumChainStepNo, 1);
  // The bass twin keeps its own start.
  BassChainNo = 0;
  SetBassChainNoStart(-4);
  EXPECT_EQ(BassChainNoStart, 0);
}

TEST_F(StyleChainsTest, ChainModeOnRestartsAndOffReturnsAStartedChain) {
  DrumChains[0][0] = {-1, 0, 0, 1};
  DrumChainStepNo = 1;
  SetDrumChainMode(true);
  EXPECT_EQ(DrumChainStepNo, -1);
  // Off before the first bar: nothing to move.
  EXPECT_FALSE(SetDrumChainMode(false));
  EXPECT_EQ(DrumChainOn, 0);
  EXPECT_EQ(DrumChainStepNo, -1);

  SetDrumChainMode(true);
  BuildDrumBar(false);
  EXPECT_EQ(DrumChainStepNo, 0);
  EXPECT_TRUE(SetDrumChainMode(false));
  EXPECT_EQ(DrumChainNo, 0);
  EXPECT_EQ(DrumChainStepNo, -1);
  EXPECT_EQ(test::RebuildRequests, 2);
}

TEST_F(StyleChainsTest, ResetChainsEmptiesStepsAndStopsChainMode) {
  DrumChains[0][0] = {0, 2, 5, 9};
  DrumChainReturn[0] = {0, 0};
  DrumChainCellStep = 1;
  DrumChainOn = 1;
  DrumChainStepNo = 1;
  BassChainOn = 1;
  ResetDrumChainsAndStart();
  EXPECT_EQ(DrumChains[0][0].Jump, -1);
  EXPECT_EQ(DrumChains[0][0].Style, 0);
  EXPECT_EQ(DrumChains[0][0].Pattern, 0);
  EXPECT_EQ(DrumChains[0][0].Repeats, 0);
  EXPECT_EQ(DrumChainReturn[0].Chain, -1);
  EXPECT_EQ(DrumChainCellStep, -1);
  EXPECT_EQ(DrumChainOn, 0);
  EXPECT_EQ(DrumChainNo, 0);
  EXPECT_EQ(DrumChainStepNo, -1);
  EXPECT_EQ(BassChainOn, 1);
}

TEST_F(StyleChainsTest, BreakPlaysOneCycleAndReturnsToTheMainPattern) {
  AddSecondPatterns();
  DrumPatNo = 1;
  TStyleBarPick pick = BuildDrumBar(false);
  EXPECT_EQ(pick.Pattern, 1);
  EXPECT_TRUE(pick.Stale);

  EXPECT_TRUE(ArmDrumBreak());
  EXPECT_EQ(DrumBreakTriggerState(), TBreakTriggerState::BreakPending);
  EXPECT_EQ(BreakTriggerCaption(DrumBreakTriggerState()), ">");
  EXPECT_EQ(Showing.DrumTriggerChanged, 1);
  Showing.DrumTriggerChanged = 0;

  pick = BuildDrumBar(true);
  EXPECT_EQ(pick.Pattern, 30);  // the first break: none played yet
  EXPECT_TRUE(pick.Stale);
  EXPECT_TRUE(pick.RebuildPending);
  EXPECT_EQ(DrumBreakTrigger, 0);
  EXPECT_EQ(DrumBreakTriggerState(), TBreakTriggerState::ReturnPending);
  EXPECT_EQ(BreakTriggerCaption(DrumBreakTriggerState()), "<");
  EXPECT_EQ(Showing.DrumTriggerChanged, 1);

  pick = BuildDrumBar(true);
  EXPECT_EQ(pick.Pattern, 1);
  EXPECT_TRUE(pick.Stale);
  EXPECT_EQ(DrumBreakTriggerState(), TBreakTriggerState::Idle);
  EXPECT_EQ(BreakTriggerCaption(DrumBreakTriggerState()), "/");

  DrumVelVar = 0;
  pick = BuildDrumBar(true);
  EXPECT_EQ(pick.Pattern, 1);
  EXPECT_FALSE(pick.Stale);
  EXPECT_FALSE(pick.RebuildPending);
}

TEST_F(StyleChainsTest, BreakUsesTheLastBreakPlayedWhileTheStyleHasIt) {
  AddSecondPatterns();
  DrumPatNo = 31;
  BuildDrumBar(false);
  DrumPatNo = 1;
  Showing.MetrDrumChanged = 0;  // a selection marks the copy stale
  BuildDrumBar(true);
  EXPECT_EQ(DrumLastBreakPlayed, 31);

  ArmDrumBreak();
  EXPECT_EQ(BuildDrumBar(true).Pattern, 31);
  BuildDrumBar(true);

  // Break 71 deleted meanwhile: the first break plays; main 41 deleted: back to pattern 0.
  DrumStyles[0].LastBreak = 0;
  ArmDrumBreak();
  EXPECT_EQ(BuildDrumBar(true).Pattern, 30);
  DrumStyles[0].LastMain = 0;
  EXPECT_EQ(BuildDrumBar(true).Pattern, 0);
}

TEST_F(StyleChainsTest, BreakIsDroppedWhenItCannotPlay) {
  BuildDrumBar(false);
  // Another style chosen after the trigger was armed: no break, the trigger is spent.
  ArmDrumBreak();
  DrumBuiltStyle = 5;
  TStyleBarPick pick = NextDrumBar(true);
  EXPECT_EQ(pick.Pattern, 0);
  EXPECT_EQ(DrumBreakTrigger, 0);
  EXPECT_EQ(DrumBreakActive, 0);

  // A style without breaks keeps its main pattern.
  DrumBuiltStyle = 0;
  DrumStyles[0].LastBreak = -1;
  ArmDrumBreak();
  pick = NextDrumBar(true);
  EXPECT_EQ(pick.Pattern, 0);
  EXPECT_EQ(DrumBreakActive, 0);
  EXPECT_EQ(DrumBreakTriggerState(), TBreakTriggerState::Idle);
}

TEST_F(StyleChainsTest, ArmAndClearTriggerFollowWhatWasBuilt) {
  DrumBuiltPat = 30;
  EXPECT_TRUE(ArmDrumBreak());
  EXPECT_EQ(DrumBreakTrigger, 0);
  EXPECT_EQ(DrumBreakActive, 1);

  Showing.DrumTriggerChanged = 0;
  ClearDrumTrigger(false);
  EXPECT_EQ(DrumBreakActive, 0);
  EXPECT_EQ(Showing.DrumTriggerChanged, 0);
  DrumBreakTrigger = 1;
  ClearDrumTrigger(true);
  EXPECT_EQ(DrumBreakTrigger, 0);
  EXPECT_EQ(Showing.DrumTriggerChanged, 1);

  DrumChainOn = 1;
  Showing.DrumTriggerChanged = 0;
  EXPECT_FALSE(ArmDrumBreak());
  EXPECT_EQ(Msgs.WarnMsg.Peek(), "Trigger ignored; style/var under chain control");
  EXPECT_EQ(DrumBreakTrigger, 0);
  EXPECT_EQ(DrumBreakActive, 0);
  EXPECT_EQ(Showing.DrumTriggerChanged, 0);
  // The bass family's trigger is its own.
  BassBuiltPat = 0;
  EXPECT_TRUE(ArmBassBreak());
  EXPECT_EQ(BassBreakTriggerState(), TBreakTriggerState::BreakPending);
  EXPECT_EQ(Showing.BassTriggerChanged, 1);
}

TEST_F(StyleChainsTest, UndefinedCurrentPatternGivesNoSource) {
  DrumPatNo = 5;
  TStyleBarPick pick = NextDrumBar(false);
  EXPECT_EQ(pick.Source, nullptr);
  EXPECT_FALSE(pick.Stale);
  EXPECT_EQ(Showing.MetrDrumChanged, 0);  // still stale for when a valid pattern is chosen
  DrumLastStyle = -1;
  DrumPatNo = 0;
  EXPECT_EQ(NextDrumBar(false).Source, nullptr);

  // The bass family picks from its own store.
  const TStyleBarPick bass = NextBassBar(false);
  EXPECT_EQ(bass.Source, &BassPatterns[0][0]);
  EXPECT_TRUE(bass.Stale);
  EXPECT_EQ(Showing.MetrBassChanged, 1);
}

}  // namespace
}  // namespace vel
