#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "settings/ResetModelState.h"
#include "styles/StyleEdit.h"
#include "styles/StyleTestState.h"

namespace vel {
namespace {

// Every case runs on both stores: the families differ only by their traits.
class StyleEditTest : public ::testing::TestWithParam<bool> {
 protected:
  void SetUp() override { test::ResetStyleState(); }
  void TearDown() override { ResetModelState(); }
  TStyleStore& S() { return GetParam() ? DrumStore : BassStore; }
  bool Drum() const { return GetParam(); }
  TStylePattern& Cur() { return *CurrentPattern(S()); }
  // Style 0 with mains 0..2 and breaks 30..31, the current pattern 1.
  void ThreeMains() {
    S().Styles[0].LastMain = 2;
    S().Styles[0].LastBreak = 1;
    for (int32_t p : {0, 1, 2, 30, 31}) S().Patterns[0][p].Name = "P" + std::to_string(p);
    S().PatNo = 1;
  }
  TStyleEditState edit;
};
INSTANTIATE_TEST_SUITE_P(Families, StyleEditTest, ::testing::Values(true, false),
                         [](const auto& info) { return info.param ? "Drum" : "Bass"; });

TEST_P(StyleEditTest, StepCycleByButtonAndRow) {
  struct Case {
    int32_t row;
    char from;
    TStepButton button;
    char drum, bass;
  };
  const Case cases[] = {
      {3, '.', TStepButton::Left, 'x', 'x'},  {3, 'x', TStepButton::Left, '.', '.'},
      {3, 'f', TStepButton::Left, '.', '.'},  {3, 'b', TStepButton::Left, '.', '.'},
      {3, 't', TStepButton::Left, '.', '.'},  {3, '.', TStepButton::Right, 'f', 't'},
      {3, 'x', TStepButton::Right, 'f', 't'}, {3, 't', TStepButton::Right, '.', 'f'},
      {3, 'f', TStepButton::Right, 'b', 'b'}, {3, 'b', TStepButton::Right, '.', '.'},
      {0, '.', TStepButton::Right, '.', '.'}, {0, 'x', TStepButton::Right, 'x', 'x'},
      {0, '.', TStepButton::Left, 'x', 'x'},  {3, 'x', TStepButton::Other, 'x', 'x'},
  };
  for (const Case& c : cases)
    EXPECT_EQ(NextStepChar(*S().Traits, c.row, c.from, c.button), Drum() ? c.drum : c.bass)
        << c.row << " " << c.from << " " << int(c.button);
}

TEST_P(StyleEditTest, ClicksEditTheCurrentPatternAndKeepOneUndoCopy) {
  TStylePattern& p = Cur();
  const TStylePattern before = p;
  const int32_t steps = p.Steps;
  // A click right of the last step, or left of the first, lands nowhere.
  EXPECT_EQ(StepAtX(9 * steps - 1, 9, steps), steps - 1);
  EXPECT_EQ(StepAtX(9 * steps, 9, steps), -1);
  EXPECT_EQ(StepAtX(-1, 9, steps), -1);
  EXPECT_FALSE(ClickStep(S(), edit, 0, steps, TStepButton::Left));
  EXPECT_FALSE(ClickStep(S(), edit, 0, 1, TStepButton::Right));  // right on the accent row
  EXPECT_EQ(test::RebuildRequests, 0);
  EXPECT_FALSE(edit.PatUndoValid);

  ASSERT_TRUE(ClickStep(S(), edit, 0, 1, TStepButton::Left));
  EXPECT_EQ(p.Rows[0].View(), std::string(".x") + std::string(steps - 2, '.'));
  EXPECT_TRUE(edit.PatUndoValid);
  ASSERT_TRUE(ClickStep(S(), edit, 0, 1, TStepButton::Left));
  // A row of rests again is stored empty.
  EXPECT_TRUE(p.Rows[0].Empty());
  ASSERT_TRUE(ClickStep(S(), edit, 15, 0, TStepButton::Left));
  EXPECT_EQ(test::RebuildRequests, 3);
  // Several edits revert together, to the pattern as it was before the first.
  EXPECT_TRUE(RevertPattern(S(), edit));
  EXPECT_TRUE(SamePattern(p, before));
  EXPECT_FALSE(edit.PatUndoValid);
  EXPECT_FALSE(RevertPattern(S(), edit));

  // An undo copy of another pattern is not put over this one.
  ASSERT_TRUE(ClickStep(S(), edit, 15, 0, TStepButton::Left));
  S().PatNo = kStyleFirstBreak;
  EXPECT_FALSE(RevertPattern(S(), edit));
  EXPECT_FALSE(SamePattern(S().Patterns[0][0], before));
}

TEST_P(StyleEditTest, GridTexts) {
  TStylePattern p;
  p.Steps = 6;
  p.TSigNum = 3;
  p.TSigDen = 8;
  SetStyleRow(p, 2, "x..f..");
  EXPECT_EQ(GridRowText(p, 1), "......");
  EXPECT_EQ(GridRowText(p, 2), "x..f..");
  EXPECT_EQ(BeatMarkerText(p), ".  .  ");
  EXPECT_EQ(TSigStepsText(p), "3/8, 6");
  EXPECT_TRUE(HasFlamSteps(p));
  SetStyleRow(p, 2, "x.....");
  SetStyleRow(p, 0, "x.....");  // the accent row holds no flams
  EXPECT_FALSE(HasFlamSteps(p));
}

TEST_P(StyleEditTest, NamesTakeTheTextBeforeASemicolonTrimmedAndCut) {
  SetStyleName(S(), 0, "  Funky Town Blues ; old", false);
  EXPECT_EQ(S().Styles[0].Name, "Funky Town");
  SetStyleName(S(), 0, " ;x", false);
  EXPECT_EQ(S().Styles[0].Name, "");
  SetStyleName(S(), 0, " ;x", true);
  EXPECT_EQ(S().Styles[0].Name, "Unnamed");
  SetPatternName(S(), 0, 0, "Verse part two");
  EXPECT_EQ(S().Patterns[0][0].Name, "Verse p");
  SetPatternName(S(), 0, 0, "");
  EXPECT_EQ(S().Patterns[0][0].Name, "");
  // Undefined slots are never written.
  SetStyleName(S(), 1, "Ghost", true);
  SetPatternName(S(), 0, 1, "Ghost");
  EXPECT_EQ(S().Styles[1].Name, "");
  EXPECT_EQ(S().Patterns[0][1].Name, "");
}

TEST_P(StyleEditTest, TimeSignatureAndStepsEditor) {
  const std::string help(kTSigStepsHelp);
  const std::string range = "No. of grid steps out of range 1..16";
  // From a 4/4 pattern of 16 steps with notes on steps 1 and 9 of the bass drum row.
  TStylePattern p;
  p.Steps = 16;
  p.TSigNum = 4;
  p.TSigDen = 4;
  SetStyleRow(p, 15, "x.......x.......");
  struct Case {
    const char* text;
    std::string error;
    int32_t num, den, steps;
    bool asks;
  };
  const std::vector<Case> cases = {
      {"", help, 0, 0, 0, false},
      {" ; 3/4", help, 0, 0, 0, false},
      {"abc", help, 0, 0, 0, false},
      {"12,", help, 0, 0, 0, false},
      {"0", range, 0, 0, 0, false},
      {"17", range, 0, 0, 0, false},
      {"99999999999", range, 0, 0, 0, false},
      {"3/4 0", range, 0, 0, 0, false},
      {"3/4 17", range, 0, 0, 0, false},
      {"3/5", "Time signature beat-length must be a power of 2", 0, 0, 0, false},
      {"x/4 8", "Time signature 'x/4' must be in form n/n", 0, 0, 0, false},
      {"3/4 7",
       "Invalid no. of steps\r\nSteps (7) must be a factor of bar length (15360)\r\n\r\nPossible step "
       "values for this time-sig are: 3, 6, 12, 15",
       0, 0, 0, false},
      {"4/4", "", 4, 4, 16, false},
      {"12", "", 4, 4, 12, false},
      {"3/4 12", "", 3, 4, 12, false},
      {"3/4, 12", "", 3, 4, 12, false},
      {" 3/4 ,6 ;x", "", 3, 4, 6, true},
      {"4/4 8", "", 4, 4, 8, true},
      {"2/4 16", "", 2, 4, 16, false},
  };
  for (const Case& c : cases) {
    const TTSigStepsEdit e = ParseTSigSteps(p, c.text);
    if (!c.error.empty()) {
      EXPECT_FALSE(e.Ok) << c.text;
      EXPECT_EQ(e.Error, c.error) << c.text;
      continue;
    }
    ASSERT_TRUE(e.Ok) << c.text << ": " << e.Error;
    EXPECT_EQ(e.TSigNum, c.num) << c.text;
    EXPECT_EQ(e.TSigDen, c.den) << c.text;
    EXPECT_EQ(e.Steps, c.steps) << c.text;
    EXPECT_EQ(!e.Question.empty(), c.asks) << c.text;
  }
  EXPECT_EQ(ParseTSigSteps(p, "4/4 8").Question,
            "About to truncate pattern from 16 steps to 8; some grid data will be discarded, ok?");

  // A shrink cuts every row; a row left all rests becomes empty. A grow pads with rests.
  TStylePattern q = p;
  SetStyleRow(q, 3, "..............x.");
  ApplyTSigSteps(q, ParseTSigSteps(q, "3/4 12"));
  EXPECT_EQ(q.Rows[15].View(), "x.......x...");
  EXPECT_TRUE(q.Rows[3].Empty());
  EXPECT_EQ(TSigStepsText(q), "3/4, 12");
  ApplyTSigSteps(q, ParseTSigSteps(q, "4/4 16"));
  EXPECT_EQ(q.Rows[15].View(), "x.......x.......");
  EXPECT_TRUE(q.Rows[3].Empty());
}

TEST_P(StyleEditTest, CopyCutPaste) {
  TStylePattern& p = Cur();
  // An empty pattern is not copied: the clipboard keeps what it had.
  S().PatNo = 30;
  for (auto& row : Cur().Rows) row = std::string_view();
  EXPECT_FALSE(CopyPattern(S(), edit));
  EXPECT_FALSE(edit.ClipboardFilled);
  S().PatNo = 0;
  const TStylePattern main = p;
  ASSERT_TRUE(CopyPattern(S(), edit));
  S().PatNo = 30;
  EXPECT_FALSE(CopyPattern(S(), edit));
  EXPECT_TRUE(SamePattern(edit.PatClipboard, main));

  // Paste over the empty break: name, steps and time signature too; Revert undoes it.
  const TStylePattern empty = Cur();
  ASSERT_TRUE(PastePattern(S(), edit));
  EXPECT_TRUE(SamePattern(Cur(), main));
  EXPECT_TRUE(edit.PatUndoValid);
  const int rebuilds = test::RebuildRequests;
  EXPECT_FALSE(PastePattern(S(), edit));  // equal already: nothing
  EXPECT_EQ(test::RebuildRequests, rebuilds);
  ASSERT_TRUE(RevertPattern(S(), edit));
  EXPECT_TRUE(SamePattern(Cur(), empty));

  // Cut: to the clipboard, rows emptied, name, steps and time signature kept, undo dropped.
  S().PatNo = 0;
  ClickStep(S(), edit, 1, 0, TStepButton::Left);
  const TStylePattern edited = p;
  ASSERT_TRUE(CutPattern(S(), edit));
  EXPECT_TRUE(SamePattern(edit.PatClipboard, edited));
  EXPECT_FALSE(edit.PatUndoValid);
  for (const auto& row : p.Rows) EXPECT_TRUE(row.Empty());
  EXPECT_EQ(p.Name, "Main1");
  EXPECT_EQ(p.Steps, main.Steps);
}

TEST_P(StyleEditTest, DeletesShiftChainReferencesAndKeepAValidSelection) {
  TStyleStore& s = S();
  ThreeMains();
  s.Chains[0][0] = {-1, 0, 2, 1};  // names a later main: follows it
  s.Chains[0][1] = {-1, 0, 1, 1};  // names the deleted one: keeps its index
  EXPECT_EQ(DeletePatternQuestion(s, 0, 1),
            "About to delete current pattern '" + FmtStyleCaption(s, 0) +
                ", 41-P1', ok?\r\n\r\nWarning - deleted pattern is referenced in chains");
  EXPECT_EQ(DeletePatternQuestion(s, 0, 31),
            "About to delete current pattern '" + FmtStyleCaption(s, 0) + ", 71-P31', ok?");
  ASSERT_TRUE(DeletePattern(s, 0, 1));
  EXPECT_EQ(s.Styles[0].LastMain, 1);
  EXPECT_EQ(s.Patterns[0][1].Name, "P2");
  EXPECT_EQ(s.Chains[0][0].Pattern, 1);
  EXPECT_EQ(s.Chains[0][1].Pattern, 1);
  EXPECT_EQ(s.PatNo, 1);
  // The last main deleted: the new last is current.
  ASSERT_TRUE(DeletePattern(s, 0, 1));
  EXPECT_EQ(s.PatNo, 0);
  // The only main deleted: the first break is current, not an undefined slot.
  ASSERT_TRUE(DeletePattern(s, 0, 0));
  EXPECT_EQ(s.Styles[0].LastMain, -1);
  EXPECT_EQ(s.PatNo, 30);
  ASSERT_TRUE(DeletePattern(s, 0, 30));
  ASSERT_TRUE(DeletePattern(s, 0, 30));
  // No pattern left: the grid refuses clicks.
  EXPECT_EQ(CurrentPattern(s), nullptr);
  EXPECT_FALSE(ClickStep(s, edit, 1, 0, TStepButton::Left));
  EXPECT_FALSE(DeletePattern(s, 0, 30));

  // Styles: a later style's references move down with it.
  InsertStyle(s, 1);
  InsertStyle(s, 2);
  s.Styles[2].Name = "Third";
  s.Chains[0][0] = {-1, 2, 0, 1};
  s.Chains[0][1] = {-1, 1, 0, 1};
  EXPECT_EQ(DeleteStyleQuestion(s, 1),
            "About to delete current style '02 Unnamed', ok?\r\n\r\nAll main and break patterns for this "
            "style will "
            "also be deleted\r\n\r\nWarning - deleted style is referenced in chains");
  ASSERT_TRUE(DeleteStyle(s, 1));
  EXPECT_EQ(s.LastStyle, 1);
  EXPECT_EQ(s.Styles[1].Name, "Third");
  EXPECT_EQ(s.Chains[0][0].Style, 1);
  EXPECT_EQ(s.Chains[0][1].Style, 1);
  EXPECT_EQ(s.StyleNo, 1);
  EXPECT_EQ(s.PatNo, 0);
  ASSERT_TRUE(DeleteStyle(s, 1));
  EXPECT_EQ(s.StyleNo, 0);
  ASSERT_TRUE(DeleteStyle(s, 0));
  EXPECT_EQ(s.LastStyle, -1);
  EXPECT_EQ(CurrentPattern(s), nullptr);
  EXPECT_FALSE(DeleteStyle(s, 0));
}

TEST_P(StyleEditTest, InsertsMakeEmptyPatternsAndShiftReferencesUp) {
  TStyleStore& s = S();
  ThreeMains();
  s.Chains[0][0] = {-1, 0, 1, 1};
  s.Chains[0][1] = {-1, 0, 30, 1};
  EXPECT_EQ(InsertPatternAt(s, TPatList::Main), 1);
  EXPECT_EQ(InsertPatternAt(s, TPatList::Break), 32);
  ASSERT_TRUE(InsertPattern(s, 0, TPatList::Main, 1));
  EXPECT_EQ(s.Styles[0].LastMain, 3);
  EXPECT_EQ(s.Patterns[0][2].Name, "P1");
  EXPECT_EQ(s.Chains[0][0].Pattern, 2);
  EXPECT_EQ(s.Chains[0][1].Pattern, 30);
  EXPECT_EQ(s.PatNo, 1);
  const TStylePattern& fresh = s.Patterns[0][1];
  EXPECT_EQ(TSigStepsText(fresh), "4/4, 16");
  EXPECT_EQ(fresh.Name, "");
  for (const auto& row : fresh.Rows) EXPECT_TRUE(row.Empty());
  ASSERT_TRUE(InsertPattern(s, 0, TPatList::Break, 30));
  EXPECT_EQ(s.Chains[0][1].Pattern, 31);
  EXPECT_EQ(s.Styles[0].LastBreak, 2);

  s.Chains[0][0] = {-1, 0, 0, 1};
  ASSERT_TRUE(InsertStyle(s, 0));
  EXPECT_EQ(s.Chains[0][0].Style, 1);
  EXPECT_EQ(s.Styles[0].Name, "Unnamed");
  EXPECT_EQ(s.Styles[0].LastMain, 0);
  EXPECT_EQ(s.Styles[0].LastBreak, 0);
  EXPECT_EQ(FmtStyleLine(s, 0), "01 4/4 Unnamed");
  EXPECT_EQ(s.Styles[1].LastMain, 3);
  EXPECT_EQ(s.StyleNo, 0);

  // Full lists refuse.
  EXPECT_EQ(ListFullText(s, 0, false, TPatList::Main), "");
  s.Styles[0].LastMain = 29;
  s.Styles[0].LastBreak = 28;
  s.LastStyle = 39;
  EXPECT_EQ(ListFullText(s, 0, false, TPatList::Main), "Main pattern list is full (30 patterns)");
  EXPECT_EQ(ListFullText(s, 0, false, TPatList::Break), "Break pattern list is full (29 patterns)");
  EXPECT_EQ(ListFullText(s, 0, true, TPatList::Main), "Style list is full (40 styles)");
  EXPECT_FALSE(InsertPattern(s, 0, TPatList::Main, 0));
  EXPECT_FALSE(InsertPattern(s, 0, TPatList::Break, 30));
  EXPECT_FALSE(InsertStyle(s, 0));
  s.LastStyle = -1;
  EXPECT_EQ(ListFullText(s, 0, false, TPatList::Main), "No style to add a pattern to; add a style first");
}

TEST_P(StyleEditTest, ChainCells) {
  TStyleStore& s = S();
  s.Chains[0][0] = {-1, 4, 31, 3};
  s.Chains[0][1] = {0, 4, 0, 0};
  s.ChainNo = 0;
  s.ChainStepNo = 0;
  std::vector<TChainCells> c = ChainCellTexts(s, 0);
  ASSERT_EQ(c.size(), 2u);
  EXPECT_EQ(c[0].Style + c[0].Pattern + c[0].Repeats + c[0].Jump, "0571 3 -");
  EXPECT_EQ(c[1].Style + c[1].Pattern + c[1].Repeats + c[1].Jump, " -40 ->1");
  EXPECT_TRUE(c[0].Active && c[0].Playing);
  EXPECT_FALSE(c[1].Active || c[1].Playing);
  s.Chains[0][1].Style = 5;
  EXPECT_EQ(ChainCellTexts(s, 0)[1].Style, "06");

  // Repeats 0..99, the playing step's repeats left follow; jumps -1..last chain.
  s.ChainRepeat = 1;
  for (int i = 0; i < 5; ++i) StepChainRepeats(s, 0, 0, -1);
  EXPECT_EQ(s.Chains[0][0].Repeats, 0);
  EXPECT_EQ(s.ChainRepeat, 0);
  for (int i = 0; i < 120; ++i) StepChainRepeats(s, 0, 1, 1);
  EXPECT_EQ(s.Chains[0][1].Repeats, 99);
  EXPECT_EQ(s.ChainRepeat, 0);
  EXPECT_EQ(ChainCellTexts(s, 0)[1].Repeats, "99");
  StepChainJump(s, 0, 1, 1);
  EXPECT_EQ(s.Chains[0][1].Jump, kChainCount - 1);
  StepChainJump(s, 0, 1, -1);
  StepChainJump(s, 0, 1, -1);
  EXPECT_EQ(s.Chains[0][1].Jump, -1);
  EXPECT_FALSE(StepChainRepeats(s, 0, 2, 1));
  EXPECT_FALSE(StepChainJump(s, 1, 0, 1));
}

TEST_P(StyleEditTest, NoteListsAndCaptions) {
  const std::vector<std::string> items = NoteListItems(false, false);
  ASSERT_EQ(items.size(), 128u);
  EXPECT_EQ(items[NoteListIndex(127)], "G8");
  EXPECT_EQ(items[NoteListIndex(60)], "C3");
  EXPECT_EQ(items[NoteListIndex(0)], "C-2");
  const std::vector<std::string> gm = NoteListItems(true, true);
  EXPECT_EQ(gm[NoteListIndex(34)], "34");
  EXPECT_EQ(gm[NoteListIndex(35)], "35 Bass Drum");
  EXPECT_EQ(gm[NoteListIndex(81)], "81 Open Triang");
  EXPECT_EQ(gm[NoteListIndex(82)], "82");

  const TStyleFamilyTraits& t = *S().Traits;
  EXPECT_EQ(StyleCaptionSuffix(t, false, Drum()), " - n/a if styles mode is off");
  EXPECT_EQ(StyleCaptionSuffix(t, true, Drum()), "");
  EXPECT_EQ(StyleCaptionSuffix(t, true, !Drum()),
            Drum() ? " - n/a if metr type is bass" : " - n/a if metr type is drum");
  EXPECT_EQ(FlamLabel(100) + "|" + FlamLabel(99) + "|" + VelVarLabel(0) + "|" + VelVarLabel(1),
            "Flam/grace off|Flam/grace|Vvar off|Vel var");
}

}  // namespace
}  // namespace vel
