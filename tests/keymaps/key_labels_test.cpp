#include <gtest/gtest.h>

#include <vector>

#include "keymaps/KeyModes.h"
#include "keymaps/KeyTestSupport.h"

namespace vel {
namespace {

using test::KeyMapTest;

struct RuleCase {
  int code;
  TColor* font;
  TColor* back;
};

void ExpectRule(TModeType t, const std::vector<RuleCase>& cases) {
  for (const RuleCase& c : cases) {
    const TKeyColours got = KeyColoursOf(t, static_cast<uint8_t>(c.code));
    EXPECT_EQ(got.Font, *c.font) << KeyModeInfo(t).Name << " code " << c.code;
    EXPECT_EQ(got.Back, *c.back) << KeyModeInfo(t).Name << " code " << c.code;
  }
}

TEST_F(KeyMapTest, ColourRulesOfTheArgumentModes) {
  ExpectRule(MtLive, {{0, &ClKtFgLiveVal, &ClKtBgWarnFcn},
                      {1, &ClKtFgRecVal, &ClKtBgRecFcn},
                      {2, &ClKtFgLiveVal, &ClKtBgLiveFcn},
                      {3, &ClKtFgNone, &ClKtBgHotkeyFcn},
                      {161, &ClKtFgNone, &ClKtBgHotkeyFcn},
                      {162, &ClKtFgNone, &ClKtBgNone},
                      {163, &ClKtFgLiveVal, &ClKtBgWarnFcn}});
  ExpectRule(MtHotkey, {{0, &ClKtFgNone, &ClKtBgWarnFcn},
                        {1, &ClKtFgLiveVal, &ClKtBgLiveFcn},
                        {2, &ClKtFgNone, &ClKtBgHotkeyFcn2},
                        {4, &ClKtFgNone, &ClKtBgHotkeyFcn2},
                        {5, &ClKtFgNone, &ClKtBgHotkeyFcn},
                        {161, &ClKtFgNone, &ClKtBgHotkeyFcn},
                        {162, &ClKtFgNone, &ClKtBgNone},
                        {163, &ClKtFgNone, &ClKtBgHotkeyFcn}});
  ExpectRule(MtRec, {{0, &ClKtFgRecVal, &ClKtBgWarnFcn},
                     {1, &ClKtFgLiveVal, &ClKtBgLiveFcn},
                     {2, &ClKtFgRecVal, &ClKtBgWarnFcn},
                     {46, &ClKtFgRecVal, &ClKtBgWarnFcn},
                     {47, &ClKtFgRecVal, &ClKtBgRecFcn},
                     {48, &ClKtFgNone, &ClKtBgHotkeyFcn},
                     {206, &ClKtFgNone, &ClKtBgHotkeyFcn},
                     {207, &ClKtFgNone, &ClKtBgNone},
                     {208, &ClKtFgRecVal, &ClKtBgWarnFcn}});
  ExpectRule(MtSRec, {{0, &ClKtFgRecVal, &ClKtBgWarnFcn},
                      {1, &ClKtFgLiveVal, &ClKtBgLiveFcn},
                      {73, &ClKtFgRecVal, &ClKtBgWarnFcn},
                      {74, &ClKtFgRecVal, &ClKtBgRecFcn},
                      {75, &ClKtFgNone, &ClKtBgHotkeyFcn},
                      {233, &ClKtFgNone, &ClKtBgHotkeyFcn},
                      {234, &ClKtFgNone, &ClKtBgNone},
                      {235, &ClKtFgRecVal, &ClKtBgWarnFcn}});
  ExpectRule(MtRangeN, {{0, &ClKtFgDigitVal, &ClKtBgWarnFcn},
                        {1, &ClKtFgLiveVal, &ClKtBgLiveFcn},
                        {5, &ClKtFgDigitVal, &ClKtBgDigitFcn},
                        {15, &ClKtFgDigitVal, &ClKtBgDigitFcn2},
                        {21, &ClKtFgDigitVal, &ClKtBgDigitFcn2},
                        {22, &ClKtFgDigitVal, &ClKtBgTimeFcn},
                        {23, &ClKtFgDigitVal, &ClKtBgDigitFcn},
                        {44, &ClKtFgNone, &ClKtBgNone}});
  ExpectRule(MtTSig, {{0, &ClKtFgTimeVal, &ClKtBgWarnFcn},
                      {1, &ClKtFgLiveVal, &ClKtBgLiveFcn},
                      {2, &ClKtFgTimeVal, &ClKtBgTimeFcn},
                      {67, &ClKtFgTimeVal, &ClKtBgTimeFcn},
                      {68, &ClKtFgNone, &ClKtBgNone}});
  ExpectRule(MtTShift, {{0, &ClKtFgTimeVal, &ClKtBgWarnFcn},
                        {1, &ClKtFgLiveVal, &ClKtBgLiveFcn},
                        {4, &ClKtFgTimeVal, &ClKtBgTimeFcn},
                        {5, &ClKtFgTimeVal, &ClKtBgTimeFcn2},
                        {11, &ClKtFgTimeVal, &ClKtBgTimeFcn2},
                        {12, &ClKtFgTimeVal, &ClKtBgTimeFcn},
                        {77, &ClKtFgNone, &ClKtBgNone}});
  ExpectRule(MtQuant, {{0, &ClKtFgTimeVal, &ClKtBgWarnFcn},
                       {1, &ClKtFgLiveVal, &ClKtBgLiveFcn},
                       {12, &ClKtFgTimeVal, &ClKtBgTimeFcn},
                       {77, &ClKtFgNone, &ClKtBgNone}});
  ExpectRule(MtPitch, {{0, &ClKtFgPitchVal, &ClKtBgWarnFcn},
                       {1, &ClKtFgLiveVal, &ClKtBgLiveFcn},
                       {4, &ClKtFgPitchVal, &ClKtBgPitchFcn},
                       {5, &ClKtFgPitchVal, &ClKtBgPitchFcn2},
                       {14, &ClKtFgPitchVal, &ClKtBgPitchFcn2},
                       {15, &ClKtFgPitchVal, &ClKtBgWarnFcn},
                       {16, &ClKtFgPitchVal, &ClKtBgPitchFcn},
                       {112, &ClKtFgNone, &ClKtBgNone}});
  ExpectRule(MtMetr, {{0, &ClKtFgNoteVal, &ClKtBgWarnFcn},
                      {1, &ClKtFgLiveVal, &ClKtBgLiveFcn},
                      {5, &ClKtFgNoteVal, &ClKtBgNoteFcn2},
                      {10, &ClKtFgNoteVal, &ClKtBgNoteFcn2},
                      {11, &ClKtFgDigitVal, &ClKtBgDigitFcn2},
                      {12, &ClKtFgNoteVal, &ClKtBgNoteFcn},
                      {140, &ClKtFgNone, &ClKtBgNone}});
  for (TModeType t : {MtFtsRoot, MtFtn})
    ExpectRule(t, {{0, &ClKtFgNoteVal, &ClKtBgWarnFcn},
                   {1, &ClKtFgLiveVal, &ClKtBgLiveFcn},
                   {5, &ClKtFgNoteVal, &ClKtBgPitchFcn},
                   {6, &ClKtFgNoteVal, &ClKtBgNoteFcn2},
                   {7, &ClKtFgNoteVal, &ClKtBgNoteFcn},
                   {19, &ClKtFgNone, &ClKtBgNone}});
  ExpectRule(MtFtsType, {{0, &ClKtFgPitchVal, &ClKtBgWarnFcn},
                         {1, &ClKtFgLiveVal, &ClKtBgLiveFcn},
                         {5, &ClKtFgNoteVal, &ClKtBgPitchFcn},
                         {6, &ClKtFgPitchVal, &ClKtBgPitchFcn2},
                         {7, &ClKtFgPitchVal, &ClKtBgPitchFcn2},
                         {8, &ClKtFgPitchVal, &ClKtBgPitchFcn},
                         {71, &ClKtFgNone, &ClKtBgNone}});
}

TEST_F(KeyMapTest, ColourRuleOfTheCommandMode) {
  std::vector<RuleCase> cases;
  auto add = [&](std::initializer_list<int> codes, TColor* font, TColor* back) {
    for (int c : codes) cases.push_back({c, font, back});
  };
  add({0, 120, 138, 139, 140}, &ClKtFgNone, &ClKtBgWarnFcn);
  add({1}, &ClKtFgLiveVal, &ClKtBgLiveFcn);
  add({11, 12, 21, 22, 32, 33, 42, 43, 53, 54, 109, 112, 115, 121, 141}, &ClKtFgDigitVal, &ClKtBgCmdMode);
  add({56, 59, 63}, &ClKtFgRecVal, &ClKtBgRecFcn);
  add({64, 67, 71}, &ClKtFgDigitVal, &ClKtBgRecFcn);
  add({72, 87, 90, 108}, &ClKtFgSelVal, &ClKtBgSelFcn);
  add({91, 102, 105, 106, 107, 137}, &ClKtFgNone, &ClKtBgPitchFcn);
  add({103, 104}, &ClKtFgDigitVal, &ClKtBgPitchFcn);
  add({118, 119, 130, 135}, &ClKtFgTimeVal, &ClKtBgTimeFcn);
  add({124, 127}, &ClKtFgDigitVal, &ClKtBgTimeFcn);
  add({125, 126, 131, 134}, &ClKtFgNone, &ClKtBgTimeFcn);
  add({128, 129}, &ClKtFgNoteVal, &ClKtBgPitchFcn);
  add({136}, &ClKtFgNoteVal, &ClKtBgNoteFcn);
  add({144, 145}, &ClKtFgDigitVal, &ClKtBgWarnFcn);
  add({146}, &ClKtFgNone, &ClKtBgHotkeyFcn);
  add({147}, &ClKtFgNone, &ClKtBgNone);
  add({2, 10, 13, 20, 23, 31, 34, 41, 44, 52, 55, 110, 111, 113, 114, 116, 117, 122, 123, 142, 143, 148},
      &ClKtFgNone, &ClKtBgCmdMode);
  ExpectRule(MtCmd, cases);
  MetrModeStyles = 1;
  ExpectRule(MtCmd, {{136, &ClKtFgDigitVal, &ClKtBgDigitFcn2}});
}

TEST_F(KeyMapTest, SetKLabDefsGivesEachModeItsOutOfMapLabelAndColours) {
  const std::array<std::string, 14> labels = {"p", " ", "r", "sr", " ", " ", " ",
                                              " ", " ", " ", " ",  " ", " ", " "};
  EXPECT_EQ(ModeDefaultLabels, labels);
  EXPECT_EQ(ModeDefaultFontColours[MtLive], ClKtFgLiveVal);
  EXPECT_EQ(ModeDefaultBackColours[MtLive], ClKtBgLiveFcn);
  for (TModeType t : {MtRec, MtSRec}) {
    EXPECT_EQ(ModeDefaultFontColours[t], ClKtFgRecVal);
    EXPECT_EQ(ModeDefaultBackColours[t], ClKtBgRecFcn);
  }
  for (int t = MtCmd; t < ModeTypeCount; ++t) {
    if (t == MtRec || t == MtSRec) continue;
    EXPECT_EQ(ModeDefaultFontColours[t], ClKtFgNone) << t;
    EXPECT_EQ(ModeDefaultBackColours[t], ClKtBgNone) << t;
  }
}

TEST_F(KeyMapTest, RecolourKeyMapsTakesNewColoursEverywhere) {
  SetKeyFnLive(0, 2, "p");
  SetKeyFnCmd(1, 136, "met nn");
  std::vector<int> resends;
  KeyMapCalls().TarloResendColours = [&] { resends.push_back(1); };

  ClKtBgNone = Rgb(1, 2, 3);
  ClKtBgLiveFcn = Rgb(4, 5, 6);
  MetrModeStyles = 1;
  RecolourKeyMaps();
  for (int t = 0; t < ModeTypeCount; ++t) {
    const auto mt = static_cast<TModeType>(t);
    for (int k = 2; k < 128; ++k) ASSERT_EQ(KeyBackColoursOf(mt)[k], Rgb(1, 2, 3)) << t << " " << k;
    if (mt != MtLive && mt != MtRec && mt != MtSRec) {
      EXPECT_EQ(ModeDefaultBackColours[t], Rgb(1, 2, 3)) << t;
    }
  }
  EXPECT_EQ(KeyBackColoursOf(MtLive)[0], Rgb(4, 5, 6));
  EXPECT_EQ(ModeDefaultBackColours[MtLive], Rgb(4, 5, 6));
  EXPECT_EQ(ModeDefaultBackColours[MtRec], ClKtBgRecFcn);
  EXPECT_EQ(KeyColoursAt(MtCmd, 1), Colours(ClKtFgDigitVal, ClKtBgDigitFcn2));
  // Codes and labels stay.
  EXPECT_EQ(KeyMapCmd[1].load(), 136);
  EXPECT_EQ(KeyLabelsCmd[1], "met nn");
  EXPECT_EQ(KeyLabelsLive[0], "p");
  // The key mapper is not showing: no redraw request.
  EXPECT_EQ(KeyLabelsRedraw.load(), 0);
  EXPECT_EQ(resends.size(), 1u);

  KeyMapperShowing.store(1);
  RecolourKeyMaps();
  EXPECT_EQ(KeyLabelsRedraw.load(), 1);
}

TEST(KeyLabels, PitchCodeLabels) {
  const std::pair<int, const char*> labels[] = {
      {0, "esc"},  {1, "p"},   {3, "hold off"}, {7, "lck tog"}, {12, "seln 1st"}, {14, "tran"}, {15, "+0"},
      {63, "+48"}, {64, "-1"}, {111, "-48"},    {112, " "},     {113, " "},       {114, "?"},   {255, "?"}};
  for (auto [in, want] : labels) EXPECT_EQ(PitchCodeLabel(in), want) << in;
}

TEST(KeyLabels, LabelToMultiLine) {
  EXPECT_EQ(LabelToMultiLine("hold off"), "hold\roff");
  EXPECT_EQ(LabelToMultiLine(" left"), "\rleft");
  EXPECT_EQ(LabelToMultiLine("13.11-9"), "13.11-9");
  EXPECT_EQ(LabelToMultiLine(""), "");
}

TEST_F(KeyMapTest, TemplateShowsTheCurrentKeyModesMap) {
  for (int k = 0; k < 128; ++k) {
    SetKeyFnLive(k, 2, "p" + std::to_string(k));
    SetKeyFnRec(k, 47, "r" + std::to_string(k));
  }
  SetKeyFnLive(12, 0, "cmd");

  auto views = TemplateKeyViews(TKeyMode::Inactive);
  for (const TKeyView& v : views) ASSERT_EQ(v, (TKeyView{"?", ClKtFgWarnVal, ClKtBgWarnFcn}));

  views = TemplateKeyViews(TKeyMode::Calibrate);  // shows the Live labels
  EXPECT_EQ(views[12], (TKeyView{"cmd", ClKtFgLiveVal, ClKtBgWarnFcn}));
  EXPECT_EQ(views[13], (TKeyView{"p13", ClKtFgLiveVal, ClKtBgLiveFcn}));
  EXPECT_EQ(TemplateKeyViews(TKeyMode::RecBarsStop)[40].Label, "r40");

  InPortOctaveOffset[0].store(1);
  views = TemplateKeyViews(TKeyMode::Live);
  for (int k = 0; k < 12; ++k) EXPECT_EQ(views[k], (TKeyView{"p", ClKtFgLiveVal, ClKtBgLiveFcn})) << k;
  EXPECT_EQ(views[12].Label, "p0");
  EXPECT_EQ(views[24].Label, "cmd");
  EXPECT_EQ(views[127].Label, "p115");

  InPortOctaveOffset[0].store(-1);
  views = TemplateKeyViews(TKeyMode::Record);
  EXPECT_EQ(views[0].Label, "r12");
  EXPECT_EQ(views[115].Label, "r127");
  for (int k = 116; k < 128; ++k) EXPECT_EQ(views[k], (TKeyView{"r", ClKtFgRecVal, ClKtBgRecFcn})) << k;

  views = TemplateKeyViews(TKeyMode::Command);
  EXPECT_EQ(views[127], (TKeyView{" ", ClKtFgNone, ClKtBgNone}));

  views = TemplateKeyViews(KeyModeFromNo(200));
  EXPECT_EQ(views[60].Label, "?");
  EXPECT_EQ(ErrMsg.TakeAndClear(), "KeyModeToLabMode error: Invalid KeyMode");
}

TEST_F(KeyMapTest, AViewOfNoModeShowsTheWarningQuestionMark) {
  // MtNone is 255: it must not index the 14-entry default tables.
  for (int k : {0, 60, 127})
    EXPECT_EQ(KeyViewAt(MtNone, k), (TKeyView{"?", ClKtFgWarnVal, ClKtBgWarnFcn})) << k;
  EXPECT_EQ(KeyViewAt(static_cast<TModeType>(14), 0), (TKeyView{"?", ClKtFgWarnVal, ClKtBgWarnFcn}));
}

}  // namespace
}  // namespace vel
