#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "base/General.h"
#include "keymapper/KeyMapperGrid.h"
#include "keymapper/KeyMapsTable.h"
#include "keymaps/KeyTestSupport.h"

namespace vel {
namespace {

class KeyMapsTableTest : public test::KeyMapTest {
 protected:
  void SetUp() override {
    KeyMapTest::SetUp();
    SetKeyFnRange(MtLive, 0, 127, 2, "p");
    SetKeyFnRange(MtRec, 0, 127, 47, "r");
    SetKeyFnTSig(0, 7, "4 1/4");
    SetKeyFnTSig(1, 6, "3");
    SetKeyFnTShift(0, 14, "2 1/2");
    SetKeyFnQuant(0, 16, "4 1/4");
    SetKeyFnSRec(0, 41, "1/4");
    SetKeyFnPitch(0, 8, "oct +");
    SetKeyFnCmd(0, 2, "play");
    SetKeyFnCmd(2, 147, "a,b");
    SetKeyFnCmd(3, 147, "say \"hi\"");
    SetKeyFnHotkey(127, 7, " left");
  }

  static std::vector<std::string> Split(const std::string& row, char sep) {
    std::vector<std::string> cells;
    std::size_t start = 0;
    for (;;) {
      const std::size_t end = row.find(sep, start);
      cells.push_back(row.substr(start, end - start));
      if (end == std::string::npos) return cells;
      start = end + 1;
    }
  }
};

TEST_F(KeyMapsTableTest, SpaceFormatHasAHeaderAndPaddedColumns) {
  const auto lines = ListKeyMapsTable(0);
  ASSERT_EQ(lines.size(), 180u);
  EXPECT_EQ(lines[0], "Functions in each mode (Command, Live, Record etc) for all 128 keys,");
  EXPECT_EQ(lines[1], "one octave per block using a numbering convention of -2 to +8");
  EXPECT_EQ(lines[2],
            "'p' = playable live, 'r' = recordable, 'sr' = step recordable, ' ' = key ignored in that mode");
  EXPECT_EQ(lines[3], "");
  EXPECT_EQ(
      lines[4],
      "Note:   C-2      C#-2     D-2      D#-2     E-2      F-2      F#-2     G-2      G#-2     A-2      "
      "A#-2     B-2     ");
  EXPECT_EQ(lines[4].size(), 115u);
  EXPECT_EQ(lines[4].find("C#-2"), 17u);  // column 18
  EXPECT_EQ(lines[5].substr(0, 26), "Live:   p        p        ");
  EXPECT_EQ(lines[6].substr(0, 44), "Cmd:    play              a,b      say \"hi\" ");
  EXPECT_EQ(lines[8].substr(0, 17), "StepRec:1/4      ");
  EXPECT_EQ(lines[10].substr(0, 26), "TSig:   4 1/4    3        ");
  EXPECT_EQ(lines[16].substr(0, 17), "Pitch:  oct +    ");
  const std::vector<std::string> rowLabels = {
      "Note:",    "Live:",    "Cmd:", "Rec:",   "StepRec:", "NumN:",  "TSig:",  "TShift:",
      "FtsType:", "FtsRoot:", "Ftn:", "Quant:", "Pitch:",   "MetrN:", "Hotkey:"};
  for (int block = 0; block < 11; ++block) {
    const std::size_t first = 4 + block * 16;
    for (std::size_t r = 0; r < rowLabels.size(); ++r) {
      const std::string& line = lines[first + r];
      EXPECT_EQ(line.substr(0, 8), PadStr(rowLabels[r], 8, ' ')) << block;
      EXPECT_EQ(line.size(), block < 10 ? 115u : 79u) << block << " " << r;
    }
    EXPECT_EQ(lines[first + 15], "") << block;
  }
  EXPECT_EQ(lines[164].substr(0, 17), "Note:   C8       ");
  EXPECT_EQ(lines[164].substr(71), "G8      ");
  EXPECT_EQ(lines[178].substr(71), " left   ");
}

TEST_F(KeyMapsTableTest, TabFormatHasNoHeaderAndNoFill) {
  const auto lines = ListKeyMapsTable(1);
  ASSERT_EQ(lines.size(), 176u);
  EXPECT_EQ(lines[0], "Note:\tC-2\tC#-2\tD-2\tD#-2\tE-2\tF-2\tF#-2\tG-2\tG#-2\tA-2\tA#-2\tB-2");
  EXPECT_EQ(lines[1], "Live:\tp\tp\tp\tp\tp\tp\tp\tp\tp\tp\tp\tp");
  EXPECT_EQ(lines[2], "Cmd:\tplay\t \ta,b\tsay \"hi\"\t \t \t \t \t \t \t \t ");
  EXPECT_EQ(lines[6].substr(0, 15), "TSig:\t4 1/4\t3\t ");
  EXPECT_EQ(lines[15], "");
  EXPECT_EQ(Split(lines[160], '\t').size(), 9u);  // the last block: label + 8 keys
}

TEST_F(KeyMapsTableTest, CommaFormatMarksFractionsAndQuotesAwkwardCells) {
  const auto lines = ListKeyMapsTable(2);
  ASSERT_EQ(lines.size(), 176u);
  EXPECT_EQ(lines[0], "Note:,C-2,C#-2,D-2,D#-2,E-2,F-2,F#-2,G-2,G#-2,A-2,A#-2,B-2");
  EXPECT_EQ(lines[2], "Cmd:,play, ,\"a,b\",\"say \"\"hi\"\"\", , , , , , , , ");
  EXPECT_EQ(lines[4].substr(0, 13), "StepRec:,1/4,");
  EXPECT_EQ(lines[6].substr(0, 17), "TSig:,0 4 1/4,3, ");
  EXPECT_EQ(lines[7].substr(0, 16), "TShift:,0 2 1/2,");
  EXPECT_EQ(lines[11].substr(0, 15), "Quant:,0 4 1/4,");
  EXPECT_EQ(Split(lines[1], ',').size(), 13u);

  // An empty label still takes its column.
  SetKeyFnCmd(0, 147, "");
  EXPECT_EQ(ListKeyMapsTable(2)[2], "Cmd:,, ,\"a,b\",\"say \"\"hi\"\"\", , , , , , , , ");
  EXPECT_EQ(ListKeyMapsTable(1)[2], "Cmd:\t\t \ta,b\tsay \"hi\"\t \t \t \t \t \t \t \t ");
}

TEST_F(KeyMapsTableTest, OctaveOffsetShiftsTheModeRowsNotTheNotes) {
  Cfg.InPortOctaveOffset[0].store(1);
  const auto lines = ListKeyMapsTable(1);
  EXPECT_EQ(lines[0], "Note:\tC-2\tC#-2\tD-2\tD#-2\tE-2\tF-2\tF#-2\tG-2\tG#-2\tA-2\tA#-2\tB-2");
  const std::vector<std::string> defaults = {"p", " ", "r", "sr", " ", " ", " ",
                                             " ", " ", " ", " ",  " ", " ", " "};
  for (std::size_t r = 1; r < 15; ++r) {
    const auto cells = Split(lines[r], '\t');
    ASSERT_EQ(cells.size(), 13u);
    for (std::size_t c = 1; c < cells.size(); ++c) EXPECT_EQ(cells[c], defaults[r - 1]) << r << " " << c;
  }
  // Key 12 shows map key 0.
  EXPECT_EQ(lines[16], "Note:\tC-1\tC#-1\tD-1\tD#-1\tE-1\tF-1\tF#-1\tG-1\tG#-1\tA-1\tA#-1\tB-1");
  EXPECT_EQ(Split(lines[18], '\t')[1], "play");
  EXPECT_EQ(Split(lines[22], '\t')[1], "4 1/4");
  EXPECT_EQ(Split(lines[28], '\t')[1], "oct +");
}

TEST_F(KeyMapsTableTest, KeyMapperGridFollowsTheOctaveOffset) {
  auto labels = FillKeyMapperLabels();
  // Rows: Cmd, Live, Rec, SRec, RangeN, TSig, TShift, FtsType, FtsRoot, Ftn, Quant, Pitch, Metr, Hotkey.
  EXPECT_EQ(labels[0][0], "play");
  EXPECT_EQ(labels[1][0], "p");
  EXPECT_EQ(labels[3][0], "1/4");
  EXPECT_EQ(labels[5][1], "3");
  EXPECT_EQ(labels[10][0], "4 1/4");
  EXPECT_EQ(labels[11][0], "oct +");
  EXPECT_EQ(labels[13][127], " left");

  Cfg.InPortOctaveOffset[0].store(-1);
  labels = FillKeyMapperLabels();
  EXPECT_EQ(labels[0][0], " ");  // map key 12
  for (int k = 116; k < 128; ++k) {
    EXPECT_EQ(labels[1][k], "p");
    EXPECT_EQ(labels[2][k], "r");
    EXPECT_EQ(labels[3][k], "sr");
    EXPECT_EQ(labels[13][k], " ");
  }
  EXPECT_EQ(labels[13][115], " left");

  const TKeyMapperGrid cells = KeyMapperGridCells();
  EXPECT_EQ(cells[3][127], (TKeyView{"sr", Cfg.ClKtFgRecVal, Cfg.ClKtBgRecFcn}));
  EXPECT_EQ(cells[13][115], (TKeyView{" left", Cfg.ClKtFgNone, Cfg.ClKtBgHotkeyFcn}));
  EXPECT_EQ(cells[0][115], (TKeyView{" ", Cfg.ClKtFgNone, Cfg.ClKtBgNone}));
}

}  // namespace
}  // namespace vel
