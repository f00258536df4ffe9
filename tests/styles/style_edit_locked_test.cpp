#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "base/EngineLock.h"
#include "settings/ResetModelState.h"
#include "styles/StyleEditLocked.h"
#include "styles/StyleTestState.h"

namespace vel {
namespace {

// The lock depth at each rebuild request: a change the function made without the lock, or with the
// caller's, shows here.
std::vector<int32_t> RequestDepths;

class StyleEditLockedTest : public ::testing::TestWithParam<bool> {
 protected:
  void SetUp() override {
    test::ResetStyleState();
    RequestDepths.clear();
    OnMetrRebuildRequest = [] { RequestDepths.push_back(EngineLock.Depth()); };
  }
  void TearDown() override { ResetModelState(); }
  TStyleStore& S() { return GetParam() ? DrumStore : BassStore; }
};
INSTANTIATE_TEST_SUITE_P(Families, StyleEditLockedTest, ::testing::Values(true, false),
                         [](const auto& info) { return info.param ? "Drum" : "Bass"; });

TEST_P(StyleEditLockedTest, EachChangeTakesTheLockItselfAndAsksOneRebuildOnlyWhenItChanges) {
  TStyleStore& s = S();
  ASSERT_TRUE(IsValidStylePattern(s, s.StyleNo, s.PatNo));
  const int32_t style = s.StyleNo;
  const int32_t pattern = s.PatNo;
  TTSigStepsEdit tsig = ParseTSigSteps(s.Patterns[style][pattern], "3/4 12");
  ASSERT_TRUE(tsig.Ok);
  const struct {
    const char* name;
    std::function<void()> change;
    bool asks;  // for a rebuild
  } cases[] = {
      {"use pattern tsig", [&] { SetUsePatTSig(s, s.UsePatTSig == 0); }, true},
      {"flam", [&] { SetFlamSpeed(s, s.FlamSpeed + 1); }, true},
      {"flam same", [&] { SetFlamSpeed(s, s.FlamSpeed); }, false},
      {"vel var", [&] { SetVelVar(s, s.VelVar + 1); }, true},
      {"row on", [&] { SetRowOn(s, 3, s.RowOn[2] == 0); }, true},
      {"row note", [&] { SetRowNote(s, 3, s.RowMap[3].Note == 60 ? 61 : 60); }, true},
      {"row level", [&] { SetRowLevel(s, 3, false, s.RowVel[2] == 10 ? 11 : 10); }, true},
      {"accent level", [&] { SetRowLevel(s, 3, true, s.RowAccVel[2] == 10 ? 11 : 10); }, true},
      {"accent", [&] { SetAccentEnabled(s, s.AccentEnabled == 0); }, true},
      {"select", [&] { SelectStylePattern(s, style, pattern); }, true},
      {"time signature", [&] { ApplyEditedTSigSteps(s, style, pattern, tsig); }, true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    RequestDepths.clear();
    c.change();
    EXPECT_EQ(RequestDepths, (c.asks ? std::vector<int32_t>{1} : std::vector<int32_t>{}));
    EXPECT_EQ(EngineLock.Depth(), 0);
  }
}

TEST_P(StyleEditLockedTest, RowSettersChangeNothingOutsideTheRowsAndNotes) {
  TStyleStore& s = S();
  const TStyleStore before = s;
  // The accent row 0 has no on/off, note or levels of its own here.
  for (int32_t row : {-1, 0, kStyleRows}) {
    SCOPED_TRACE(row);
    EXPECT_FALSE(SetRowOn(s, row, true));
    EXPECT_FALSE(SetRowOn(s, row, false));
    SetRowNote(s, row, 60);
    SetRowLevel(s, row, false, 1);
    SetRowLevel(s, row, true, 1);
  }
  for (int32_t note : {-1, 128}) SetRowNote(s, 3, note);
  EXPECT_EQ(s.RowOn, before.RowOn);
  EXPECT_EQ(s.RowVel, before.RowVel);
  EXPECT_EQ(s.RowAccVel, before.RowAccVel);
  for (int32_t r = 0; r < kStyleRows; ++r) EXPECT_EQ(s.RowMap[r].Note, before.RowMap[r].Note) << r;
  EXPECT_TRUE(RequestDepths.empty());

  // The last row and the notes' ends are inside; a level is kept in 0..127.
  SetRowNote(s, kStyleRows - 1, 127);
  SetRowNote(s, 1, 0);
  SetRowLevel(s, kStyleRows - 1, false, 300);
  SetRowLevel(s, 1, true, -4);
  EXPECT_EQ(s.RowMap[kStyleRows - 1].Note, 127);
  EXPECT_EQ(s.RowMap[1].Note, 0);
  EXPECT_EQ(s.RowVel[kStyleInstRows - 1], 127);
  EXPECT_EQ(s.RowAccVel[0], 0);
}

TEST_P(StyleEditLockedTest, ADeleteAnsweredAfterTheSelectionMovedDeletesNothing) {
  TStyleStore& s = S();
  ASSERT_TRUE(InsertStyle(s, 0));  // style 0 with main 0 and break 30, current
  ASSERT_TRUE(InsertPattern(s, 0, TPatList::Main, 1));
  ASSERT_GE(s.LastStyle, 1);
  const int32_t lastStyle = s.LastStyle;

  // A delete asks about the current pattern of its own list only.
  EXPECT_FALSE(AskDeletePattern(s, TPatList::Break).Ok);
  const TDeleteAsk pat = AskDeletePattern(s, TPatList::Main);
  ASSERT_TRUE(pat.Ok);
  EXPECT_EQ(pat.Style, 0);
  EXPECT_EQ(pat.Pattern, 1);
  EXPECT_EQ(pat.Question, DeletePatternQuestion(s, 0, 1));
  const TDeleteAsk sty = AskDeleteStyle(s);
  ASSERT_TRUE(sty.Ok);
  EXPECT_EQ(sty.Question, DeleteStyleQuestion(s, 0));

  // While the box was up a key moved the selection: the answer applies to nothing.
  s.PatNo = 0;
  EXPECT_FALSE(DeleteAskedPattern(s, pat.Style, pat.Pattern));
  EXPECT_EQ(s.Styles[0].LastMain, 1);
  s.StyleNo = 1;
  EXPECT_FALSE(DeleteAskedStyle(s, sty.Style));
  EXPECT_FALSE(DeleteAskedPattern(s, pat.Style, 0));
  EXPECT_EQ(s.LastStyle, lastStyle);

  s.StyleNo = 0;
  s.PatNo = 1;
  EXPECT_TRUE(DeleteAskedPattern(s, pat.Style, pat.Pattern));
  EXPECT_EQ(s.Styles[0].LastMain, 0);
  EXPECT_TRUE(DeleteAskedStyle(s, sty.Style));
  EXPECT_EQ(s.LastStyle, lastStyle - 1);

  // Nothing to ask about: an undefined style.
  s.StyleNo = s.LastStyle + 1;
  EXPECT_FALSE(AskDeleteStyle(s).Ok);
  EXPECT_FALSE(AskDeletePattern(s, TPatList::Main).Ok);
}

}  // namespace
}  // namespace vel
