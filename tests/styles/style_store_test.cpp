#include <gtest/gtest.h>

#include <array>
#include <string>
#include <string_view>

#include "base/UiRecorder.h"
#include "settings/ResetModelState.h"
#include "styles/StyleStore.h"
#include "styles/StyleTestState.h"

namespace vel {
namespace {

// The settings table holds pointers to the settings; the keyword names must give constant addresses.
constexpr int32_t* kStyleNoAddress = &DrumStore.StyleNo;
constexpr int32_t* kGraceAddress = &BassStore.FlamSpeed;
static_assert(kStyleNoAddress == &DrumStore.StyleNo && kGraceAddress == &BassStore.FlamSpeed);

class StyleStoreTest : public ::testing::Test {
 protected:
  void SetUp() override { test::ResetStyleState(); }
  void TearDown() override { ResetModelState(); }

  static void ExpectRows(const TStylePattern& p, const std::array<std::string_view, kStyleRows>& rows) {
    for (int32_t r = 0; r < kStyleRows; ++r) EXPECT_EQ(p.Rows[r].View(), rows[r]) << "row " << r;
  }
};

TEST_F(StyleStoreTest, SettingsStartAtTheirFactoryValues) {
  EXPECT_EQ(DrumStore.StyleNo, 0);
  EXPECT_EQ(DrumStore.PatNo, 0);
  EXPECT_EQ(BassStore.StyleNo, 0);
  EXPECT_EQ(BassStore.PatNo, 0);
  EXPECT_EQ(DrumStore.FlamSpeed, 60);
  EXPECT_EQ(BassStore.FlamSpeed, 57);
  EXPECT_EQ(DrumStore.VelVar, 40);
  EXPECT_EQ(BassStore.VelVar, 40);
  EXPECT_EQ(DrumStore.AccentEnabled, 1);
  EXPECT_EQ(BassStore.AccentEnabled, 1);
  EXPECT_EQ(DrumStore.DspGMNames, 1);
  EXPECT_EQ(DrumStore.UsePatTSig, 1);
  EXPECT_EQ(BassStore.UsePatTSig, 1);
  EXPECT_EQ(DrumStore.ShowChains, 0);
  EXPECT_EQ(DrumStore.ShowPatterns, 0);
  EXPECT_EQ(BassStore.ShowChains, 0);
  EXPECT_EQ(BassStore.ShowPatterns, 0);
  EXPECT_EQ(DrumStore.ChainOn, 0);
  EXPECT_EQ(DrumStore.ChainNoStart, 0);
  EXPECT_EQ(BassStore.ChainNoStart, 0);
  // The store is usable before start-up loads anything.
  EXPECT_EQ(DrumStore.LastStyle, 0);
  EXPECT_EQ(FmtDrumStyleCaption(0), "01-Rock");
  EXPECT_EQ(FmtBassStyleCaption(0), "01-Sample1");
}

TEST_F(StyleStoreTest, DrumFactoryIsRockWithOneMainAndOneBreak) {
  // Leave edits behind that the factory load must replace, and one it must leave alone.
  DrumStore.LastStyle = 3;
  DrumStore.Styles[1] = {2, 4, "Funk"};
  DrumStore.Styles[0].Name = "Mine";
  DrumStore.Patterns[0][0].Rows[5] = "xxxxxxxxxxxxxxxx";
  DrumStore.Patterns[0][1].Name = "Keep";
  DrumStore.StyleNo = 1;
  DrumStore.PatNo = 2;
  DrumStore.Chains[0][1] = {0, 1, 2, 3};
  DrumStore.ChainOn = 1;
  DrumStore.RowVel.fill(10);
  DrumStore.RowOn.fill(0);
  DrumStore.AccentEnabled = 0;

  LoadDrumFactory();

  EXPECT_EQ(DrumStore.LastStyle, 0);
  EXPECT_EQ(DrumStore.Styles[0].Name, "Rock");
  EXPECT_EQ(DrumStore.Styles[0].LastMain, 0);
  EXPECT_EQ(DrumStore.Styles[0].LastBreak, 0);
  EXPECT_EQ(DrumStore.Styles[1].Name, "");
  EXPECT_EQ(DrumStore.Styles[1].LastMain, -1);
  EXPECT_EQ(DrumStore.Styles[1].LastBreak, -1);

  const TStylePattern& main = DrumStore.Patterns[0][0];
  EXPECT_EQ(main.Steps, 16);
  EXPECT_EQ(main.TSigNum, 4);
  EXPECT_EQ(main.TSigDen, 4);
  EXPECT_EQ(main.Name, "Main1");
  ExpectRows(main, {"", "", "", "x.x.x.x.x.x.x.x.", "", "", "", "", "....x.......x...", "", "", "", "", "",
                    "", "x.x.....x.x....."});
  const TStylePattern& brk = DrumStore.Patterns[0][30];
  EXPECT_EQ(brk.Steps, 16);
  EXPECT_EQ(brk.TSigNum, 4);
  EXPECT_EQ(brk.TSigDen, 4);
  EXPECT_EQ(brk.Name, "Break1");
  ExpectRows(brk, {"", "", "", "x.x.x.x.x.x.x...", "", "", "", "", "....x.......xx..", "", "", "", "", "", "",
                   "x.x.....x.x...x."});
  // Slots outside the defined patterns keep what they held.
  EXPECT_EQ(DrumStore.Patterns[0][1].Name, "Keep");

  EXPECT_EQ(DrumStore.StyleNo, 0);
  EXPECT_EQ(DrumStore.PatNo, 0);
  EXPECT_EQ(DrumStore.ChainOn, 0);
  EXPECT_EQ(DrumStore.Chains[0][1].Jump, -1);
  EXPECT_EQ(DrumStore.Chains[0][1].Style, 0);
  EXPECT_EQ(DrumStore.Chains[0][1].Pattern, 0);
  EXPECT_EQ(DrumStore.Chains[0][1].Repeats, 0);
  EXPECT_EQ(DrumStore.ChainStepNo, -1);
  for (int32_t r = 0; r < kStyleInstRows; ++r) {
    EXPECT_EQ(DrumStore.RowOn[r], 1);
    EXPECT_EQ(DrumStore.RowVel[r], 80);
    EXPECT_EQ(DrumStore.RowAccVel[r], 100);
  }
  EXPECT_EQ(DrumStore.AccentEnabled, 1);
  EXPECT_GE(test::RebuildRequests, 1);
  // The bass store is not touched.
  EXPECT_EQ(BassStore.Styles[0].Name, "Sample1");
}

TEST_F(StyleStoreTest, BassFactoryIsSample1WithEightStepPatterns) {
  BassStore.Styles[0].Name = "x";
  BassStore.Patterns[0][30].Rows[1] = "xxxxxxxx";
  LoadBassFactory();

  EXPECT_EQ(BassStore.LastStyle, 0);
  EXPECT_EQ(BassStore.Styles[0].Name, "Sample1");
  EXPECT_EQ(BassStore.Styles[0].LastMain, 0);
  EXPECT_EQ(BassStore.Styles[0].LastBreak, 0);
  const TStylePattern& main = BassStore.Patterns[0][0];
  EXPECT_EQ(main.Steps, 8);
  EXPECT_EQ(main.TSigNum, 4);
  EXPECT_EQ(main.TSigDen, 4);
  EXPECT_EQ(main.Name, "Main1");
  ExpectRows(main, {"", "", "", "..t...tt", "", "", "", "", "....xx..", "", "", "", "", "", "", "tt......"});
  const TStylePattern& brk = BassStore.Patterns[0][30];
  EXPECT_EQ(brk.Steps, 8);
  EXPECT_EQ(brk.Name, "Break1");
  ExpectRows(brk, {"", "", "", "..t.....", "", "", "", "", "...x.x..", "", "", "", "......x.", ".......x", "",
                   "tx......"});
  EXPECT_EQ(FmtBassPatCaption(0, 30), "70-Break1");
}

TEST_F(StyleStoreTest, RowMapsHoldNotesAndNames) {
  LoadDrumFactory();
  LoadBassFactory();
  for (const auto* map : {&DrumStore.RowMap, &BassStore.RowMap}) {
    const TStyleRowDef& accent = (*map)[0];
    EXPECT_EQ(accent.Note, -1);
    EXPECT_EQ(accent.NoteName, "AC");
    EXPECT_EQ(accent.MappedNote, -1);
    EXPECT_EQ(accent.ShortName, "AC");
    EXPECT_EQ(accent.LongName, "Accent");
  }

  const std::array<int32_t, 16> drumNotes = {-1, 49, 51, 42, 46, 44, 50, 47, 38, 37, 43, 69, 39, 56, 54, 36};
  const std::array<std::string_view, 16> drumShort = {"",   "CC", "RC",  "CH",  "OH",  "PH", "HT",  "MT",
                                                      "SD", "RS", "HFT", "CAB", "CPS", "CB", "TAM", "BD"};
  const std::array<std::string_view, 16> drumLong = {
      "",          "Crash Cym 1", "Ride Cym 1", "Closed HiHat", "Open Hi Hat",  "Pedal Hi Hat",
      "High Tom",  "Lo Mid Tom",  "Ac Snare",   "Side Stick",   "Hi Floor Tom", "Cabasa",
      "Hand Clap", "Cowbell",     "Tambourine", "Kick Drum 1"};
  const std::array<std::string_view, 16> drumNames = {"",   "C#2", "D#2", "F#1", "A#1", "G#1", "D2",  "B1",
                                                      "D1", "C#1", "G1",  "A3",  "D#1", "G#2", "F#2", "C1"};
  for (int32_t r = 1; r < kStyleRows; ++r) {
    const TStyleRowDef& def = DrumStore.RowMap[r];
    EXPECT_EQ(def.Note, drumNotes[r]) << "row " << r;
    EXPECT_EQ(def.MappedNote, drumNotes[r]) << "row " << r;
    EXPECT_EQ(def.NoteName, drumNames[r]) << "row " << r;
    EXPECT_EQ(def.ShortName, drumShort[r]) << "row " << r;
    EXPECT_EQ(def.LongName, drumLong[r]) << "row " << r;
  }

  for (int32_t r = 1; r < kStyleRows; ++r) {
    const TStyleRowDef& def = BassStore.RowMap[r];
    EXPECT_EQ(def.Note, 51 - r) << "row " << r;
    EXPECT_EQ(def.MappedNote, 51 - r) << "row " << r;
    EXPECT_EQ(def.ShortName, "r" + std::to_string(r + 1)) << "row " << r;
    EXPECT_EQ(def.LongName, "") << "row " << r;
  }
  EXPECT_EQ(BassStore.RowMap[1].NoteName, "D2");
  EXPECT_EQ(BassStore.RowMap[15].NoteName, "C1");

  EXPECT_EQ(GMDrumShortNames.size(), 47u);
  EXPECT_EQ(GMDrumShortNames[0], "Bass Drum");
  EXPECT_EQ(GMDrumShortNames[71 - 35], "Short Whistl");
  EXPECT_EQ(GMDrumShortNames[81 - 35], "Open Triang");
}

TEST_F(StyleStoreTest, RowMapResetsTouchOnlyWhatTheyAreAskedTo) {
  test::UiRecorder ui;
  auto disturb = [] {
    DrumStore.RowMap[4].Note = 99;
    DrumStore.RowMap[4].ShortName = "ZZ";
    DrumStore.RowOn.fill(0);
    DrumStore.AccentEnabled = 0;
    DrumStore.RowVel.fill(5);
    DrumStore.RowAccVel.fill(6);
  };

  disturb();
  CreateDrumRowMap(false, false);
  EXPECT_EQ(DrumStore.RowMap[4].Note, 46);
  EXPECT_EQ(DrumStore.RowMap[4].ShortName, "OH");
  EXPECT_EQ(DrumStore.RowOn[0], 0);
  EXPECT_EQ(DrumStore.AccentEnabled, 0);
  EXPECT_EQ(DrumStore.RowVel[0], 5);
  EXPECT_EQ(DrumStore.RowAccVel[14], 6);

  disturb();
  CreateDrumRowMap(false, true);
  EXPECT_EQ(DrumStore.RowMap[4].Note, 46);
  EXPECT_EQ(DrumStore.RowOn[14], 0);
  EXPECT_EQ(DrumStore.RowVel[14], 80);
  EXPECT_EQ(DrumStore.RowAccVel[0], 100);

  disturb();
  CreateDrumRowMap(true, false);
  EXPECT_EQ(DrumStore.RowOn[14], 1);
  EXPECT_EQ(DrumStore.AccentEnabled, 1);
  EXPECT_EQ(DrumStore.RowVel[14], 5);

  EXPECT_EQ(test::RebuildRequests, 3);
  // Each new row map says its family's style changed, whether a window shows it or not.
  EXPECT_EQ(ui.topics, (std::vector<std::string>{"DrumStyle", "DrumStyle", "DrumStyle"}));
  ui.topics.clear();
  CreateBassRowMap(false, false);
  EXPECT_EQ(ui.topics, (std::vector<std::string>{"BassStyle"}));
}

TEST_F(StyleStoreTest, ValidStylePatternsAreTheDefinedOnes) {
  EXPECT_TRUE(IsValidDrumStylePattern(0, 0));
  EXPECT_TRUE(IsValidDrumStylePattern(0, 30));
  EXPECT_FALSE(IsValidDrumStylePattern(0, 1));
  EXPECT_FALSE(IsValidDrumStylePattern(0, 29));
  EXPECT_FALSE(IsValidDrumStylePattern(0, 31));
  EXPECT_FALSE(IsValidDrumStylePattern(0, -1));
  EXPECT_FALSE(IsValidDrumStylePattern(1, 0));
  EXPECT_FALSE(IsValidDrumStylePattern(-1, 0));

  DrumStore.LastStyle = 1;
  DrumStore.Styles[1] = {29, -1, "Long"};
  EXPECT_TRUE(IsValidDrumStylePattern(1, 29));
  EXPECT_FALSE(IsValidDrumStylePattern(1, 30));
  DrumStore.Styles[1].LastBreak = 28;
  EXPECT_TRUE(IsValidDrumStylePattern(1, 58));
  EXPECT_FALSE(IsValidDrumStylePattern(1, 59));

  // Headers out of their ranges never open slots past the pattern table or the main/break split.
  DrumStore.Styles[1] = {45, 40, "Bad"};
  EXPECT_TRUE(IsValidDrumStylePattern(1, 29));
  EXPECT_TRUE(IsValidDrumStylePattern(1, 58));
  EXPECT_FALSE(IsValidDrumStylePattern(1, 59));
  DrumStore.LastStyle = 45;
  EXPECT_FALSE(IsValidDrumStylePattern(40, 0));

  DrumStore.LastStyle = -1;
  EXPECT_FALSE(IsValidDrumStylePattern(0, 0));
  EXPECT_FALSE(IsValidDrumStylePattern(0, 30));
  // The bass store answers for itself.
  EXPECT_TRUE(IsValidBassStylePattern(0, 30));
}

TEST_F(StyleStoreTest, ClearStylesLeavesLastStyleAndPatterns) {
  DrumStore.RowMap[0].ShortName = "XX";
  ClearDrumStyles();
  EXPECT_EQ(DrumStore.LastStyle, 0);
  EXPECT_EQ(DrumStore.Styles[0].LastMain, -1);
  EXPECT_EQ(DrumStore.Styles[0].LastBreak, -1);
  EXPECT_EQ(DrumStore.Styles[0].Name, "");
  EXPECT_EQ(DrumStore.Patterns[0][0].Name, "Main1");
  EXPECT_EQ(DrumStore.RowMap[0].ShortName, "AC");
  EXPECT_EQ(DrumStore.RowMap[3].Note, 42);
  EXPECT_FALSE(IsValidDrumStylePattern(0, 0));
}

TEST_F(StyleStoreTest, CaptionsShowNumbersNamesAndRepeatsLeft) {
  EXPECT_EQ(FmtDrumStyleCaption(0), "01-Rock");
  EXPECT_EQ(FmtDrumPatCaption(0, 0), "40-Main1");
  EXPECT_EQ(FmtDrumPatCaption(0, 30), "70-Break1");

  DrumStore.ChainRepeat = 3;
  EXPECT_EQ(FmtDrumPatCaption(0, 0), "40-Main1");
  DrumStore.ChainOn = 1;
  EXPECT_EQ(FmtDrumPatCaption(0, 0), "40-Main1*3");
  DrumStore.ChainRepeat = 0;
  EXPECT_EQ(FmtDrumPatCaption(0, 0), "40-Main1");
  DrumStore.ChainOn = 0;

  // Unnamed: the style keeps its "-", the pattern shows its number alone.
  DrumStore.Styles[11].Name = "";
  EXPECT_EQ(FmtDrumStyleCaption(11), "12-");
  DrumStore.Patterns[0][29].Name = "";
  EXPECT_EQ(FmtDrumPatCaption(0, 29), "69");
  // A current pattern of -1 (a style whose last main was deleted) reads no slot.
  EXPECT_EQ(FmtDrumPatCaption(0, -1), "39");
  EXPECT_EQ(FmtDrumStyleCaption(-1), "00-");

  EXPECT_EQ(FmtStyleLine(DrumStore, 0), "01 4/4 Rock");
  EXPECT_EQ(FmtPatLine(DrumStore, 0, 0), "40 4/4 Main1");
  EXPECT_EQ(FmtPatLine(DrumStore, 0, 30), "70 4/4 Break1");
  DrumStore.Patterns[1][0].TSigNum = 0;
  DrumStore.Styles[1].Name = "Odd";
  EXPECT_EQ(FmtStyleLine(DrumStore, 1), "02 Odd");
  DrumStore.Patterns[1][0] = {12, 7, 8, {}, "Seven"};
  EXPECT_EQ(FmtStyleLine(DrumStore, 1), "02 7/8 Odd");
  EXPECT_EQ(FmtPatLine(DrumStore, 1, 0), "40 7/8 Seven");
}

TEST_F(StyleStoreTest, RowsOfRestsAreStoredEmptyAndTextsAreCut) {
  TStylePattern p;
  SetStyleRow(p, 2, "x..b");
  EXPECT_EQ(p.Rows[2], "x..b");
  SetStyleRow(p, 2, "....");
  EXPECT_TRUE(p.Rows[2].Empty());
  SetStyleRow(p, 16, "xxxx");  // no such row
  SetStyleRow(p, -1, "xxxx");
  for (const auto& row : p.Rows) EXPECT_TRUE(row.Empty());

  // An empty row reads as rests step by step.
  EXPECT_EQ(p.Rows[2].At(0), '.');
  SetStyleRow(p, 1, "x.f");
  EXPECT_EQ(p.Rows[1].At(2), 'f');
  EXPECT_EQ(p.Rows[1].At(3), '.');

  DrumStore.Styles[0].Name = "ElevenChars";
  EXPECT_EQ(DrumStore.Styles[0].Name, "ElevenChar");
  p.Name = "Breakdown";
  EXPECT_EQ(p.Name, "Breakdo");
  SetStyleRow(p, 3, "x...............x");
  EXPECT_EQ(p.Rows[3].Size(), 16u);
}

}  // namespace
}  // namespace vel
