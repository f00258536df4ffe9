#include <gtest/gtest.h>

#include <tuple>
#include <vector>

#include "base/Topics.h"
#include "base/Messages.h"
#include "settings/ResetModelState.h"
#include "styles/StyleChains.h"
#include "styles/StyleTestState.h"

namespace vel {
namespace {

// (chain, step, pattern) of one built bar.
using Bar = std::tuple<int32_t, int32_t, int32_t>;

class StyleChainsTest : public ::testing::Test {
 protected:
  void SetUp() override { test::ResetStyleState(); }
  void TearDown() override { ResetModelState(); }

  // What the builder does around NextDrumBar: take the pick and record it as built.
  static TStyleBarPick BuildDrumBar(bool fromChain) {
    TStyleBarPick pick = NextDrumBar(fromChain);
    DrumStore.BuiltStyle = pick.Style;
    DrumStore.BuiltPat = pick.Pattern;
    return pick;
  }

  static std::vector<Bar> PlayDrumBars(int count, bool firstFromChain) {
    std::vector<Bar> bars;
    for (int i = 0; i < count; ++i) {
      const TStyleBarPick pick = BuildDrumBar(i > 0 || firstFromChain);
      bars.emplace_back(DrumStore.ChainNo, DrumStore.ChainStepNo, pick.Pattern);
    }
    return bars;
  }

  // Style 0 with two main and two break patterns.
  static void AddSecondPatterns() {
    DrumStore.Styles[0].LastMain = 1;
    DrumStore.Styles[0].LastBreak = 1;
    DrumStore.Patterns[0][1] = DrumStore.Patterns[0][0];
    DrumStore.Patterns[0][1].Name = "Main2";
    DrumStore.Patterns[0][31] = DrumStore.Patterns[0][30];
    DrumStore.Patterns[0][31].Name = "Break2";
  }
};

TEST_F(StyleChainsTest, ChainPlaysEachStepForItsRepeats) {
  DrumStore.Chains[0][0] = {-1, 0, 0, 2};
  DrumStore.Chains[0][1] = {-1, 0, 30, 1};
  EXPECT_TRUE(SetDrumChainMode(true));
  EXPECT_EQ(DrumStore.ChainOn, 1);
  EXPECT_EQ(DrumStore.ChainStepNo, -1);
  EXPECT_EQ(test::RebuildRequests, 1);

  // The first bar is built at once (metronome stopped), the rest at each end of its part.
  TStyleBarPick pick = BuildDrumBar(false);
  EXPECT_EQ(pick.Pattern, 0);
  EXPECT_TRUE(pick.Stale);
  EXPECT_TRUE(pick.RebuildPending);
  EXPECT_EQ(pick.Source, &DrumStore.Patterns[0][0]);
  EXPECT_EQ(FmtDrumPatCaption(DrumStore.StyleNo, DrumStore.PatNo), "40-Main1*2");
  EXPECT_TRUE(Topics.Raised(TTopic::DrumChain));

  pick = BuildDrumBar(true);
  EXPECT_EQ(std::tuple(DrumStore.ChainNo, DrumStore.ChainStepNo, pick.Pattern), Bar(0, 0, 0));
  EXPECT_FALSE(pick.Stale);
  EXPECT_EQ(FmtDrumPatCaption(DrumStore.StyleNo, DrumStore.PatNo), "40-Main1*1");

  pick = BuildDrumBar(true);
  EXPECT_EQ(std::tuple(DrumStore.ChainNo, DrumStore.ChainStepNo, pick.Pattern), Bar(0, 1, 30));
  EXPECT_TRUE(pick.Stale);
  EXPECT_EQ(FmtDrumPatCaption(DrumStore.StyleNo, DrumStore.PatNo), "70-Break1*1");

  EXPECT_EQ(PlayDrumBars(4, true), (std::vector<Bar>{{0, 0, 0}, {0, 0, 0}, {0, 1, 30}, {0, 0, 0}}));
}

TEST_F(StyleChainsTest, ChainStartedWhilePlayingBeginsWithTheFullFirstStep) {
  DrumStore.Chains[0][0] = {-1, 0, 0, 2};
  DrumStore.Chains[0][1] = {-1, 0, 30, 1};
  DrumStore.ChainRepeat = 0;  // left over from an earlier run
  SetDrumChainMode(true);
  // The metronome plays: the first chain bar comes at the end of a part.
  EXPECT_EQ(PlayDrumBars(3, true), (std::vector<Bar>{{0, 0, 0}, {0, 0, 0}, {0, 1, 30}}));
}

TEST_F(StyleChainsTest, ChainWithoutActiveStepsFallsBackToTheStartChain) {
  DrumStore.Chains[0][0] = {0, 0, 30, 0};  // jumps into chain 0 again
  DrumStore.Chains[0][1] = {-1, 0, 0, 0};
  DrumStore.ChainNo = 0;
  DrumStore.ChainStepNo = 0;
  AdvanceDrumChain();
  EXPECT_EQ(DrumStore.ChainNo, 0);
  EXPECT_EQ(DrumStore.ChainStepNo, 0);
  EXPECT_EQ(DrumStore.ChainRepeat, 0);
  // The jump recorded a return; the fall-back clears every return position.
  EXPECT_EQ(DrumStore.ChainReturn[0].Chain, -1);
  EXPECT_EQ(DrumStore.ChainReturn[0].Step, -1);

  // Played: every bar restarts at step 0, whose pattern plays.
  DrumStore.Chains[0][0].Jump = -1;
  SetDrumChainMode(true);
  EXPECT_EQ(PlayDrumBars(3, false), (std::vector<Bar>{{0, 0, 30}, {0, 0, 30}, {0, 0, 30}}));
  EXPECT_EQ(FmtDrumPatCaption(DrumStore.StyleNo, DrumStore.PatNo), "70-Break1");
}

TEST_F(StyleChainsTest, JumpsRecordWhereToReturnAndTheLastStepReturnsThere) {
  DrumStore.Chains[0][0] = {-1, 0, 0, 1};
  DrumStore.Chains[0][1] = {0, 0, 30, 1};
  DrumStore.ChainStepNo = 1;
  AdvanceDrumChain();
  EXPECT_EQ(DrumStore.ChainNo, 0);
  EXPECT_EQ(DrumStore.ChainStepNo, 0);
  EXPECT_EQ(DrumStore.ChainRepeat, 1);
  EXPECT_EQ(DrumStore.ChainReturn[0].Chain, 0);
  EXPECT_EQ(DrumStore.ChainReturn[0].Step, 0);  // after the last step comes step 0

  DrumStore.Chains[0][0] = {0, 0, 0, 1};
  DrumStore.ChainStepNo = 0;
  AdvanceDrumChain();
  EXPECT_EQ(DrumStore.ChainReturn[0].Step, 1);

  // At the last step a pending return is taken and consumed.
  DrumStore.Chains[0][0] = {-1, 0, 0, 3};
  DrumStore.Chains[0][1] = {-1, 0, 30, 1};
  DrumStore.ChainReturn[0] = {0, 1};
  DrumStore.ChainStepNo = 1;
  AdvanceDrumChain();
  EXPECT_EQ(DrumStore.ChainStepNo, 1);
  EXPECT_EQ(DrumStore.ChainRepeat, 1);
  EXPECT_EQ(DrumStore.ChainReturn[0].Chain, -1);
  AdvanceDrumChain();
  EXPECT_EQ(DrumStore.ChainStepNo, 0);
  EXPECT_EQ(DrumStore.ChainRepeat, 3);

  // A jump to a chain that does not exist is no jump.
  DrumStore.Chains[0][0].Jump = 5;
  DrumStore.ChainStepNo = 0;
  AdvanceDrumChain();
  EXPECT_EQ(DrumStore.ChainNo, 0);
  EXPECT_EQ(DrumStore.ChainStepNo, 1);
}

TEST_F(StyleChainsTest, InvalidStepKeepsTheCurrentPattern) {
  DrumStore.Chains[0][0] = {-1, 3, 0, 1};  // style 4 is not defined
  DrumStore.Chains[0][1] = {-1, 0, 1, 1};  // nor main pattern 41
  DrumStore.PatNo = 30;
  SetDrumChainMode(true);
  TStyleBarPick pick = BuildDrumBar(false);
  EXPECT_EQ(DrumStore.ChainStepNo, 0);
  EXPECT_EQ(pick.Style, 0);
  EXPECT_EQ(pick.Pattern, 30);
  pick = BuildDrumBar(true);
  EXPECT_EQ(DrumStore.ChainStepNo, 1);
  EXPECT_EQ(pick.Pattern, 30);
}

TEST_F(StyleChainsTest, ChainStartIsAlwaysAChain) {
  DrumStore.ChainReturn[0] = {0, 1};
  SetDrumChainNoStart(0);
  EXPECT_EQ(DrumStore.ChainNoStart, 0);
  EXPECT_EQ(DrumStore.ChainNo, 0);
  EXPECT_EQ(DrumStore.ChainReturn[0].Chain, -1);
  for (int32_t bad : {1, 7, -1}) {
    DrumStore.ChainNo = 3;
    SetDrumChainNoStart(bad);
    EXPECT_EQ(DrumStore.ChainNoStart, 0) << bad;
    EXPECT_EQ(DrumStore.ChainNo, 0) << bad;
  }
  // A position left outside the tables is brought back before it is used.
  DrumStore.ChainNoStart = 0;
  DrumStore.ChainNo = 4;
  DrumStore.ChainStepNo = 9;
  DrumStore.Chains[0][1].Repeats = 1;
  AdvanceDrumChain();
  EXPECT_EQ(DrumStore.ChainNo, 0);
  EXPECT_EQ(DrumStore.ChainStepNo, 1);
  // The bass twin keeps its own start.
  BassStore.ChainNo = 0;
  SetBassChainNoStart(-4);
  EXPECT_EQ(BassStore.ChainNoStart, 0);
}

TEST_F(StyleChainsTest, ChainModeOnRestartsAndOffReturnsAStartedChain) {
  DrumStore.Chains[0][0] = {-1, 0, 0, 1};
  DrumStore.ChainStepNo = 1;
  SetDrumChainMode(true);
  EXPECT_EQ(DrumStore.ChainStepNo, -1);
  // Off before the first bar: nothing to move.
  EXPECT_FALSE(SetDrumChainMode(false));
  EXPECT_EQ(DrumStore.ChainOn, 0);
  EXPECT_EQ(DrumStore.ChainStepNo, -1);

  SetDrumChainMode(true);
  BuildDrumBar(false);
  EXPECT_EQ(DrumStore.ChainStepNo, 0);
  EXPECT_TRUE(SetDrumChainMode(false));
  EXPECT_EQ(DrumStore.ChainNo, 0);
  EXPECT_EQ(DrumStore.ChainStepNo, -1);
  EXPECT_EQ(test::RebuildRequests, 2);
}

TEST_F(StyleChainsTest, ResetChainsEmptiesStepsAndStopsChainMode) {
  DrumStore.Chains[0][0] = {0, 2, 5, 9};
  DrumStore.ChainReturn[0] = {0, 0};
  DrumStore.ChainCellStep = 1;
  DrumStore.ChainOn = 1;
  DrumStore.ChainStepNo = 1;
  BassStore.ChainOn = 1;
  ResetDrumChainsAndStart();
  EXPECT_EQ(DrumStore.Chains[0][0].Jump, -1);
  EXPECT_EQ(DrumStore.Chains[0][0].Style, 0);
  EXPECT_EQ(DrumStore.Chains[0][0].Pattern, 0);
  EXPECT_EQ(DrumStore.Chains[0][0].Repeats, 0);
  EXPECT_EQ(DrumStore.ChainReturn[0].Chain, -1);
  EXPECT_EQ(DrumStore.ChainCellStep, -1);
  EXPECT_EQ(DrumStore.ChainOn, 0);
  EXPECT_EQ(DrumStore.ChainNo, 0);
  EXPECT_EQ(DrumStore.ChainStepNo, -1);
  EXPECT_EQ(BassStore.ChainOn, 1);
}

TEST_F(StyleChainsTest, BreakPlaysOneCycleAndReturnsToTheMainPattern) {
  AddSecondPatterns();
  DrumStore.PatNo = 1;
  TStyleBarPick pick = BuildDrumBar(false);
  EXPECT_EQ(pick.Pattern, 1);
  EXPECT_TRUE(pick.Stale);

  EXPECT_TRUE(ArmDrumBreak());
  EXPECT_EQ(DrumBreakTriggerState(), TBreakTriggerState::BreakPending);
  EXPECT_EQ(BreakTriggerCaption(DrumBreakTriggerState()), ">");
  EXPECT_TRUE(Topics.Raised(TTopic::DrumTrigger));
  Topics.Clear();

  pick = BuildDrumBar(true);
  EXPECT_EQ(pick.Pattern, 30);  // the first break: none played yet
  EXPECT_TRUE(pick.Stale);
  EXPECT_TRUE(pick.RebuildPending);
  EXPECT_EQ(DrumStore.BreakTrigger, 0);
  EXPECT_EQ(DrumBreakTriggerState(), TBreakTriggerState::ReturnPending);
  EXPECT_EQ(BreakTriggerCaption(DrumBreakTriggerState()), "<");
  EXPECT_TRUE(Topics.Raised(TTopic::DrumTrigger));

  pick = BuildDrumBar(true);
  EXPECT_EQ(pick.Pattern, 1);
  EXPECT_TRUE(pick.Stale);
  EXPECT_EQ(DrumBreakTriggerState(), TBreakTriggerState::Idle);
  EXPECT_EQ(BreakTriggerCaption(DrumBreakTriggerState()), "/");

  DrumStore.VelVar = 0;
  pick = BuildDrumBar(true);
  EXPECT_EQ(pick.Pattern, 1);
  EXPECT_FALSE(pick.Stale);
  EXPECT_FALSE(pick.RebuildPending);
}

TEST_F(StyleChainsTest, BreakUsesTheLastBreakPlayedWhileTheStyleHasIt) {
  AddSecondPatterns();
  DrumStore.PatNo = 31;
  BuildDrumBar(false);
  DrumStore.PatNo = 1;
  Showing.MetrDrumChanged = 0;  // a selection marks the copy stale
  BuildDrumBar(true);
  EXPECT_EQ(DrumStore.LastBreakPlayed, 31);

  ArmDrumBreak();
  EXPECT_EQ(BuildDrumBar(true).Pattern, 31);
  BuildDrumBar(true);

  // Break 71 deleted meanwhile: the first break plays; main 41 deleted: back to pattern 0.
  DrumStore.Styles[0].LastBreak = 0;
  ArmDrumBreak();
  EXPECT_EQ(BuildDrumBar(true).Pattern, 30);
  DrumStore.Styles[0].LastMain = 0;
  EXPECT_EQ(BuildDrumBar(true).Pattern, 0);
}

TEST_F(StyleChainsTest, BreakIsDroppedWhenItCannotPlay) {
  BuildDrumBar(false);
  // Another style chosen after the trigger was armed: no break, the trigger is spent.
  ArmDrumBreak();
  DrumStore.BuiltStyle = 5;
  TStyleBarPick pick = NextDrumBar(true);
  EXPECT_EQ(pick.Pattern, 0);
  EXPECT_EQ(DrumStore.BreakTrigger, 0);
  EXPECT_EQ(DrumStore.BreakActive, 0);

  // A style without breaks keeps its main pattern.
  DrumStore.BuiltStyle = 0;
  DrumStore.Styles[0].LastBreak = -1;
  ArmDrumBreak();
  pick = NextDrumBar(true);
  EXPECT_EQ(pick.Pattern, 0);
  EXPECT_EQ(DrumStore.BreakActive, 0);
  EXPECT_EQ(DrumBreakTriggerState(), TBreakTriggerState::Idle);
}

TEST_F(StyleChainsTest, ArmAndClearTriggerFollowWhatWasBuilt) {
  DrumStore.BuiltPat = 30;
  EXPECT_TRUE(ArmDrumBreak());
  EXPECT_EQ(DrumStore.BreakTrigger, 0);
  EXPECT_EQ(DrumStore.BreakActive, 1);

  Topics.Clear();
  ClearDrumTrigger(false);
  EXPECT_EQ(DrumStore.BreakActive, 0);
  EXPECT_FALSE(Topics.Raised(TTopic::DrumTrigger));
  DrumStore.BreakTrigger = 1;
  ClearDrumTrigger(true);
  EXPECT_EQ(DrumStore.BreakTrigger, 0);
  EXPECT_TRUE(Topics.Raised(TTopic::DrumTrigger));

  DrumStore.ChainOn = 1;
  Topics.Clear();
  EXPECT_FALSE(ArmDrumBreak());
  EXPECT_EQ(Msgs.WarnMsg.Peek(), "Trigger ignored; style/var under chain control");
  EXPECT_EQ(DrumStore.BreakTrigger, 0);
  EXPECT_EQ(DrumStore.BreakActive, 0);
  EXPECT_FALSE(Topics.Raised(TTopic::DrumTrigger));
  // The bass family's trigger is its own.
  BassStore.BuiltPat = 0;
  EXPECT_TRUE(ArmBassBreak());
  EXPECT_EQ(BassBreakTriggerState(), TBreakTriggerState::BreakPending);
  EXPECT_TRUE(Topics.Raised(TTopic::BassTrigger));
}

TEST_F(StyleChainsTest, UndefinedCurrentPatternGivesNoSource) {
  DrumStore.PatNo = 5;
  TStyleBarPick pick = NextDrumBar(false);
  EXPECT_EQ(pick.Source, nullptr);
  EXPECT_FALSE(pick.Stale);
  EXPECT_EQ(Showing.MetrDrumChanged, 0);  // still stale for when a valid pattern is chosen
  DrumStore.LastStyle = -1;
  DrumStore.PatNo = 0;
  EXPECT_EQ(NextDrumBar(false).Source, nullptr);

  // The bass family picks from its own store.
  const TStyleBarPick bass = NextBassBar(false);
  EXPECT_EQ(bass.Source, &BassStore.Patterns[0][0]);
  EXPECT_TRUE(bass.Stale);
  EXPECT_EQ(Showing.MetrBassChanged, 1);
}

}  // namespace
}  // namespace vel
