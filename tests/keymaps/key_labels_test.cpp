#include <gtest/gtest.h>

#include <vector>

#include "base/Topics.h"
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
  ExpectRule(MtLive, {{0, &Cfg.ClKtFgLiveVal, &Cfg.ClKtBgWarnFcn},
                      {1, &Cfg.ClKtFgRecVal, &Cfg.ClKtBgRecFcn},
                      {2, &Cfg.ClKtFgLiveVal, &Cfg.ClKtBgLiveFcn},
                      {3, &Cfg.ClKtFgNone, &Cfg.ClKtBgHotkeyFcn},
                      {161, &Cfg.ClKtFgNone, &Cfg.ClKtBgHotkeyFcn},
                      {162, &Cfg.ClKtFgNone, &Cfg.ClKtBgNone},
                      {163, &Cfg.ClKtFgLiveVal, &Cfg.ClKtBgWarnFcn}});
  ExpectRule(MtHotkey, {{0, &Cfg.ClKtFgNone, &Cfg.ClKtBgWarnFcn},
                        {1, &Cfg.ClKtFgLiveVal, &Cfg.ClKtBgLiveFcn},
                        {2, &Cfg.ClKtFgNone, &Cfg.ClKtBgHotkeyFcn2},
                        {4, &Cfg.ClKtFgNone, &Cfg.ClKtBgHotkeyFcn2},
                        {5, &Cfg.ClKtFgNone, &Cfg.ClKtBgHotkeyFcn},
                        {161, &Cfg.ClKtFgNone, &Cfg.ClKtBgHotkeyFcn},
                        {162, &Cfg.ClKtFgNone, &Cfg.ClKtBgNone},
                        {163, &Cfg.ClKtFgNone, &Cfg.ClKtBgHotkeyFcn}});
  ExpectRule(MtRec, {{0, &Cfg.ClKtFgRecVal, &Cfg.ClKtBgWarnFcn},
                     {1, &Cfg.ClKtFgLiveVal, &Cfg.ClKtBgLiveFcn},
                     {2, &Cfg.ClKtFgRecVal, &Cfg.ClKtBgWarnFcn},
                     {46, &Cfg.ClKtFgRecVal, &Cfg.ClKtBgWarnFcn},
                     {47, &Cfg.ClKtFgRecVal, &Cfg.ClKtBgRecFcn},
                     {48, &Cfg.ClKtFgNone, &Cfg.ClKtBgHotkeyFcn},
                     {206, &Cfg.ClKtFgNone, &Cfg.ClKtBgHotkeyFcn},
                     {207, &Cfg.ClKtFgNone, &Cfg.ClKtBgNone},
                     {208, &Cfg.ClKtFgRecVal, &Cfg.ClKtBgWarnFcn}});
  ExpectRule(MtSRec, {{0, &Cfg.ClKtFgRecVal, &Cfg.ClKtBgWarnFcn},
                      {1, &Cfg.ClKtFgLiveVal, &Cfg.ClKtBgLiveFcn},
                      {73, &Cfg.ClKtFgRecVal, &Cfg.ClKtBgWarnFcn},
                      {74, &Cfg.ClKtFgRecVal, &Cfg.ClKtBgRecFcn},
                      {75, &Cfg.ClKtFgNone, &Cfg.ClKtBgHotkeyFcn},
                      {233, &Cfg.ClKtFgNone, &Cfg.ClKtBgHotkeyFcn},
                      {234, &Cfg.ClKtFgNone, &Cfg.ClKtBgNone},
                      {235, &Cfg.ClKtFgRecVal, &Cfg.ClKtBgWarnFcn}});
  ExpectRule(MtRangeN, {{0, &Cfg.ClKtFgDigitVal, &Cfg.ClKtBgWarnFcn},
                        {1, &Cfg.ClKtFgLiveVal, &Cfg.ClKtBgLiveFcn},
                        {5, &Cfg.ClKtFgDigitVal, &Cfg.ClKtBgDigitFcn},
                        {15, &Cfg.ClKtFgDigitVal, &Cfg.ClKtBgDigitFcn2},
                        {21, &Cfg.ClKtFgDigitVal, &Cfg.ClKtBgDigitFcn2},
                        {22, &Cfg.ClKtFgDigitVal, &Cfg.ClKtBgTimeFcn},
                        {23, &Cfg.ClKtFgDigitVal, &Cfg.ClKtBgDigitFcn},
                        {44, &Cfg.ClKtFgNone, &Cfg.ClKtBgNone}});
  ExpectRule(MtTSig, {{0, &Cfg.ClKtFgTimeVal, &Cfg.ClKtBgWarnFcn},
                      {1, &Cfg.ClKtFgLiveVal, &Cfg.ClKtBgLiveFcn},
                      {2, &Cfg.ClKtFgTimeVal, &Cfg.ClKtBgTimeFcn},
                      {67, &Cfg.ClKtFgTimeVal, &Cfg.ClKtBgTimeFcn},
                      {68, &Cfg.ClKtFgNone, &Cfg.ClKtBgNone}});
  ExpectRule(MtTShift, {{0, &Cfg.ClKtFgTimeVal, &Cfg.ClKtBgWarnFcn},
                        {1, &Cfg.ClKtFgLiveVal, &Cfg.ClKtBgLiveFcn},
                        {4, &Cfg.ClKtFgTimeVal, &Cfg.ClKtBgTimeFcn},
                        {5, &Cfg.ClKtFgTimeVal, &Cfg.ClKtBgTimeFcn2},
                        {11, &Cfg.ClKtFgTimeVal, &Cfg.ClKtBgTimeFcn2},
                        {12, &Cfg.ClKtFgTimeVal, &Cfg.ClKtBgTimeFcn},
                        {77, &Cfg.ClKtFgNone, &Cfg.ClKtBgNone}});
  ExpectRule(MtQuant, {{0, &Cfg.ClKtFgTimeVal, &Cfg.ClKtBgWarnFcn},
                       {1, &Cfg.ClKtFgLiveVal, &Cfg.ClKtBgLiveFcn},
                       {12, &Cfg.ClKtFgTimeVal, &Cfg.ClKtBgTimeFcn},
                       {77, &Cfg.ClKtFgNone, &Cfg.ClKtBgNone}});
  ExpectRule(MtPitch, {{0, &Cfg.ClKtFgPitchVal, &Cfg.ClKtBgWarnFcn},
                       {1, &Cfg.ClKtFgLiveVal, &Cfg.ClKtBgLiveFcn},
                       {4, &Cfg.ClKtFgPitchVal, &Cfg.ClKtBgPitchFcn},
                       {5, &Cfg.ClKtFgPitchVal, &Cfg.ClKtBgPitchFcn2},
                       {14, &Cfg.ClKtFgPitchVal, &Cfg.ClKtBgPitchFcn2},
                       {15, &Cfg.ClKtFgPitchVal, &Cfg.ClKtBgWarnFcn},
                       {16, &Cfg.ClKtFgPitchVal, &Cfg.ClKtBgPitchFcn},
                       {112, &Cfg.ClKtFgNone, &Cfg.ClKtBgNone}});
  ExpectRule(MtMetr, {{0, &Cfg.ClKtFgNoteVal, &Cfg.ClKtBgWarnFcn},
                      {1, &Cfg.ClKtFgLiveVal, &Cfg.ClKtBgLiveFcn},
                      {5, &Cfg.ClKtFgNoteVal, &Cfg.ClKtBgNoteFcn2},
                      {10, &Cfg.ClKtFgNoteVal, &Cfg.ClKtBgNoteFcn2},
                      {11, &Cfg.ClKtFgDigitVal, &Cfg.ClKtBgDigitFcn2},
                      {12, &Cfg.ClKtFgNoteVal, &Cfg.ClKtBgNoteFcn},
                      {140, &Cfg.ClKtFgNone, &Cfg.ClKtBgNone}});
  for (TModeType t : {MtFtsRoot, MtFtn})
    ExpectRule(t, {{0, &Cfg.ClKtFgNoteVal, &Cfg.ClKtBgWarnFcn},
                   {1, &Cfg.ClKtFgLiveVal, &Cfg.ClKtBgLiveFcn},
                   {5, &Cfg.ClKtFgNoteVal, &Cfg.ClKtBgPitchFcn},
                   {6, &Cfg.ClKtFgNoteVal, &Cfg.ClKtBgNoteFcn2},
                   {7, &Cfg.ClKtFgNoteVal, &Cfg.ClKtBgNoteFcn},
                   {19, &Cfg.ClKtFgNone, &Cfg.ClKtBgNone}});
  ExpectRule(MtFtsType, {{0, &Cfg.ClKtFgPitchVal, &Cfg.ClKtBgWarnFcn},
                         {1, &Cfg.ClKtFgLiveVal, &Cfg.ClKtBgLiveFcn},
                         {5, &Cfg.ClKtFgNoteVal, &Cfg.ClKtBgPitchFcn},
                         {6, &Cfg.ClKtFgPitchVal, &Cfg.ClKtBgPitchFcn2},
                         {7, &Cfg.ClKtFgPitchVal, &Cfg.ClKtBgPitchFcn2},
                         {8, &Cfg.ClKtFgPitchVal, &Cfg.ClKtBgPitchFcn},
                         {71, &Cfg.ClKtFgNone, &Cfg.ClKtBgNone}});
}

TEST_F(KeyMapTest, ColourRuleOfTheCommandMode) {
  std::vector<RuleCase> cases;
  auto add = [&](std::initializer_list<int> codes, TColor* font, TColor* back) {
    for (int c : codes) cases.push_back({c, font, back});
  };
  add({0, 120, 138, 139, 140}, &Cfg.ClKtFgNone, &Cfg.ClKtBgWarnFcn);
  add({1}, &Cfg.ClKtFgLiveVal, &Cfg.ClKtBgLiveFcn);
  add({11, 12, 21, 22, 32, 33, 42, 43, 53, 54, 109, 112, 115, 121, 141}, &Cfg.ClKtFgDigitVal,
      &Cfg.ClKtBgCmdMode);
  add({56, 59, 63}, &Cfg.ClKtFgRecVal, &Cfg.ClKtBgRecFcn);
  add({64, 67, 71}, &Cfg.ClKtFgDigitVal, &Cfg.ClKtBgRecFcn);
  add({72, 87, 90, 108}, &Cfg.ClKtFgSelVal, &Cfg.ClKtBgSelFcn);
  add({91, 102, 105, 106, 107, 137}, &Cfg.ClKtFgNone, &Cfg.ClKtBgPitchFcn);
  add({103, 104}, &Cfg.ClKtFgDigitVal, &Cfg.ClKtBgPitchFcn);
  add({118, 119, 130, 135}, &Cfg.ClKtFgTimeVal, &Cfg.ClKtBgTimeFcn);
  add({124, 127}, &Cfg.ClKtFgDigitVal, &Cfg.ClKtBgTimeFcn);
  add({125, 126, 131, 134}, &Cfg.ClKtFgNone, &Cfg.ClKtBgTimeFcn);
  add({128, 129}, &Cfg.ClKtFgNoteVal, &Cfg.ClKtBgPitchFcn);
  add({136}, &Cfg.ClKtFgNoteVal, &Cfg.ClKtBgNoteFcn);
  add({144, 145}, &Cfg.ClKtFgDigitVal, &Cfg.ClKtBgWarnFcn);
  add({146}, &Cfg.ClKtFgNone, &Cfg.ClKtBgHotkeyFcn);
  add({147}, &Cfg.ClKtFgNone, &Cfg.ClKtBgNone);
  add({2, 10, 13, 20, 23, 31, 34, 41, 44, 52, 55, 110, 111, 113, 114, 116, 117, 122, 123, 142, 143, 148},
      &Cfg.ClKtFgNone, &Cfg.ClKtBgCmdMode);
  ExpectRule(MtCmd, cases);
  Cfg.MetrModeStyles = 1;
  ExpectRule(MtCmd, {{136, &Cfg.ClKtFgDigitVal, &Cfg.ClKtBgDigitFcn2}});
}

TEST_F(KeyMapTest, SetKLabDefsGivesEachModeItsOutOfMapLabelAndColours) {
  const std::array<std::string, 14> labels = {"p", " ", "r", "sr", " ", " ", " ",
                                              " ", " ", " ", " ",  " ", " ", " "};
  EXPECT_EQ(KeyLabelDefs.ModeDefaultLabels, labels);
  EXPECT_EQ(KeyLabelDefs.ModeDefaultFontColours[MtLive], Cfg.ClKtFgLiveVal);
  EXPECT_EQ(KeyLabelDefs.ModeDefaultBackColours[MtLive], Cfg.ClKtBgLiveFcn);
  for (TModeType t : {MtRec, MtSRec}) {
    EXPECT_EQ(KeyLabelDefs.ModeDefaultFontColours[t], Cfg.ClKtFgRecVal);
    EXPECT_EQ(KeyLabelDefs.ModeDefaultBackColours[t], Cfg.ClKtBgRecFcn);
  }
  for (int t = MtCmd; t < ModeTypeCount; ++t) {
    if (t == MtRec || t == MtSRec) continue;
    EXPECT_EQ(KeyLabelDefs.ModeDefaultFontColours[t], Cfg.ClKtFgNone) << t;
    EXPECT_EQ(KeyLabelDefs.ModeDefaultBackColours[t], Cfg.ClKtBgNone) << t;
  }
}

TEST_F(KeyMapTest, RecolourKeyMapsTakesNewColoursEverywhere) {
  SetKeyFnLive(0, 2, "p");
  SetKeyFnCmd(1, 136, "met nn");
  std::vector<int> resends;
  KeyMapCalls().TarloResendColours = [&] { resends.push_back(1); };
  Topics.Clear();

  Cfg.ClKtBgNone = Rgb(1, 2, 3);
  Cfg.ClKtBgLiveFcn = Rgb(4, 5, 6);
  Cfg.MetrModeStyles = 1;
  RecolourKeyMaps();
  for (int t = 0; t < ModeTypeCount; ++t) {
    const auto mt = static_cast<TModeType>(t);
    for (int k = 2; k < 128; ++k) ASSERT_EQ(KeyBackColoursOf(mt)[k], Rgb(1, 2, 3)) << t << " " << k;
    if (mt != MtLive && mt != MtRec && mt != MtSRec) {
      EXPECT_EQ(KeyLabelDefs.ModeDefaultBackColours[t], Rgb(1, 2, 3)) << t;
    }
  }
  EXPECT_EQ(KeyBackColoursOf(MtLive)[0], Rgb(4, 5, 6));
  EXPECT_EQ(KeyLabelDefs.ModeDefaultBackColours[MtLive], Rgb(4, 5, 6));
  EXPECT_EQ(KeyLabelDefs.ModeDefaultBackColours[MtRec], Cfg.ClKtBgRecFcn);
  EXPECT_EQ(KeyColoursAt(MtCmd, 1), Colours(Cfg.ClKtFgDigitVal, Cfg.ClKtBgDigitFcn2));
  // Codes and labels stay.
  EXPECT_EQ(KeyMapCmd[1].load(), 136);
  EXPECT_EQ(KeyLabelsCmd[1], "met nn");
  EXPECT_EQ(KeyLabelsLive[0], "p");
  // Whatever window shows the keys draws them again.
  EXPECT_TRUE(Topics.Raised(TTopic::LiveKey));
  EXPECT_EQ(resends.size(), 1u);
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
  SetKeyFnLive(14, 2, "\xC2\xB1\xC2\xBD tempo x");  // a label keeps 8 characters, not 8 bytes

  auto views = TemplateKeyViews(TKeyMode::Inactive);
  for (const TKeyView& v : views) ASSERT_EQ(v, (TKeyView{"?", Cfg.ClKtFgWarnVal, Cfg.ClKtBgWarnFcn}));

  views = TemplateKeyViews(TKeyMode::Calibrate);  // shows the Live labels
  EXPECT_EQ(views[12], (TKeyView{"cmd", Cfg.ClKtFgLiveVal, Cfg.ClKtBgWarnFcn}));
  EXPECT_EQ(views[13], (TKeyView{"p13", Cfg.ClKtFgLiveVal, Cfg.ClKtBgLiveFcn}));
  EXPECT_EQ(views[14].Label, "\xC2\xB1\xC2\xBD tempo");
  EXPECT_EQ(TemplateKeyViews(TKeyMode::RecBarsStop)[40].Label, "r40");

  Cfg.InPortOctaveOffset[0].store(1);
  views = TemplateKeyViews(TKeyMode::Live);
  for (int k = 0; k < 12; ++k)
    EXPECT_EQ(views[k], (TKeyView{"p", Cfg.ClKtFgLiveVal, Cfg.ClKtBgLiveFcn})) << k;
  EXPECT_EQ(views[12].Label, "p0");
  EXPECT_EQ(views[24].Label, "cmd");
  EXPECT_EQ(views[127].Label, "p115");

  Cfg.InPortOctaveOffset[0].store(-1);
  views = TemplateKeyViews(TKeyMode::Record);
  EXPECT_EQ(views[0].Label, "r12");
  EXPECT_EQ(views[115].Label, "r127");
  for (int k = 116; k < 128; ++k)
    EXPECT_EQ(views[k], (TKeyView{"r", Cfg.ClKtFgRecVal, Cfg.ClKtBgRecFcn})) << k;

  views = TemplateKeyViews(TKeyMode::Command);
  EXPECT_EQ(views[127], (TKeyView{" ", Cfg.ClKtFgNone, Cfg.ClKtBgNone}));

  views = TemplateKeyViews(KeyModeFromNo(200));
  EXPECT_EQ(views[60].Label, "?");
  EXPECT_EQ(Msgs.ErrMsg.TakeAndClear(), "KeyModeToLabMode error: Invalid KeyMode");
}

TEST_F(KeyMapTest, AViewOfNoModeShowsTheWarningQuestionMark) {
  // MtNone is 255: it must not index the 14-entry default tables.
  for (int k : {0, 60, 127})
    EXPECT_EQ(KeyViewAt(MtNone, k), (TKeyView{"?", Cfg.ClKtFgWarnVal, Cfg.ClKtBgWarnFcn})) << k;
  EXPECT_EQ(KeyViewAt(static_cast<TModeType>(14), 0), (TKeyView{"?", Cfg.ClKtFgWarnVal, Cfg.ClKtBgWarnFcn}));
}

}  // namespace
}  // namespace vel
