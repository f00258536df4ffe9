// Key texts and key lists as the settings reader takes them.
#include "keymaps/KeyMaps.h"
#include "settings/CfgKeyLists.h"
#include "settings/CfgTestState.h"

namespace vel::test {
namespace {

TEST(CfgNoteNames, NumbersAndNames) {
  struct Case {
    const char* text;
    int32_t note;
  };
  const Case cases[] = {
      {"60", 60}, {" C3 ", 60}, {"c3", 60},  {"Cs3", 61}, {"C#3", 61},  {"Db3", -1}, {"6x", -1},  {"C-2", 0},
      {"C", 24},  {"C1", 36},   {"F1", 41},  {"FS1", 42}, {"F#1", 42},  {"G8", 127}, {"G9", 139}, {"128", -1},
      {"", -1},   {"H1", -1},   {"C 3", 60}, {"0", 0},    {"127", 127}, {"B-1", 23}, {"C#", 25},  {"-1", -1},
  };
  for (const Case& c : cases) EXPECT_EQ(NoteNameToNo(c.text), c.note) << c.text;
}

using CfgKeyListLoad = CfgTest;

TEST_F(CfgKeyListLoad, ItemsRangesAndFaults) {
  struct Case {
    const char* list;
    bool ok;
    std::vector<int> keys;  // keys that carry the function afterwards
    const char* badItem;
  };
  const Case cases[] = {
      {"36..48", true, {36, 37, 38, 39, 40, 41, 42, 43, 44, 45, 46, 47, 48}, ""},
      {"48..36", true, {}, ""},
      {"36..G9", false, {}, "36..G9"},
      {"60.62", true, {60}, ""},
      {"36,40,,44", true, {36, 40}, ""},
      {"36, 40, ,44", false, {36, 40}, " "},
      {"Unused", true, {}, ""},
      {"C1..C#1, G8", true, {36, 37, 127}, ""},
      {"128", false, {}, "128"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.list);
    ClearKeyMaps();
    ResolveKeyMapSentinels();
    std::string bad;
    EXPECT_EQ(LoadKeyList(MtCmd, 55, "stop", c.list, &bad), c.ok);
    EXPECT_EQ(bad, c.badItem);
    std::vector<int> keys;
    for (int k = 0; k < 128; ++k)
      if (KeyCodeAt(MtCmd, k) == 55) keys.push_back(k);
    EXPECT_EQ(keys, c.keys);
    if (!keys.empty()) {
      EXPECT_EQ(KeyLabelsCmd[keys[0]], "stop");
    }
  }
}

TEST_F(CfgKeyListLoad, LaterKeywordOfAModeWinsAndFaultIsLogged) {
  Trace.DiagFlags = 1;
  // CmdStop is read after CmdEsc in the command block: key 36 ends up with stop.
  const std::string t = "Version = 13.03\r\nCmdEsc = C1\r\nCmdStop = C1\r\nRecN = 36, 40, ,44\r\n";
  EXPECT_FALSE(LoadConfigText(t, CfgKeyMapsOnly, Path("k.txt")));
  Trace.DiagFlags = 0;
  EXPECT_EQ(KeyCodeAt(MtCmd, 36), 55);
  EXPECT_EQ(KeyCodeAt(MtRec, 40), 47);
  EXPECT_EQ(KeyCodeAt(MtRec, 44), 207);
  EXPECT_NE(std::find(ui.log.begin(), ui.log.end(), "LoadRecordKeys: invalid key  "), ui.log.end());
  ASSERT_EQ(ui.boxes.size(), 1u);
  EXPECT_EQ(
      ui.boxes[0].text,
      "Illegal Key Map value '36, 40, ,44' at line 4 in config file k.txt\r\nin folder " + dir_.string());
}

TEST_F(CfgKeyListLoad, SeqKeysBeyondTheFourSeqsAreNotRead) {
  const std::string t = "Version = 13.03\r\nCmdSeq4 = C4\r\nCmdSeq5 = C#4\r\nCmdSeq16 = D4\r\n";
  ASSERT_TRUE(LoadConfigText(t, CfgKeyMapsOnly, Path("k.txt")));
  EXPECT_EQ(KeyCodeAt(MtCmd, 72), 75);
  EXPECT_EQ(KeyCodeAt(MtCmd, 73), 147);
  EXPECT_EQ(KeyCodeAt(MtCmd, 74), 147);
  EXPECT_TRUE(ui.boxes.empty());
}

}  // namespace
}  // namespace vel::test
