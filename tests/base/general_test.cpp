#include "base/General.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdlib>
#include <string>

#include "base/Messages.h"
#include "base/ResetBaseState.h"
#include "base/Showing.h"

namespace vel {
namespace {

class GeneralTest : public ::testing::Test {
 protected:
  void SetUp() override { ResetBaseState(); }
  void TearDown() override { ResetBaseState(); }
};

TEST_F(GeneralTest, PadStrPadsToTheWidthOnTheSideItsSignGives) {
  EXPECT_EQ(PadStr("5", -2, '0'), "05");
  EXPECT_EQ(PadStr("7", -3, ' '), "  7");
  EXPECT_EQ(PadStr("ab", 4, '.'), "ab..");
  EXPECT_EQ(PadStr("ab", 0, '.'), "ab");
  EXPECT_EQ(PadStr("abc", 2, ' '), "abc");
  EXPECT_EQ(PadStr("abc", -3, '0'), "abc");
  EXPECT_EQ(PadStr("", -4, '0'), "0000");
}

TEST_F(GeneralTest, IntToHexIsUpperCaseAndZeroFilledWithinEightDigits) {
  EXPECT_EQ(IntToHex(0x3C, 8), "0000003C");
  EXPECT_EQ(IntToHex(0xFFFFFFFFu, 8), "FFFFFFFF");
  EXPECT_EQ(IntToHex(0xAB, 2), "AB");
  EXPECT_EQ(IntToHex(0x1234, 2), "1234");  // never cut
  EXPECT_EQ(IntToHex(5, 0), "5");
  EXPECT_EQ(IntToHex(0xABCDEF, 12), "00ABCDEF");
}

TEST_F(GeneralTest, GetFieldsTakesFieldsWithTheSeparatorsBetween) {
  EXPECT_EQ(GetFields("a,b,c,d", ',', 2, 3), "b,c");
  EXPECT_EQ(GetFields("a,b,c,d", ',', 1, 1), "a");
  EXPECT_EQ(GetFields("a,b,c,d", ',', 4, 4), "d");
  // Missing fields give what exists; a separator left at the end goes.
  EXPECT_EQ(GetFields("a,b", ',', 2, 5), "b");
  EXPECT_EQ(GetFields("a,b", ',', 3, 4), "");
  EXPECT_EQ(GetFields("a,b,", ',', 1, 3), "a,b");
  EXPECT_EQ(GetFields("a,,c", ',', 2, 2), "");
  EXPECT_EQ(GetFields("a,,c", ',', 2, 3), ",c");
  EXPECT_EQ(GetFields("", ',', 1, 1), "");
  // The key mapper's use: the text before the first ':', or all of it.
  EXPECT_EQ(GetFields("Rec   : record", ':', 1, 1), "Rec   ");
  EXPECT_EQ(GetFields("hold tog", ':', 1, 1), "hold tog");
}

TEST_F(GeneralTest, GetFieldsWithBlankTakesRunsOfBlanksAndTabsAsOneSeparator) {
  EXPECT_EQ(GetFields("a   b c", ' ', 2, 2), "b");
  EXPECT_EQ(GetFields("a   b c", ' ', 1, 2), "a b");
  EXPECT_EQ(GetFields("a\t \tb c", ' ', 1, 3), "a\tb c");
  EXPECT_EQ(GetFields("a b  ", ' ', 2, 3), "b");
}

TEST_F(GeneralTest, KeyNoToNoteNamesNoteAndOctave) {
  const std::pair<int, const char*> names[] = {{0, "C-2"}, {12, "C-1"}, {24, "C"},   {35, "B"},
                                               {36, "C1"}, {60, "C3"},  {61, "C#3"}, {127, "G8"}};
  for (auto [in, want] : names) EXPECT_EQ(KeyNoToNote(in), want) << in;
  EXPECT_EQ(KeyNoToNote(61, true), "61");
  EXPECT_EQ(KeyNoToNote(0, true), "0");
  EXPECT_TRUE(Msgs.ErrMsg.IsEmpty());
  EXPECT_EQ(PitchClassName(61), "C#");
  EXPECT_EQ(PitchClassName(11), "B");
}

TEST_F(GeneralTest, KeyNoToNoteOfANegativeNoteIsAnInternalError) {
  EXPECT_EQ(KeyNoToNote(-1), "?");
  EXPECT_EQ(Msgs.ErrMsg.Peek(), "KeyNoToNote error: Unexpected NoteNo: -1");
}

TEST_F(GeneralTest, YNTexts) {
  EXPECT_TRUE(YNToBool("yes"));
  EXPECT_TRUE(YNToBool("True"));
  EXPECT_TRUE(YNToBool("Y"));
  EXPECT_TRUE(YNToBool("t"));
  EXPECT_FALSE(YNToBool(""));
  EXPECT_FALSE(YNToBool("1"));
  EXPECT_FALSE(YNToBool("no"));
  EXPECT_FALSE(YNToBool(" y"));
  EXPECT_EQ(BoolToYN(true), "Y");
  EXPECT_EQ(BoolToYN(false), "N");
}

TEST_F(GeneralTest, PowerOf2IndexOnlyForExactPowersUpTo128) {
  EXPECT_EQ(PowerOf2Index(1), 0);
  EXPECT_EQ(PowerOf2Index(2), 1);
  EXPECT_EQ(PowerOf2Index(8), 3);
  EXPECT_EQ(PowerOf2Index(128), 7);
  // 258 and 513 have a power of two in their low byte; they are no powers of two.
  EXPECT_EQ(PowerOf2Index(258), -1);
  EXPECT_EQ(PowerOf2Index(513), -1);
  EXPECT_EQ(PowerOf2Index(256), -1);
  EXPECT_EQ(PowerOf2Index(0), -1);
  EXPECT_EQ(PowerOf2Index(3), -1);
  EXPECT_EQ(PowerOf2Index(-128), -1);
  EXPECT_TRUE(DividesWholeNote(15360));
  EXPECT_TRUE(DividesWholeNote(12));
  EXPECT_FALSE(DividesWholeNote(7));
  EXPECT_FALSE(DividesWholeNote(0));
  EXPECT_FALSE(DividesWholeNote(-4));
}

struct TimeSig {
  int32_t beats = -7;
  int32_t beatLen = -7;
  std::string error = "unset";
};

TimeSig Parse(const std::string& text) {
  TimeSig t;
  ParseTimeSig(text, t.beats, t.beatLen, t.error);
  return t;
}

TEST_F(GeneralTest, ParseTimeSigTakesValidSignatures) {
  TimeSig t = Parse("7/8");
  EXPECT_EQ(t.beats, 7);
  EXPECT_EQ(t.beatLen, 8);
  EXPECT_EQ(t.error, "");
  t = Parse(" 3 / 4 ");
  EXPECT_EQ(t.beats, 3);
  EXPECT_EQ(t.beatLen, 4);
  EXPECT_EQ(t.error, "");
  t = Parse("64/128");
  EXPECT_EQ(t.error, "");
}

TEST_F(GeneralTest, ParseTimeSigNamesWhatIsWrong) {
  const std::string kPower = "Time signature beat-length must be a power of 2";
  const std::string kRange = "Time signature beats-per-bar out of range 1..64";
  EXPECT_EQ(Parse("3/6").error, kPower);
  EXPECT_EQ(Parse("4/1").error, kPower);
  EXPECT_EQ(Parse("4/258").error, kPower);
  EXPECT_EQ(Parse("4/256").error, kPower);
  EXPECT_EQ(Parse("65/4").error, kRange);
  EXPECT_EQ(Parse("0/4").error, kRange);
  EXPECT_EQ(Parse("-4/4").error, kRange);
  TimeSig t = Parse("65/4");
  EXPECT_EQ(t.beats, 65);
  EXPECT_EQ(t.beatLen, 4);
}

TEST_F(GeneralTest, ParseTimeSigOfTextThatIsNotTwoNumbersAsksForTheForm) {
  for (const char* text : {"abc", "4/", "/4", "4", "", "4/4/4", "4 4/4", "x/4", "4/4x", "99999999999/4"}) {
    TimeSig t = Parse(text);
    EXPECT_EQ(t.error, std::string("Time signature '") + text + "' must be in form n/n") << text;
    EXPECT_EQ(t.beats, -7) << text;
    EXPECT_EQ(t.beatLen, -7) << text;
  }
}

TEST_F(GeneralTest, CheckBarStepsAcceptsAFittingStepCount) {
  std::string message = "unset";
  EXPECT_TRUE(CheckBarSteps(4, 4, 16, message, 16));
  EXPECT_EQ(message, "");
  EXPECT_TRUE(CheckBarSteps(3, 4, 12, message, 16));
  EXPECT_EQ(message, "");
}

TEST_F(GeneralTest, CheckBarStepsExplainsABadCombinationAndListsTheGoodOnes) {
  std::string message;
  EXPECT_FALSE(CheckBarSteps(3, 4, 16, message, 16));
  EXPECT_EQ(message,
            "Invalid combination of time-sig (3/4) and no. of steps (16)\r\n"
            "Beats-per-bar (3) must be a factor of (steps * beat-length) (64)\r\n\r\n"
            "Possible step values for this time-sig are: 3, 6, 12, 15");
}

TEST_F(GeneralTest, CheckBarStepsExplainsAStepCountThatDoesNotDivideTheBar) {
  std::string message;
  EXPECT_FALSE(CheckBarSteps(4, 4, 7, message, 16));
  EXPECT_EQ(message,
            "Invalid no. of steps\r\n"
            "Steps (7) must be a factor of bar length (15360)\r\n\r\n"
            "Possible step values for this time-sig are: 1, 2, 3, 4, 5, 6, 8, 10, 12, 15, 16");
}

TEST_F(GeneralTest, CheckBarStepsSaysWhenNoStepCountFits) {
  std::string message;
  EXPECT_FALSE(CheckBarSteps(7, 4, 16, message, 16));
  EXPECT_EQ(message,
            "Invalid combination of time-sig (7/4) and no. of steps (16)\r\n"
            "Beats-per-bar (7) must be a factor of (steps * beat-length) (64)\r\n\r\n"
            "No other step values are possible with this time-sig");
  // A beat count of 0 fits nothing instead of dividing by zero.
  EXPECT_FALSE(CheckBarSteps(0, 4, 16, message, 16));
  EXPECT_EQ(message,
            "Invalid combination of time-sig (0/4) and no. of steps (16)\r\n"
            "Beats-per-bar (0) must be a factor of (steps * beat-length) (64)\r\n\r\n"
            "No other step values are possible with this time-sig");
}

TEST_F(GeneralTest, KeyNameOfHotkeyCodes) {
  const std::pair<int, const char*> names[] = {
      {8, " bksp"}, {32, " spce"}, {39, " rght"}, {48, " 0"},   {57, " 9"}, {65, " a"}, {90, " z"},
      {111, " /"},  {112, " F1"},  {123, " F12"}, {164, "alt"}, {124, "?"}, {0, "?"}};
  for (auto [in, want] : names) EXPECT_EQ(KeyName(in), want) << in;
}

TEST_F(GeneralTest, DecodeEventOfNotesAndHotkeys) {
  EXPECT_EQ(DecodeEvent(0x00643C90, false, false), "chan 1, note C3 on, vel 100");
  EXPECT_EQ(DecodeEvent(0x00003D8F, false, false), "chan 16, note C#3 off, vel 0");
  EXPECT_EQ(DecodeEvent(0x00283C93, false, true), "note C3, vel 40");
  Trace.SRecChordNote = 1;
  EXPECT_EQ(DecodeEvent(0x00283C93, false, true), "note C3 + others, vel 40");
  EXPECT_EQ(DecodeEvent(0x00804199, false, false), "hotkey ' a' down");
  EXPECT_EQ(DecodeEvent(0x00807088, false, true), "hotkey ' F1' up");
  EXPECT_TRUE(Msgs.WarnMsg.IsEmpty());
}

TEST_F(GeneralTest, DecodeEventOfChannelMessages) {
  EXPECT_EQ(DecodeEvent(0x00403CA2, false, false), "chan 3, key 60 pressure 64");
  EXPECT_EQ(DecodeEvent(0x006407B0, false, false), "chan 1, cc ChanVol 100");
  EXPECT_EQ(DecodeEvent(0x00104BB3, false, false), "chan 4, cc Sound6 16");
  EXPECT_EQ(DecodeEvent(0x00007FB0, false, false), "chan 1, cc PolyModeOnMonoOff 0");
  EXPECT_EQ(DecodeEvent(0x007F40B0, false, false), "chan 1, cc DamperPedal 127");
  EXPECT_EQ(DecodeEvent(0x000503B0, false, false), "chan 1, cc 3 5");
  EXPECT_EQ(DecodeEvent(0x00015AB9, false, false), "chan 10, cc 90 1");
  EXPECT_EQ(DecodeEvent(0x000005C0, false, false), "chan 1, prog change 5");
  EXPECT_EQ(DecodeEvent(0x000030D0, false, false), "chan 1, chan pressure 48");
  EXPECT_EQ(DecodeEvent(0x004000E0, false, false), "chan 1, pitch bend 8192");
  EXPECT_EQ(DecodeEvent(0x007F7FE1, false, false), "chan 2, pitch bend 16383");
}

TEST_F(GeneralTest, DecodeEventOfSystemMessagesAndTheEndMarker) {
  EXPECT_EQ(DecodeEvent(0x000000FF, true, false), "rest");
  EXPECT_EQ(DecodeEvent(0x000000FF, false, false), "system reset/no-op");
  EXPECT_EQ(DecodeEvent(0x000000F8, false, false), "midi clock");
  EXPECT_EQ(DecodeEvent(0x000000F0, false, false), "sysex start");
  EXPECT_EQ(DecodeEvent(0x000000F7, false, false), "sysex end");
  EXPECT_EQ(DecodeEvent(0x000000FD, false, false), "undefined");
  EXPECT_EQ(DecodeEvent(0x000000FE, false, false), "active sensing");
  EXPECT_TRUE(Msgs.WarnMsg.IsEmpty());
}

TEST_F(GeneralTest, DecodeEventOfADataByteWarns) {
  EXPECT_EQ(DecodeEvent(0x00003C45, false, false), "?");
  EXPECT_EQ(Msgs.WarnMsg.Peek(), "DecodeEvent error: Unexpected MidiCmd: 4");
}

TEST_F(GeneralTest, GetEnvVarReturnsTheWholeValue) {
  std::string longValue(1000, 'x');
  longValue += "end";
  ASSERT_EQ(setenv("VELLORINE_TEST_LONG", longValue.c_str(), 1), 0);
  EXPECT_EQ(GetEnvVar("VELLORINE_TEST_LONG"), longValue);
  unsetenv("VELLORINE_TEST_LONG");
  EXPECT_EQ(GetEnvVar("VELLORINE_TEST_LONG"), "");
}

TEST_F(GeneralTest, DirExistsOnlyForDirectories) {
  EXPECT_TRUE(DirExists("/tmp"));
  EXPECT_FALSE(DirExists("/proc/self/status"));
  EXPECT_FALSE(DirExists("/no/such/folder/here"));
  EXPECT_FALSE(DirExists(""));
}

TEST_F(GeneralTest, VersionTextNamesTheKernel) {
  EXPECT_EQ(WindowsVersionText().rfind("Linux ", 0), 0u) << WindowsVersionText();
}

}  // namespace
}  // namespace vel
