#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "base/UiRecorder.h"
#include "keymaps/KeyFnFromLabel.h"
#include "keymaps/KeyModes.h"
#include "keymaps/KeyTestSupport.h"

namespace vel {
namespace {

using test::KeyMapTest;
using test::UiRecorder;

TEST_F(KeyMapTest, EveryVocabularyTokenParsesBackToItsCode) {
  UiRecorder ui;
  for (int t = 0; t < ModeTypeCount; ++t) {
    const auto mt = static_cast<TModeType>(t);
    for (const TKeyFn& fn : KeyFns(mt)) {
      if (fn.Token.empty()) continue;
      const std::string label = KeyFnFromLabel(mt, 60, fn.Token);
      int expected = fn.Code;
      if (mt == MtFtsType && (fn.Code == 26 || fn.Code == 27)) expected = fn.Code - 11;
      ASSERT_EQ(KeyCodeAt(mt, 60), expected) << fn.Keyword;
      ASSERT_EQ(label, fn.Token) << fn.Keyword;
      ASSERT_EQ(KeyLabelsOf(mt)[60], fn.Token) << fn.Keyword;
      ASSERT_EQ(KeyColoursAt(mt, 60),
                Colours(KeyColoursOf(mt, fn.Code).Font, KeyColoursOf(mt, fn.Code).Back));
    }
  }
  // Key 60 and the calibrate key 36 are both C: mapping "cmd" asks nothing.
  EXPECT_TRUE(ui.boxes.empty());
}

TEST_F(KeyMapTest, NamedParsersReachTheirOwnMaps) {
  EXPECT_EQ(KeyFnFromLabelCmd(1, "play"), "play");
  EXPECT_EQ(KeyMapCmd[1].load(), 2);
  EXPECT_EQ(KeyFnFromLabelLive(2, " left"), " left");
  EXPECT_EQ(KeyMapLive[2].load(), 6);
  EXPECT_EQ(KeyFnFromLabelHotkey(3, " left"), " left");
  EXPECT_EQ(KeyMapHotkey[3].load(), 7);
  EXPECT_EQ(KeyFnFromLabelRec(4, " left"), " left");
  EXPECT_EQ(KeyMapRec[4].load(), 51);
  EXPECT_EQ(KeyFnFromLabelSRec(5, " left"), " left");
  EXPECT_EQ(KeyMapSRec[5].load(), 78);
  EXPECT_EQ(KeyFnFromLabelRangeN(6, "tap"), "tap");
  EXPECT_EQ(KeyMapRangeN[6].load(), 22);
  EXPECT_EQ(KeyFnFromLabelTSig(7, "20"), "20");
  EXPECT_EQ(KeyMapTSig[7].load(), 23);
  EXPECT_EQ(KeyFnFromLabelTShift(8, "*"), "*");
  EXPECT_EQ(KeyMapTShift[8].load(), 11);
  EXPECT_EQ(KeyFnFromLabelFtsType(9, "dim"), "dim");
  EXPECT_EQ(KeyMapFtsType[9].load(), 15);
  EXPECT_EQ(KeyFnFromLabelQuant(10, "3 1/3"), "3 1/3");
  EXPECT_EQ(KeyMapQuant[10].load(), 15);
  EXPECT_EQ(KeyFnFromLabelMetr(11, "C3"), "C3");
  EXPECT_EQ(KeyMapMetr[11].load(), 72);
  EXPECT_EQ(KeyFnFromLabelFtsRoot(12, "B"), "B");
  EXPECT_EQ(KeyMapFtsRoot[12].load(), 18);
  EXPECT_EQ(KeyFnFromLabelFtn(13, "fts nn"), "fts nn");
  EXPECT_EQ(KeyMapFtn[13].load(), 5);
  EXPECT_EQ(KeyFnFromLabelPitch(14, "-12"), "-12");
  EXPECT_EQ(KeyMapPitch[14].load(), 75);
}

TEST_F(KeyMapTest, UnknownAndEmptyTokensGiveTheIgnoreCode) {
  const int ignore[ModeTypeCount] = {162, 147, 207, 234, 44, 68, 77, 77, 112, 140, 19, 71, 19, 162};
  for (int t = 0; t < ModeTypeCount; ++t) {
    const auto mt = static_cast<TModeType>(t);
    for (const char* token : {"", "left", "PLAY", "hold  off"}) {
      SetKeyFn(mt, 30, 1, "p");
      EXPECT_EQ(KeyFnFromLabel(mt, 30, token), " ") << t << " '" << token << "'";
      EXPECT_EQ(KeyCodeAt(mt, 30), ignore[t]) << t;
      EXPECT_EQ(KeyLabelsOf(mt)[30], " ");
      EXPECT_EQ(KeyColoursAt(mt, 30), Colours(Cfg.ClKtFgNone, Cfg.ClKtBgNone));
    }
  }
}

TEST_F(KeyMapTest, ParserSetsTheMappedKeyAndSendsIt) {
  std::vector<std::pair<int, int>> sent;
  KeyMapCalls().TarloSendKey = [&](TModeType t, int key) { sent.emplace_back(t, key); };
  Cfg.InPortOctaveOffset[0].store(1);
  KeyFnFromLabelCmd(20, "stop");
  EXPECT_EQ(KeyMapCmd[8].load(), 55);
  EXPECT_EQ(KeyMapCmd[20].load(), 147);
  Cfg.InPortOctaveOffset[0].store(-2);
  KeyFnFromLabelPitch(100, "oct +");
  EXPECT_EQ(KeyMapPitch[124].load(), 8);
  EXPECT_EQ(sent, (std::vector<std::pair<int, int>>{{MtCmd, 8}, {MtPitch, 124}}));
}

TEST_F(KeyMapTest, ParserRefusesAKeyShiftedOutOfTheMap) {
  Cfg.InPortOctaveOffset[0].store(1);
  EXPECT_EQ(KeyFnFromLabelRec(5, "stop"), "r");
  EXPECT_EQ(Msgs.StatusAlertText.Peek(), "Design error: KeyFnFromLabelRec error: Unexpected Key");
  for (int k = 0; k < 128; ++k) EXPECT_EQ(KeyMapRec[k].load(), 207);
}

const std::string kCalibQuestionD =
    "About to map a Live Cmd function to key D\r\n\r\n"
    "Do you also want the octave offset calibrate key to be \r\n"
    "based on D instead of C from now on?\r\n"
    "e.g. you may want to do this if D is your leftmost key";

TEST_F(KeyMapTest, LiveCmdOnAnotherPitchClassAsksAndNoKeepsTheCalibrateKey) {
  UiRecorder ui;
  ui.Answer(MsgAnswer::No);
  int returns = 0;
  KeyMapCalls().ReturnToLiveMode = [&] { ++returns; };
  Cfg.InPortOctaveOffset[0].store(1);
  Cfg.InPortOctaveOffset[1].store(-1);

  // Grid key 26 (D) maps to key 14 (D-1); the calibrate key is 36 (C1).
  EXPECT_EQ(KeyFnFromLabelLive(26, "cmd"), "cmd");
  ASSERT_EQ(ui.boxes.size(), 1u);
  EXPECT_EQ(ui.boxes[0].text, kCalibQuestionD);
  EXPECT_EQ(ui.boxes[0].kind, MsgKind::Confirmation);
  EXPECT_EQ(ui.boxes[0].buttons, MsgButtons::YesNo);
  EXPECT_EQ(KeyMapLive[14].load(), 0);
  EXPECT_EQ(Cfg.InPortOctaveOffset[0].load(), 1);
  EXPECT_EQ(Cfg.InPortOctaveOffset[1].load(), -1);
  EXPECT_EQ(Cfg.InPortLiveCmdKey[0].load(), 36);
  EXPECT_EQ(Cfg.InPortLiveCmdKey[1].load(), 36);
  EXPECT_EQ(returns, 0);
}

TEST_F(KeyMapTest, LiveCmdAnsweredYesMovesTheCalibrateKeyAndAsksForRecalibration) {
  UiRecorder ui;
  ui.Answer(MsgAnswer::Yes);
  std::vector<std::string> calls;
  KeyMapCalls().TarloSendKey = [&](TModeType, int key) { calls.push_back("send " + std::to_string(key)); };
  KeyMapCalls().ReturnToLiveMode = [&] {
    calls.push_back("live, key 14 holds " + std::to_string(KeyMapLive[14].load()));
    EXPECT_EQ(ui.boxes.size(), 1u);  // before the warning
  };
  Ui().Publish = [&](TTopic topic) {
    calls.push_back(TopicName(topic));
    EXPECT_EQ(ui.boxes.size(), 2u);  // after the warning
  };
  Cfg.InPortOctaveOffset[0].store(1);
  Cfg.InPortOctaveOffset[1].store(-1);

  EXPECT_EQ(KeyFnFromLabelLive(26, "cmd"), "cmd");
  ASSERT_EQ(ui.boxes.size(), 2u);
  EXPECT_EQ(ui.boxes[0].text, kCalibQuestionD);
  EXPECT_EQ(ui.boxes[1].text,
            "Octave offsets have been reset to 0, so re-calibration is reqd.\r\n"
            "Please click OK, then Press live Cmd key (D-1)");
  EXPECT_EQ(ui.boxes[1].kind, MsgKind::Warning);
  EXPECT_EQ(ui.boxes[1].buttons, MsgButtons::Ok);
  EXPECT_EQ(Cfg.InPortOctaveOffset[0].load(), 0);
  EXPECT_EQ(Cfg.InPortOctaveOffset[1].load(), 0);
  EXPECT_EQ(Cfg.InPortLiveCmdKey[0].load(), 14);
  EXPECT_EQ(Cfg.InPortLiveCmdKey[1].load(), 14);
  EXPECT_EQ(calls, (std::vector<std::string>{"send 14", "live, key 14 holds 0", "CalibrationLost"}));
}

TEST_F(KeyMapTest, LiveCmdAnsweredYesWithoutOffsetsOnlyMovesTheCalibrateKey) {
  UiRecorder ui;
  ui.Answer(MsgAnswer::Yes);
  int returns = 0;
  KeyMapCalls().ReturnToLiveMode = [&] { ++returns; };
  EXPECT_EQ(KeyFnFromLabelLive(43, "cmd"), "cmd");  // G1
  ASSERT_EQ(ui.boxes.size(), 1u);
  EXPECT_EQ(ui.boxes[0].text,
            "About to map a Live Cmd function to key G1\r\n\r\n"
            "Do you also want the octave offset calibrate key to be \r\n"
            "based on G instead of C from now on?\r\n"
            "e.g. you may want to do this if G is your leftmost key");
  EXPECT_EQ(Cfg.InPortLiveCmdKey[0].load(), 43);
  EXPECT_EQ(Cfg.InPortLiveCmdKey[1].load(), 43);
  EXPECT_EQ(KeyMapLive[43].load(), 0);
  EXPECT_EQ(returns, 0);

  // The same pitch class as the new calibrate key: no question.
  KeyFnFromLabelLive(67, "cmd");
  EXPECT_EQ(ui.boxes.size(), 1u);
  EXPECT_EQ(KeyMapLive[67].load(), 0);
}

TEST_F(KeyMapTest, CalibPromptTextNamesTheMainInputsCalibrateKey) {
  EXPECT_EQ(CalibPromptText(), "Press live Cmd key (C1)");
  Cfg.InPortLiveCmdKey[0].store(61);
  Cfg.InPortLiveCmdKey[1].store(0);
  EXPECT_EQ(CalibPromptText(), "Press live Cmd key (C#3)");
}

}  // namespace
}  // namespace vel
