#include <gtest/gtest.h>

#include <string>

#include "keymapper/KeyMapperView.h"
#include "keymaps/KeyMaps.h"
#include "keymaps/KeyTestSupport.h"

namespace vel {
namespace {

int32_t Row(TModeType t) {
  return ScreenRowOf(t);
}

TEST(KeyMapperViewTest, GridRowOfEveryKeyMode) {
  EXPECT_EQ(Row(MtLive), 0);
  EXPECT_EQ(Row(MtCmd), 1);
  EXPECT_EQ(Row(MtQuant), 7);
  EXPECT_EQ(Row(MtHotkey), 13);
  const struct {
    int first, last;
    int32_t row;
  } bands[] = {
      {0, 0, kGridRowNone},        {1, 1, Row(MtLive)},       {2, 2, Row(MtRec)},
      {3, 3, Row(MtSRec)},         {4, 4, Row(MtCmd)},        {5, 5, Row(MtRec)},
      {6, 61, Row(MtRangeN)},      {62, 62, Row(MtQuant)},    {63, 100, Row(MtRangeN)},
      {101, 101, kGridRowKeyNo},   {102, 102, Row(MtHotkey)}, {103, 103, Row(MtPitch)},
      {104, 105, Row(MtTSig)},     {106, 109, Row(MtTShift)}, {110, 110, Row(MtFtsRoot)},
      {111, 111, Row(MtFtsType)},  {112, 112, Row(MtFtn)},    {113, 114, Row(MtQuant)},
      {115, 116, Row(MtMetr)},     {117, 117, Row(MtTSig)},   {118, 121, Row(MtRangeN)},
      {122, 255, kGridRowInvalid},
  };
  int covered = 0;
  for (const auto& b : bands)
    for (int m = b.first; m <= b.last; ++m, ++covered) EXPECT_EQ(GridRowOfKeyMode(uint8_t(m)), b.row) << m;
  EXPECT_EQ(covered, 256);
}

TEST(KeyMapperViewTest, RangeMarksScrollStepsAndWidths) {
  const auto up = KeyNoMarks(125, true);
  EXPECT_EQ(up[124].Caption, "124");
  EXPECT_FALSE(up[124].InRange);
  EXPECT_EQ(up[125].Caption, "125 -->");
  EXPECT_TRUE(up[127].InRange);
  EXPECT_EQ(up[127].Caption, "127");
  const auto down = KeyNoMarks(2, false);
  EXPECT_EQ(down[0].Caption, "0");
  EXPECT_EQ(down[2].Caption, "<-- 2");
  EXPECT_EQ(down[3].Caption, "3");
  EXPECT_FALSE(down[3].InRange);
  const auto single = KeyNoMarks(0, false);
  EXPECT_EQ(single[0].Caption, "0");
  EXPECT_TRUE(single[0].InRange);
  EXPECT_FALSE(single[1].InRange);

  const struct {
    int32_t first, n, result;
  } steps[] = {{36, 12, 48}, {120, 12, 120}, {115, 12, 127}, {127, 1, 127},
               {5, -12, 5},  {12, -12, 0},   {0, -1, 0}};
  for (const auto& s : steps) EXPECT_EQ(ScrollFirstKey(s.first, s.n), s.result) << s.first << " " << s.n;

  EXPECT_EQ(KeyMapperWidthsFor(800).KeyColWidth, 55);
  EXPECT_EQ(KeyMapperWidthsFor(800).WindowWidth, 804);
  EXPECT_EQ(KeyMapperWidthsFor(800).KeyColOffset, 15);
  EXPECT_EQ(KeyMapperWidthsFor(801).KeyColWidth, 65);
  EXPECT_EQ(KeyMapperWidthsFor(801).WindowWidth, 990);
  EXPECT_EQ(KeyMapperWidthsFor(801).KeyColOffset, 0);
}

class KeyMapperDspTest : public test::KeyMapTest {};

TEST_F(KeyMapperDspTest, ShownRowBoldBlanksSilverPlayedKeyAquaAndErrors) {
  SetKeyFnCmd(5, 2, "play");
  SetKeyFnCmd(6, 147, " ");
  TKeyMapperGrid cells = KeyMapperGridCells();
  const int32_t cmd = ScreenRowOf(MtCmd), live = ScreenRowOf(MtLive);
  // Command shown, the key 5 played in Live mode; colours off.
  TKeyMapperDsp d = KeyMapperDsp(cells, false, 4, 1, 5);
  EXPECT_EQ(d.LitRow, cmd);
  EXPECT_EQ(d.ErrText, "");
  EXPECT_EQ(d.Cells[cmd][5], (TCellStyle{clDefault, clBtnFace, true}));
  EXPECT_EQ(d.Cells[cmd][6], (TCellStyle{clDefault, clSilver, true}));
  EXPECT_EQ(d.Cells[live][5], (TCellStyle{clDefault, clAqua, false}));
  EXPECT_EQ(d.Cells[live][6], TCellStyle{});
  EXPECT_EQ(d.KeyNoBack[5], clAqua);
  EXPECT_EQ(d.KeyNoBack[6], clBtnFace);
  // Colours on take the map's colours.
  d = KeyMapperDsp(cells, true, 0, 0, -1);
  const TKeyView v = KeyViewAt(MtCmd, 5);
  EXPECT_EQ(d.Cells[cmd][5], (TCellStyle{v.Font, v.Back, false}));
  EXPECT_EQ(d.LitRow, kGridRowNone);
  // Calibrate lights the key numbers' label only; invalid modes give their texts, the last winning.
  d = KeyMapperDsp(cells, false, 101, 101, 5);
  EXPECT_EQ(d.LitRow, kGridRowKeyNo);
  EXPECT_EQ(d.KeyNoBack[5], clAqua);
  EXPECT_EQ(d.Cells[live][5], TCellStyle{});
  EXPECT_EQ(KeyMapperDsp(cells, false, 200, 1, -1).ErrText, "UpdateMidiKeyDsp-2 error: Unexpected KeyMode");
  EXPECT_EQ(KeyMapperDsp(cells, false, 1, 200, 5).ErrText, "UpdateMidiKeyDsp-3 error: Unexpected KeyMode");
  // Keys are done in order: a later key's step 2 overwrites key 5's step 3; key 127 is the last.
  EXPECT_EQ(KeyMapperDsp(cells, false, 200, 200, 5).ErrText, "UpdateMidiKeyDsp-2 error: Unexpected KeyMode");
  EXPECT_EQ(KeyMapperDsp(cells, false, 200, 200, 127).ErrText,
            "UpdateMidiKeyDsp-3 error: Unexpected KeyMode");
}

}  // namespace
}  // namespace vel

namespace vel {
namespace {

TEST(KeyMapperViewTest, ComboFitsRightAlignsOrGivesItsBox) {
  const struct {
    int32_t left, w, result;
  } cases[] = {{100, 260, 100}, {700, 260, 505}, {100, 65, 100}, {780, 65, -1}};
  // Grid right edge 800, column 65: a list too wide right-aligns with its column, or gives the box
  // when that would start left of the window or the column itself is cut off.
  for (const auto& c : cases) EXPECT_EQ(FitComboLeft(c.left, c.w, 800, 65), c.result) << c.left;
  EXPECT_EQ(FitComboLeft(600, 260, 700, 65), 405);
  EXPECT_EQ(FitComboLeft(100, 260, 300, 65), -1);
  EXPECT_EQ(ComboTooNarrowText(true),
            "Key mapper window not wide enough to display a drop-down list with hints for this key");
  EXPECT_EQ(ComboTooNarrowText(false),
            "Key mapper window not wide enough to display a drop-down list for this key");
}

}  // namespace
}  // namespace vel
