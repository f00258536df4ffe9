#include <gtest/gtest.h>

#include <functional>
#include <tuple>
#include <vector>

#include "base/UiRecorder.h"
#include "keymaps/KeyModes.h"
#include "keymaps/KeyTestSupport.h"

namespace vel {
namespace {

using test::KeyMapTest;

// Ignore codes in mode-type order.
constexpr int kIgnore[ModeTypeCount] = {162, 147, 207, 234, 44, 68, 77, 77, 112, 140, 19, 71, 19, 162};

TEST_F(KeyMapTest, ClearKeyMapsThenResolutionLeavesEveryKeyIgnored) {
  ClearKeyMaps();
  for (int t = 0; t < ModeTypeCount; ++t)
    for (int k = 0; k < 128; ++k) {
      const auto mt = static_cast<TModeType>(t);
      ASSERT_EQ(KeyCodeAt(mt, k), kIgnore[t] + 1) << t << " " << k;
      ASSERT_EQ(KeyLabelsOf(mt)[k], "?");
    }
  // The sentinels take the rules' other lines until they are resolved.
  EXPECT_EQ(KeyColoursAt(MtLive, 0), Colours(Cfg.ClKtFgLiveVal, Cfg.ClKtBgWarnFcn));
  EXPECT_EQ(KeyColoursAt(MtCmd, 0), Colours(Cfg.ClKtFgNone, Cfg.ClKtBgCmdMode));

  SetKeyFnCmd(5, 2, "play");
  ResolveKeyMapSentinels();
  for (int t = 0; t < ModeTypeCount; ++t)
    for (int k = 0; k < 128; ++k) {
      const auto mt = static_cast<TModeType>(t);
      if (mt == MtCmd && k == 5) continue;
      ASSERT_EQ(KeyCodeAt(mt, k), kIgnore[t]) << t << " " << k;
      ASSERT_EQ(KeyLabelsOf(mt)[k], " ");
      ASSERT_EQ(KeyColoursAt(mt, k), Colours(Cfg.ClKtFgNone, Cfg.ClKtBgNone)) << t << " " << k;
    }
  EXPECT_EQ(KeyMapCmd[5].load(), 2);
  EXPECT_EQ(KeyLabelsCmd[5], "play");
}

TEST_F(KeyMapTest, EachSetterWritesItsOwnMapLabelSlotAndRule) {
  struct Row {
    std::function<void(int, uint8_t, std::string_view)> setter;
    TKeyMap& map;
    TKeyLabelTable& labels;
    int labelSlot;
    uint8_t code;
    TColor font, back;
  };
  const std::vector<Row> rows = {
      {SetKeyFnLive, KeyMapLive, KeyLabelsLive, 0, 1, Cfg.ClKtFgRecVal, Cfg.ClKtBgRecFcn},
      {SetKeyFnCmd, KeyMapCmd, KeyLabelsCmd, 1, 72, Cfg.ClKtFgSelVal, Cfg.ClKtBgSelFcn},
      {SetKeyFnRec, KeyMapRec, KeyLabelsRec, 2, 47, Cfg.ClKtFgRecVal, Cfg.ClKtBgRecFcn},
      {SetKeyFnSRec, KeyMapSRec, KeyLabelsSRec, 3, 0, Cfg.ClKtFgRecVal, Cfg.ClKtBgWarnFcn},
      {SetKeyFnRangeN, KeyMapRangeN, KeyLabelsRangeN, 4, 22, Cfg.ClKtFgDigitVal, Cfg.ClKtBgTimeFcn},
      {SetKeyFnTSig, KeyMapTSig, KeyLabelsTSig, 5, 7, Cfg.ClKtFgTimeVal, Cfg.ClKtBgTimeFcn},
      {SetKeyFnTShift, KeyMapTShift, KeyLabelsTShift, 6, 11, Cfg.ClKtFgTimeVal, Cfg.ClKtBgTimeFcn2},
      {SetKeyFnFtsType, KeyMapFtsType, KeyLabelsFtsType, 7, 6, Cfg.ClKtFgPitchVal, Cfg.ClKtBgPitchFcn2},
      {SetKeyFnQuant, KeyMapQuant, KeyLabelsQuant, 8, 0, Cfg.ClKtFgTimeVal, Cfg.ClKtBgWarnFcn},
      {SetKeyFnPitch, KeyMapPitch, KeyLabelsPitch, 9, 15, Cfg.ClKtFgPitchVal, Cfg.ClKtBgWarnFcn},
      {SetKeyFnMetr, KeyMapMetr, KeyLabelsMetr, 10, 11, Cfg.ClKtFgDigitVal, Cfg.ClKtBgDigitFcn2},
      {SetKeyFnFtsRoot, KeyMapFtsRoot, KeyLabelsFtsRoot, 11, 6, Cfg.ClKtFgNoteVal, Cfg.ClKtBgNoteFcn2},
      {SetKeyFnFtn, KeyMapFtn, KeyLabelsFtn, 12, 5, Cfg.ClKtFgNoteVal, Cfg.ClKtBgPitchFcn},
      {SetKeyFnHotkey, KeyMapHotkey, KeyLabelsHotkey, 13, 3, Cfg.ClKtFgNone, Cfg.ClKtBgHotkeyFcn2},
  };
  for (const Row& r : rows) {
    r.setter(10, r.code, "a long label");
    EXPECT_EQ(r.map[10].load(), r.code) << r.labelSlot;
    EXPECT_EQ(r.labels[10], "a long l") << r.labelSlot;
    EXPECT_EQ(&r.labels, &KeyMaps.KeyLabelTables[r.labelSlot]);
    EXPECT_EQ(KeyMaps.KeyFontColours[r.labelSlot][10], r.font) << r.labelSlot;
    EXPECT_EQ(KeyMaps.KeyBackColours[r.labelSlot][10], r.back) << r.labelSlot;
  }
  // Map order: Cmd's map is the first table, Live's the second.
  EXPECT_EQ(&KeyMapCmd, &KeyMaps.KeyFnTables[0]);
  EXPECT_EQ(&KeyMapLive, &KeyMaps.KeyFnTables[1]);
  EXPECT_EQ(&KeyMapFtsType, &KeyMaps.KeyFnTables[7]);
  EXPECT_EQ(&KeyMapQuant, &KeyMaps.KeyFnTables[8]);
  // Neighbouring keys are untouched.
  EXPECT_EQ(KeyMapCmd[9].load(), 147);
  EXPECT_EQ(KeyMapCmd[11].load(), 147);
  SetKeyFnPitch(0, 14, "12345678");
  EXPECT_EQ(KeyLabelsPitch[0], "12345678");
}

TEST_F(KeyMapTest, SetterRefusesKeysOutsideTheMap) {
  const int errors = Msgs.ErrorCount.load();
  SetKeyFnCmd(128, 2, "play");
  EXPECT_EQ(Msgs.StatusAlertText.Peek(), "Design error: SetKeyFnCmd error: Unexpected Key");
  SetKeyFnLive(-1, 0, "cmd");
  EXPECT_EQ(Msgs.StatusAlertText.Peek(), "Design error: SetKeyFnLive error: Unexpected Key");
  EXPECT_EQ(Msgs.ErrorCount.load(), errors + 2);
  for (int k = 0; k < 128; ++k) {
    EXPECT_EQ(KeyMapCmd[k].load(), 147);
    EXPECT_EQ(KeyMapLive[k].load(), 162);
  }
}

TEST_F(KeyMapTest, RangePrefillSetsAscendingKeysAndStopsAt127) {
  std::vector<std::tuple<int, int, int>> sent;
  KeyMapCalls().TarloSendKeyRange = [&](TModeType t, int first, int last) {
    sent.emplace_back(t, first, last);
  };
  SetKeyFnRange(MtRec, 120, 200, 47, "r");
  for (int k = 0; k < 128; ++k) {
    EXPECT_EQ(KeyMapRec[k].load(), k >= 120 ? 47 : 207) << k;
    EXPECT_EQ(KeyLabelsRec[k], k >= 120 ? "r" : " ");
  }
  SetKeyFnRange(MtTSig, 36, 47, 7, "4 1/4");
  EXPECT_EQ(KeyMapTSig[36].load(), 7);
  EXPECT_EQ(KeyMapTSig[47].load(), 7);
  EXPECT_EQ(KeyMapTSig[48].load(), 68);
  SetKeyFnRange(MtCmd, 10, 9, 2, "play");  // to before from: nothing
  SetKeyFnRange(MtCmd, 130, 140, 2, "play");
  EXPECT_EQ(KeyMapCmd[9].load(), 147);
  EXPECT_EQ(KeyMapCmd[10].load(), 147);
  EXPECT_EQ(Msgs.StatusAlertText.Peek(), "");
  EXPECT_EQ(sent, (std::vector<std::tuple<int, int, int>>{{MtRec, 120, 127}, {MtTSig, 36, 47}}));
}

TEST_F(KeyMapTest, NotesMapThroughTheInputsOctaveOffset) {
  SetKeyFnCmd(0, 55, "stop");
  SetKeyFnCmd(48, 2, "play");
  SetKeyFnCmd(127, 56, "rec");
  Cfg.InPortOctaveOffset[0].store(1);
  EXPECT_EQ(MappedKey(0, 12), 0);
  EXPECT_EQ(MapNoteToCode(MtCmd, 0, 12), 55);
  EXPECT_EQ(MapNoteToCode(MtCmd, 0, 60), 2);
  // Note 5 maps to key -7: the out-of-map code of each mode.
  EXPECT_EQ(MapNoteToCode(MtCmd, 0, 5), 147);
  EXPECT_EQ(MapNoteToCode(MtLive, 0, 5), 2);
  EXPECT_EQ(MapNoteToCode(MtRec, 0, 5), 47);
  EXPECT_EQ(MapNoteToCode(MtSRec, 0, 5), 74);
  EXPECT_EQ(MapNoteToCode(MtMetr, 0, 5), 140);
  // Input 2 keeps its own offset.
  Cfg.InPortOctaveOffset[1].store(-1);
  EXPECT_EQ(MapNoteToCode(MtCmd, 1, 115), 56);
  EXPECT_EQ(MapNoteToCode(MtLive, 1, 120), 2);
  EXPECT_EQ(MapNoteToCode(MtCmd, 1, 12), 147);
  // No other input is a control input.
  EXPECT_EQ(MapNoteToCode(MtCmd, 2, 60), 147);
  EXPECT_EQ(MapNoteToCode(MtCmd, -1, 60), 147);
}

TEST_F(KeyMapTest, KeyModeToLabModeCoversEveryKeyMode) {
  auto expected = [](int km) -> int {
    if (km == 0) return 255;
    if (km == 1 || km == 101) return MtLive;
    if (km == 4) return MtCmd;
    if (km == 2 || km == 5) return MtRec;
    if (km == 3) return MtSRec;
    if (km == 62 || km == 113 || km == 114) return MtQuant;
    if ((km >= 6 && km <= 100) || (km >= 118 && km <= 121)) return MtRangeN;
    if (km == 104 || km == 105 || km == 117) return MtTSig;
    if (km >= 106 && km <= 109) return MtTShift;
    if (km == 103) return MtPitch;
    if (km == 115 || km == 116) return MtMetr;
    if (km == 110) return MtFtsRoot;
    if (km == 111) return MtFtsType;
    if (km == 112) return MtFtn;
    if (km == 102) return MtHotkey;
    return 255;
  };
  for (int km = 0; km <= 121; ++km) {
    EXPECT_EQ(KeyModeToLabMode(KeyModeFromNo(km)), expected(km)) << km;
    EXPECT_TRUE(Msgs.ErrMsg.IsEmpty()) << km;
  }
  for (int km : {122, 200, 255}) {
    EXPECT_EQ(KeyModeToLabMode(KeyModeFromNo(km)), MtNone);
    EXPECT_EQ(Msgs.ErrMsg.TakeAndClear(), "KeyModeToLabMode error: Invalid KeyMode");
  }
}

TEST(KeyModeRanges, ArgumentTimeShiftAndRangeNModesByNumber) {
  struct Row {
    int no;
    bool arg, timeShift, rangeN;
  };
  const Row table[] = {
      {0, false, false, false},  {4, false, false, false},   {5, true, false, false},
      {6, true, false, true},    {61, true, false, true},    {62, true, false, false},
      {63, true, false, true},   {100, true, false, true},   {101, true, false, false},
      {105, true, false, false}, {106, true, true, false},   {109, true, true, false},
      {110, true, false, false}, {117, true, false, false},  {118, true, false, true},
      {121, true, false, true},  {122, false, false, false}, {255, false, false, false},
  };
  for (const Row& r : table) {
    const TKeyMode m = KeyModeFromNo(r.no);
    EXPECT_EQ(ModeNo(m), r.no);
    EXPECT_EQ(IsArgMode(m), r.arg) << r.no;
    EXPECT_EQ(IsTimeShiftMode(m), r.timeShift) << r.no;
    EXPECT_EQ(IsRangeNMode(m), r.rangeN) << r.no;
  }
}

TEST_F(KeyMapTest, KeyCodeAtAKeyOutsideTheMapIsTheOutOfMapCode) {
  SetKeyFnRec(0, 2, "stop");
  SetKeyFnRec(127, 3, "play");
  EXPECT_EQ(KeyCodeAt(MtRec, 0), 2);
  EXPECT_EQ(KeyCodeAt(MtRec, 127), 3);
  EXPECT_EQ(KeyCodeAt(MtRec, -1), 47);
  EXPECT_EQ(KeyCodeAt(MtRec, 128), 47);
  EXPECT_EQ(KeyCodeAt(MtCmd, 1000), 147);
}

TEST_F(KeyMapTest, RelabelMetrNoteKeysFollowsTheMetronomeModeOnEveryMapKey) {
  test::UiRecorder ui;
  std::vector<std::pair<int, int>> sent;
  KeyMapCalls().TarloSendKey = [&](TModeType t, int key) { sent.emplace_back(t, key); };

  RelabelMetrNoteKeys();
  EXPECT_TRUE(ui.topics.empty());  // nothing to relabel

  SetKeyFnCmd(3, 136, "metro");
  SetKeyFnCmd(125, 136, "x");
  EXPECT_EQ(KeyColoursAt(MtCmd, 3), Colours(Cfg.ClKtFgNoteVal, Cfg.ClKtBgNoteFcn));
  // Key 125 is out of the grid's sight under this offset, but still relabelled.
  Cfg.InPortOctaveOffset[0].store(1);
  Cfg.MetrModeStyles = 1;
  RelabelMetrNoteKeys();
  EXPECT_EQ(KeyLabelsCmd[3], "met nn");
  EXPECT_EQ(KeyLabelsCmd[125], "met nn");
  EXPECT_EQ(KeyColoursAt(MtCmd, 3), Colours(Cfg.ClKtFgDigitVal, Cfg.ClKtBgDigitFcn2));
  EXPECT_EQ(KeyColoursAt(MtCmd, 125), Colours(Cfg.ClKtFgDigitVal, Cfg.ClKtBgDigitFcn2));
  EXPECT_EQ(KeyMapCmd[125].load(), 136);
  EXPECT_EQ(sent, (std::vector<std::pair<int, int>>{{MtCmd, 3}, {MtCmd, 125}}));
  EXPECT_EQ(ui.topics, std::vector<std::string>{"KeyMaps"});
}

}  // namespace
}  // namespace vel
