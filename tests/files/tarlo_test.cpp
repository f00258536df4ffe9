// The Tarlo link: the bytes of each sender, the record compression, open and close.
#include "files/Tarlo.h"

#include <gtest/gtest.h>

#include <thread>

#include "base/UiRecorder.h"
#include "engine/KeyMode.h"
#include "files/FilesTestState.h"
#include "keymaps/KeyLabels.h"
#include "keymaps/KeyMaps.h"
#include "keys/KeyPath.h"

namespace vel {
namespace {

class TarloTest : public test::FilesTest {
 protected:
  void SetUp() override {
    FilesTest::SetUp();
    TarloClose();
    InstallTarloCalls();
    for (int t = 0; t < ModeTypeCount; ++t) {
      KeyLabelsOf(TModeType(t)).fill(" ");
      KeyFontColoursOf(TModeType(t)).fill(0);
      KeyBackColoursOf(TModeType(t)).fill(0xFFFFFF);
    }
  }
  void TearDown() override {
    TarloClose();
    FilesTest::TearDown();
  }
  // Opens on port 1 (device 1), id 5, and forgets what the open sent.
  void Open() {
    Unlocked([] { TarloOpen(1, 5); });
    ASSERT_EQ(Cfg.TarloOn, 1);
    ClearSent();
  }
  static std::string Head(const char* kind) { return std::string("F0 7E 05 02 12 ") + kind; }
};

TEST_F(TarloTest, RecordsRepeatWhatTheyShareWithThePreviousOne) {
  Open();
  // 128 blanks in black on white: the first record is key 0 and 0C, every other 0C.
  ASSERT_TRUE(TarloSendKeyRange(MtRec, 0, 127));
  std::string same = Head("20 02 00 0C");
  for (int k = 1; k < 128; ++k) same += " 0C";
  // A new label in the same colours ends with 04; the same label in new colours is 08 and the
  // colours; a system font colour takes one byte, an RGB back colour three.
  KeyLabelsLive[36] = "AB";
  KeyLabelsLive[37] = "AB";
  KeyFontColoursLive[37] = SysColour(8);
  KeyBackColoursLive[37] = Rgb(255, 128, 0);
  KeyLabelsLive[38] = "C";
  KeyFontColoursLive[38] = Rgb(2, 4, 6);
  KeyBackColoursLive[38] = SysColour(15);
  ASSERT_TRUE(TarloSendKeyRange(MtLive, 36, 39));
  EXPECT_EQ(SentHex(1),
            (std::vector<std::string>{
                same + " F7",
                Head("20 00 24 41 42 04 08 01 08 7F 40 00 43 02 01 02 03 0F 20 03 00 00 00 7F 7F 7F F7")}));
}

TEST_F(TarloTest, LabelsAreSevenBitPrintableAndNeverEmpty) {
  Open();
  ASSERT_TRUE(TarloSendKey(MtCmd, 60, std::string("a\x01\xC1") + "bcdefghij", 0, 0xFFFFFF));
  ASSERT_TRUE(TarloSendKey(MtCmd, 61, "", 0, 0xFFFFFF));
  // Eight bytes at most, and never the first half of a character.
  ASSERT_TRUE(TarloSendKey(MtCmd, 62, "abcdefg\xC3\xA9", 0, 0xFFFFFF));
  EXPECT_EQ(SentHex(1),
            (std::vector<std::string>{Head("20 01 3C 61 20 41 62 63 64 65 66 04 F7"), Head("20 01 3D 0C F7"),
                                      Head("20 01 3E 61 62 63 64 65 66 67 04 F7")}));
}

TEST_F(TarloTest, ModeOctaveAndKeyStateMessages) {
  Open();
  struct Row {
    bool (*send)();
    const char* bytes;
  } rows[] = {
      {[] { return TarloSendOctave(-2); }, "62"},
      {[] { return TarloSendOctave(3); }, "53"},
      {[] { return TarloSendOctave(0); }, "50"},
      {[] { return TarloSendOctave(40); }, "5F"},
      {[] { return TarloSendOctave(-16); }, "6F"},
      {[] {
         Keys.KeyMode = TKeyMode::Inactive;
         return TarloSendKeyMode();
       },
       "4E 00"},
      {[] {
         Keys.KeyMode = TKeyMode::Command;
         return TarloSendKeyMode();
       },
       "40 01"},
      {[] { return TarloSendKeyState(1, 60, true); }, "10 01 3C"},
      {[] { return TarloSendKeyState(8, 60, false); }, "00 08 3C"},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.bytes);
    ClearSent();
    ASSERT_TRUE(r.send());
    EXPECT_EQ(SentHex(1), (std::vector<std::string>{Head(r.bytes) + " F7"}));
  }
  ClearSent();
  EXPECT_FALSE(TarloSendKeyState(1, -1, true));
  EXPECT_TRUE(SentHex(1).empty());
}

TEST_F(TarloTest, OpenSendsEverythingInOrderAndCloseStopsIt) {
  Cfg.InPortOctaveOffset[0] = -1;
  Keys.KeyMode = TKeyMode::Live;
  test::UiRecorder ui;
  Unlocked([] { TarloOpen(1, 5); });
  const auto sent = SentHex(1);
  ASSERT_EQ(sent.size(), 18u);
  EXPECT_EQ(sent[0].substr(0, 26), Head("2F 00 70 03"));
  EXPECT_EQ(sent[1], Head("50 F7"));
  for (int t = 0; t < ModeTypeCount; ++t) {
    std::string mode = Head("20 00 00 0C");
    mode.replace(18, 2, std::string(1, '0') + "0123456789ABCD"[t]);
    for (int k = 1; k < 128; ++k) mode += " 0C";
    EXPECT_EQ(sent[2 + t], mode + " F7");
  }
  EXPECT_EQ(sent[16], Head("61 F7"));
  EXPECT_EQ(sent[17], Head("40 00 F7"));
  EXPECT_EQ(ui.busy, (std::vector<bool>{true, false}));
  EXPECT_TRUE(TarloUsesOutDev(1));
  EXPECT_FALSE(TarloUsesOutDev(0));
  TarloClose();
  EXPECT_EQ(Cfg.TarloOn, 0);
  ClearSent();
  EXPECT_FALSE(TarloSendOctave(1));
  EXPECT_FALSE(TarloSendModeTitles());
  EXPECT_FALSE(TarloSendAllModes());
  EXPECT_TRUE(SentHex(1).empty());
  // A port without a device is refused with its box.
  Unlocked([] { TarloOpen(5, 1); });
  ASSERT_EQ(ui.boxes.size(), 1u);
  EXPECT_EQ(ui.boxes[0].text, "Tarlo port 6 not available");
  EXPECT_EQ(Cfg.TarloOn, 0);
}

TEST_F(TarloTest, RangeSendersSetTheMapAndSendWhenOpen) {
  TarloSendModeCmd(36, 47, 5, "Play");  // closed: the keys are set, nothing is sent
  EXPECT_EQ(KeyMapCmd[40].load(), 5);
  EXPECT_EQ(KeyLabelsCmd[47], "Play");
  EXPECT_TRUE(SentHex(1).empty());
  Open();
  TarloSendModeLive(36, 47, 1, "x");
  const auto sent = SentHex(1);
  ASSERT_EQ(sent.size(), 1u);
  EXPECT_EQ(sent[0].substr(0, 26), Head("20 00 24 78"));
}

TEST_F(TarloTest, TwoThreadsSendingNeverMixTheirMessages) {
  Open();
  auto sender = [](int key) {
    for (int i = 0; i < 200; ++i) TarloSendKey(MtLive, key, "Key", Rgb(10, 20, 30), 0xFFFFFF);
  };
  std::thread a(sender, 10);
  std::thread b(sender, 20);
  a.join();
  b.join();
  const auto sent = SentHex(1);
  ASSERT_EQ(sent.size(), 400u);
  for (const std::string& m : sent)
    EXPECT_TRUE(m == Head("20 00 0A 4B 65 79 03 05 0A 0F 7F 7F 7F F7") ||
                m == Head("20 00 14 4B 65 79 03 05 0A 0F 7F 7F 7F F7"))
        << m;
}

TEST_F(TarloTest, StartUpWiresTheKeyMapsAndRunControlToTheLink) {
  KeyMapCalls() = KeyMapHooks{};
  RunHooks = TRunHooks{};
  InstallKeyPath();
  Open();
  SetKeyFnRange(MtPitch, 60, 61, 3, "Up");
  EXPECT_EQ(SentHex(1), (std::vector<std::string>{Head("20 08 3C 55 70 03 00 00 00 7F 7F 60 0C F7")}));
  ASSERT_TRUE(RunHooks.TarloUsesOutDev);
  EXPECT_TRUE(RunHooks.TarloUsesOutDev(1));
  RunHooks.TarloClose();
  EXPECT_EQ(Cfg.TarloOn, 0);
}

}  // namespace
}  // namespace vel
