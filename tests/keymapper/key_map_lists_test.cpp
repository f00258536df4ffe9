#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "base/UiRecorder.h"
#include "keymapper/KeyMapLists.h"
#include "keymaps/KeyTestSupport.h"

namespace vel {
namespace {

using test::KeyMapTest;

std::vector<std::string> Tokens(const TModeCombo& combo) {
  std::vector<std::string> v;
  for (const TModeComboItem& item : combo.Items) v.push_back(item.Token);
  return v;
}

std::vector<int> ItemCodes(const TModeCombo& combo) {
  std::vector<int> v;
  for (const TModeComboItem& item : combo.Items) v.push_back(item.Code);
  return v;
}

TEST(KeyMapLists, FourteenListsInRowOrderWithTheirSizes) {
  const std::vector<std::tuple<std::string, TModeType, std::size_t>> expected = {
      {"cboCmd", MtCmd, 72},
      {"cboLive", MtLive, 7},
      {"cboRec", MtRec, 21},
      {"cboSRec", MtSRec, 24},
      {"cboRangeN", MtRangeN, 16},
      {"cboRangeTSigN", MtTSig, 65},
      {"cboRangeTShiftN", MtTShift, 68},
      {"cboRangeFtsTypeN", MtFtsType, 68},
      {"cboRangeFtsRootN", MtFtsRoot, 16},
      {"cboRangeFtn", MtFtn, 16},
      {"cboRangeQuantN", MtQuant, 22},
      {"cboRangePitchO", MtPitch, 102},
      {"cboRangeMetrN", MtMetr, 131},
      {"cboRangeHotkeyN", MtHotkey, 6},
  };
  const auto& combos = ModeCombos();
  ASSERT_EQ(combos.size(), expected.size());
  for (std::size_t i = 0; i < combos.size(); ++i) {
    const auto& [name, t, size] = expected[i];
    EXPECT_EQ(combos[i].Name, name);
    EXPECT_EQ(combos[i].ModeType, t);
    EXPECT_EQ(combos[i].Items.size(), size) << name;
    EXPECT_EQ(&ModeComboOf(t), &combos[i]);
    // The ignore item heads every list.
    const TModeComboItem& first = combos[i].Items.front();
    EXPECT_EQ(ModeComboItemText(first, false), " ");
    EXPECT_EQ(ModeComboItemText(first, true), "   : ignore");
    EXPECT_EQ(first.Code, KeyModeInfo(t).IgnoreCode);
  }
}

TEST(KeyMapLists, ItemTextsWithAndWithoutHints) {
  EXPECT_EQ(
      ModeComboItemTexts(ModeComboOf(MtLive), true),
      (std::vector<std::string>{"   : ignore", "cmd  : switch to command mode", "p  : live playable note",
                                " left  : hotkey cursor left", " rght  : hotkey cursor right",
                                " +  : hotkey plus", " -  : hotkey minus"}));
  EXPECT_EQ(ModeComboItemTexts(ModeComboOf(MtHotkey), false),
            (std::vector<std::string>{" ", "esc", " left", " rght", " +", " -"}));
  EXPECT_EQ(ItemCodes(ModeComboOf(MtHotkey)), (std::vector<int>{162, 0, 7, 8, 13, 14}));
  EXPECT_EQ(ItemCodes(ModeComboOf(MtLive)), (std::vector<int>{162, 0, 2, 6, 7, 12, 13}));

  const auto tsig = ModeComboItemTexts(ModeComboOf(MtTSig), true);
  EXPECT_EQ(tsig[1], "esc  : abort/return to live mode");
  EXPECT_EQ(tsig[2], "2 1/2  : numerator & denominator values");
  EXPECT_EQ(tsig[3], "3  : ");
  EXPECT_EQ(tsig[4], "4 1/4  : ");
  EXPECT_EQ(tsig[20], "20  : ");
  EXPECT_EQ(tsig[64], "64 1/64  : ");

  const auto pitch = ModeComboItemTexts(ModeComboOf(MtPitch), true);
  EXPECT_EQ(pitch[2], "hold  : don't return to live mode at command end");
  EXPECT_EQ(pitch[5], "+0  : reset pitch offset to base value");
  EXPECT_EQ(pitch[6], "+1  : set pitch offset to +1 semitone");
  EXPECT_EQ(pitch[7], "+2  : ");
  EXPECT_EQ(pitch[54], "-1  : set pitch offset to -1 semitone");
  EXPECT_EQ(pitch[101], "-48  : ");

  const auto metr = ModeComboItemTexts(ModeComboOf(MtMetr), true);
  EXPECT_EQ(metr[2], "met sty  : switch to metr styles mode");
  EXPECT_EQ(metr[3], "C-2  : metr note for bar & beat");
  EXPECT_EQ(metr[4], "C#-2  : ");
  EXPECT_EQ(metr[27], "C  : ");
  EXPECT_EQ(metr[130], "G8  : ");

  EXPECT_EQ(ModeComboItemTexts(ModeComboOf(MtFtsRoot), true)[4],
            "C  : define root note and switch to fts type mode");
  EXPECT_EQ(ModeComboItemTexts(ModeComboOf(MtFtn), true)[2], "fts nn  : switch to force-to-scale root mode");
  EXPECT_EQ(ModeComboItemTexts(ModeComboOf(MtFtn), true)[4], "C  : target notes");
  EXPECT_EQ(ModeComboItemTexts(ModeComboOf(MtRangeN), true)[15], "9  : digit");
}

TEST(KeyMapLists, TokensAndCodesOfTheCommandAndRecordLists) {
  EXPECT_EQ(
      Tokens(ModeComboOf(MtCmd)),
      (std::vector<std::string>{
          " ",       "esc",     "all but",  "cal",     "cha nn",  "cha +", "cha -",   "del",      "del prgs",
          "dsel",    "live",    "ftn n..n", "fts nn",  "hot key", "inv",   "load nn", "met nn",   "mute",
          "m 1",     "m 2",     "mp 1",     "mp 2",    "nq 0",    "nq 4",  "oct +",   "oct -",    "play",
          "p 1",     "p 2",     "pm 1",     "pm 2",    "pmt",     "pmt 1", "pmt 2",   "part n",   "part +",
          "part -",  "pit",     "pit 0",    "pit 1",   "pit 2",   "pit n", "pit lck", "pit ulck", "pit mde",
          "port n",  "port +",  "port -",   "prg nnn", "prg +",   "prg -", "q tt",    "rec",      "rst",
          "save nn", "seq 1",   "seq 2",    "seq 3",   "seq 4",   "srec",  "stop",    "temp nnn", "temp +",
          "temp -",  "slew nn", "time +",   "time -",  "tsig tt", "tran",  "vel n",   "vel +",    "vel -"}));
  const auto cmd = ModeComboItemTexts(ModeComboOf(MtCmd), true);
  EXPECT_EQ(cmd[16], "met nn  : notes/clicks/styles via metr/digit mode");
  EXPECT_EQ(cmd[55], "seq 1  : toggle selection");
  EXPECT_EQ(cmd[68], "tran  : transpose; add pitch offset to base value");

  EXPECT_EQ(Tokens(ModeComboOf(MtRec)),
            (std::vector<std::string>{" ",    "esc",  "oct +", "oct -", "r",     "srec", "mute",
                                      "m 1",  "m 2",  "mp 1",  "mp 2",  "play",  "p 1",  "p 2",
                                      "pm 1", "pm 2", "stop",  " left", " rght", " +",   " -"}));
  EXPECT_EQ(ItemCodes(ModeComboOf(MtRec)), (std::vector<int>{207, 0, 37, 38, 47, 39, 20, 21, 22, 29, 30,
                                                             3,   4, 5,  12, 13, 2,  51, 52, 57, 58}));
  EXPECT_EQ(ModeComboItemTexts(ModeComboOf(MtRec), true)[1],
            "esc  : retake/stop recording/return to live mode");

  EXPECT_EQ(Tokens(ModeComboOf(MtSRec)),
            (std::vector<std::string>{" ",   "esc",  "sr",   "oct +", "oct -", "rest",  "1/4",  "1/8",
                                      "rec", "mute", "m 1",  "m 2",   "mp 1",  "mp 2",  "play", "p 1",
                                      "p 2", "pm 1", "pm 2", "stop",  " left", " rght", " +",   " -"}));
  EXPECT_EQ(ItemCodes(ModeComboOf(MtSRec)),
            (std::vector<int>{234, 0,  74, 62, 63, 37, 41, 44, 68, 20, 21, 22,
                              29,  30, 3,  4,  5,  12, 13, 2,  78, 79, 84, 85}));
  const auto srec = ModeComboItemTexts(ModeComboOf(MtSRec), true);
  EXPECT_EQ(srec[3], "oct +  : pitch offset up 1 octave");
  EXPECT_EQ(srec[6], "1/4  : ");
  EXPECT_EQ(srec[9], "mute  : stop rec & run muted forever");
}

TEST(KeyMapLists, FractionAndScaleLists) {
  EXPECT_EQ(Tokens(ModeComboOf(MtQuant)),
            (std::vector<std::string>{" ",       "esc",     "0 off",   "1 1/1",   "2 1/2",   "3 1/3",
                                      "4 1/4",   "5 1/5",   "6 1/6",   "8 1/8",   "10 1/10", "12 1/12",
                                      "15 1/15", "16 1/16", "20 1/20", "24 1/24", "30 1/30", "32 1/32",
                                      "40 1/40", "48 1/48", "60 1/60", "64 1/64"}));
  const auto& tshift = ModeComboOf(MtTShift).Items;
  EXPECT_EQ(tshift[2].Token, "*");
  EXPECT_EQ(tshift[3].Token, "0 off");
  EXPECT_EQ(ModeComboItemText(tshift[4], true), "1 1/1  : no. of beats & beat length values");
  EXPECT_EQ(tshift[10].Token, "7");
  EXPECT_EQ(tshift[23].Token, "20 1/20");
  EXPECT_EQ(tshift[23].Code, 32);
  EXPECT_EQ(tshift[67].Token, "64 1/64");

  const auto& fts = ModeComboOf(MtFtsType).Items;
  EXPECT_EQ(ModeComboItemText(fts[12], true), "dim  : diminished scale");
  EXPECT_EQ(fts[12].Code, 15);
  EXPECT_EQ(ModeComboItemText(fts[20], true), "M  : major chord");
  EXPECT_EQ(ModeComboItemText(fts[23], true), "dim  : diminished chord");
  EXPECT_EQ(fts[23].Code, 26);
  EXPECT_EQ(ModeComboItemText(fts[24], true), "aug  : augmented chord");
  EXPECT_EQ(fts[24].Code, 27);
  EXPECT_EQ(ModeComboItemText(fts[25], true), "m+5  : chord");
  EXPECT_EQ(fts[25].Code, 28);
  EXPECT_EQ(ModeComboItemText(fts[67], true), "9+5-5  : chord");
  EXPECT_EQ(fts[67].Code, 70);
}

TEST(KeyMapLists, ItemTokenIsTheTextBeforeTheColon) {
  EXPECT_EQ(ComboItemToken("cmd  : switch to command mode"), "cmd");
  EXPECT_EQ(ComboItemToken("cmd"), "cmd");
  EXPECT_EQ(ComboItemToken("3  : "), "3");
  EXPECT_EQ(ComboItemToken(" left  : hotkey cursor left"), " left");
  EXPECT_EQ(ComboItemToken(" left"), " left");
  EXPECT_EQ(ComboItemToken("   : ignore"), "");
  EXPECT_EQ(ComboItemToken(" "), "");
  // Both forms of every item give its token.
  for (const TModeCombo& combo : ModeCombos())
    for (std::size_t i = 1; i < combo.Items.size(); ++i) {
      const TModeComboItem& item = combo.Items[i];
      EXPECT_EQ(ComboItemToken(ModeComboItemText(item, true)), item.Token) << combo.Name << " " << i;
      EXPECT_EQ(ComboItemToken(ModeComboItemText(item, false)), item.Token) << combo.Name << " " << i;
    }
}

TEST_F(KeyMapTest, PickingAnItemSetsItsCode) {
  // Every item of every list stores its own code and its token as the label, in both forms.
  test::UiRecorder ui;
  for (const TModeCombo& combo : ModeCombos())
    for (const TModeComboItem& item : combo.Items) {
      const std::string label = KeyFnFromComboItem(combo.ModeType, 48, item);  // C1, as the calibrate key
      ASSERT_EQ(KeyCodeAt(combo.ModeType, 48), item.Code) << combo.Name << " '" << item.Token << "'";
      ASSERT_EQ(label, item.Token) << combo.Name;
      ASSERT_EQ(KeyLabelsOf(combo.ModeType)[48], item.Token) << combo.Name;
    }
  EXPECT_TRUE(ui.boxes.empty());

  // The chord entries that share their labels with the scales reach the chords.
  const auto& fts = ModeComboOf(MtFtsType).Items;
  std::vector<std::pair<int, int>> sent;
  KeyMapCalls().TarloSendKey = [&](TModeType t, int key) { sent.emplace_back(t, key); };
  Cfg.InPortOctaveOffset[0].store(1);
  EXPECT_EQ(KeyFnFromComboItem(MtFtsType, 60, fts[23]), "dim");
  EXPECT_EQ(KeyMapFtsType[48].load(), 26);
  EXPECT_EQ(KeyColoursAt(MtFtsType, 48), Colours(Cfg.ClKtFgPitchVal, Cfg.ClKtBgPitchFcn));
  EXPECT_EQ(KeyFnFromComboItem(MtFtsType, 60, fts[12]), "dim");
  EXPECT_EQ(KeyMapFtsType[48].load(), 15);
  EXPECT_EQ(sent, (std::vector<std::pair<int, int>>{{MtFtsType, 48}, {MtFtsType, 48}}));

  // The Live "cmd" item goes through the parser's calibrate-key question.
  ui.Answer(MsgAnswer::No);
  KeyFnFromComboItem(MtLive, 62, ModeComboOf(MtLive).Items[1]);
  ASSERT_EQ(ui.boxes.size(), 1u);
  EXPECT_EQ(ui.boxes[0].text.substr(0, ui.boxes[0].text.find('\r')),
            "About to map a Live Cmd function to key D3");
  EXPECT_EQ(KeyMapLive[50].load(), 0);
}

}  // namespace
}  // namespace vel
