#include <gtest/gtest.h>

#include <array>
#include <initializer_list>
#include <string>
#include <vector>

#include "keymaps/KeyCodes.h"
#include "keys/KeyPathTestState.h"
#include "keys/KeyRouting.h"
#include "keys/ScaleValue.h"

namespace vel {
namespace {

using test::KeyPathTest;
using test::NoteOff;
using test::NoteOn;
using test::TakeLiveFifo;

using Map24 = std::array<int32_t, 24>;

// Keys 60..71 are the twelve pitch classes C..B; keys 48..54 the other codes in code order.
constexpr int kFirstNoteKey = 60;
constexpr int kEscKey = 48;

class FtnTest : public KeyPathTest {
 protected:
  void SetUp() override {
    KeyPathTest::SetUp();
    for (int pc = 0; pc < 12; ++pc)
      SetKey(MapFtn, kFirstNoteKey + pc, static_cast<uint8_t>(FtnNoteFirst + pc));
    for (uint8_t code = FtnEsc; code <= FtnOff; ++code) SetKey(MapFtn, kEscKey + code, code);
    Cfg.FtnTimerThreshold = 50;
    Cfg.MidiTimerInterval = 1;
    // The live output and seq 1 are targets; seq 2 is selected but pitch-locked; seq 0 is not selected.
    Live.Selected = 1;
    SeqBuf(1).Selected = 1;
    SeqBuf(2).Selected = 1;
    SeqBuf(2).PitchLocked = 1;
    Keys.KeyMode = TKeyMode::Ftn;
  }

  static void PressClasses(std::initializer_list<int> classes) {
    for (int pc : classes) Press(kFirstNoteKey + pc);
  }
  static void ReleaseClasses(std::initializer_list<int> classes) {
    for (int pc : classes) Release(kFirstNoteKey + pc);
  }
  static void Code(uint8_t code) { Press(kEscKey + code); }
  static Map24 Twice(std::array<int32_t, 12> octave) {
    Map24 m{};
    for (int i = 0; i < 12; ++i) m[i] = m[i + 12] = octave[i];
    return m;
  }
};

TEST_F(FtnTest, CEGHeldMapEveryPitchClassToTheNearestHeldOneAndBecomeTheTargetsScale) {
  PressClasses({0, 4, 7});
  EXPECT_TRUE(TakeLiveFifo().empty());
  Ticks(49);
  EXPECT_EQ(Transport.FtnTimer, 1);
  EXPECT_EQ(Mode(), TKeyMode::Ftn);
  EXPECT_EQ(Msgs.StatusMsg.Peek(), "");
  Ticks(1);

  // C# and D down to C (the middle goes down), D# up to E, F down to E, F# up to G, G# and A down
  // to G, A# and B up to C.
  const Map24 expected = Twice({0, -1, -2, 1, 0, -1, 1, 0, -1, -2, 2, 1});
  EXPECT_EQ(Args.FtnMap, expected);
  EXPECT_EQ(Args.FtnName.View(), "CEG");
  EXPECT_EQ(Msgs.StatusMsg.Peek(), "Ftn CEG");
  EXPECT_EQ(Transport.FtnTimer, 0);
  EXPECT_EQ(Mode(), TKeyMode::Live);

  EXPECT_EQ(Live.FtsType, kFtsTypeCustom);
  EXPECT_EQ(Live.FtsRoot, 0);
  EXPECT_EQ(Live.ScaleMap, &Live.FtnMap);
  EXPECT_EQ(Live.FtnMap, expected);
  EXPECT_EQ(Live.FtsName.View(), "CEG");
  const TPartBuf& b = SeqBuf(1);
  EXPECT_EQ(b.Pend.FtsType, kFtsTypeCustom);
  EXPECT_EQ(b.Pend.FtsRoot, 0);
  EXPECT_EQ(b.Pend.ScaleTbl, &b.Pend.FtnMap);
  EXPECT_EQ(b.Pend.FtnMap, expected);
  EXPECT_EQ(b.Pend.FtnScaleName.View(), "CEG");
  for (int s : {0, 2}) {
    EXPECT_EQ(SeqBuf(s).Pend.FtsType, kFtsTypeOff);
    EXPECT_EQ(SeqBuf(s).Pend.ScaleTbl, nullptr);
  }

  // A live D now sounds as C.
  SetKey(MapLive, 62, LiveN);
  ClearSent();
  Press(62);
  Ticks(1);
  EXPECT_EQ(SentHex(0), std::vector<std::string>{"90 3C 64"});
}

TEST_F(FtnTest, TheHeldNotesNameTheMapAndAnEntryCanStartAboveC) {
  struct Case {
    std::vector<int> held;
    std::string name;
    Map24 map;
  };
  const Case cases[] = {
      {{1, 4, 7}, "C#EG", Twice({1, 0, -1, 1, 0, -1, 1, 0, -1, -2, -3, 2})},
      {{11}, "B", Twice({-1, -2, -3, -4, -5, -6, 5, 4, 3, 2, 1, 0})},
      // Names longer than ten characters are cut, with "!" where it still fits.
      {{0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11}, "CC#DD#EFF#", Twice({0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0})},
      {{0, 1, 2, 4, 5, 7, 8, 10}, "CC#DEFGG#!", Twice({0, 0, 0, -1, 0, 0, -1, 0, 0, -1, 0, -1})},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Args = TKeyArgs{};
    Keys.KeyMode = TKeyMode::Ftn;
    Live.Selected = 1;
    for (int pc : c.held) Press(kFirstNoteKey + pc);
    Ticks(50);
    EXPECT_EQ(Args.FtnMap, c.map);
    EXPECT_EQ(Args.FtnName.View(), c.name);
    EXPECT_EQ(Msgs.StatusMsg.Peek(), "Ftn " + c.name);
    EXPECT_EQ(Live.FtnMap, c.map);
    for (int pc : c.held) Release(kFirstNoteKey + pc);
  }
}

TEST_F(FtnTest, AKeyLetGoBeforeTheTimeRunsOutTakesItsNoteOut) {
  PressClasses({0, 4, 7});
  Ticks(20);
  ReleaseClasses({4});
  // Note-offs go on to the live output, note-ons never.
  EXPECT_EQ(TakeLiveFifo(), std::vector<uint32_t>{NoteOff(64)});
  Ticks(50);
  EXPECT_EQ(Args.FtnName.View(), "CG");
  EXPECT_EQ(Msgs.StatusMsg.Peek(), "Ftn CG");
}

TEST_F(FtnTest, EveryKeyLetGoLeavesNothingHeldAndTheEntryChangesNothing) {
  PressClasses({0, 4, 7});
  Ticks(10);
  ReleaseClasses({0, 4, 7});
  Ticks(100);
  EXPECT_EQ(Args.FtnMap, TKeyArgs::FtnMapCleared());
  EXPECT_EQ(Args.FtnName.View(), "");
  EXPECT_EQ(Msgs.StatusMsg.Peek(), "");
  EXPECT_EQ(Live.ScaleMap, nullptr);
  EXPECT_EQ(Live.FtsType, kFtsTypeOff);
  EXPECT_EQ(SeqBuf(1).Pend.FtsType, kFtsTypeOff);
  // The timer still ends the mode.
  EXPECT_EQ(Mode(), TKeyMode::Live);
}

TEST_F(FtnTest, WithHoldTheModeStaysForTheNextEntry) {
  Keys.KeyHold = 1;
  PressClasses({0, 4, 7});
  Ticks(50);
  EXPECT_EQ(Msgs.StatusMsg.Peek(), "Ftn CEG");
  EXPECT_EQ(Mode(), TKeyMode::Ftn);
  EXPECT_EQ(Keys.KeyHold.load(), 1);
  // The keys of the last entry let go, the next chord is an entry of its own.
  ReleaseClasses({0, 4, 7});
  PressClasses({2, 5, 9});
  Ticks(50);
  EXPECT_EQ(Msgs.StatusMsg.Peek(), "Ftn DFA");
  EXPECT_EQ(Mode(), TKeyMode::Ftn);
}

TEST_F(FtnTest, AThresholdOfZeroCompletesAtTheNextTick) {
  Cfg.FtnTimerThreshold = 0;
  PressClasses({0});
  EXPECT_EQ(Transport.FtnTimer, 1);
  Ticks(1);
  EXPECT_EQ(Msgs.StatusMsg.Peek(), "Ftn C");
  EXPECT_EQ(Mode(), TKeyMode::Live);
}

TEST_F(FtnTest, EscRootOffAndHoldCodesEndOrKeepTheEntry) {
  struct Case {
    const char* name;
    uint8_t code;
    uint8_t holdBefore;
    TKeyMode mode;
    uint8_t holdAfter;
    bool timerRuns;  // the entry under way still completes
    const char* status;
    bool scaleOff;
  };
  const Case cases[] = {
      {"esc", FtnEsc, 0, TKeyMode::Live, 0, false, "", false},
      {"esc with hold", FtnEsc, 1, TKeyMode::Live, 0, false, "", false},
      {"live note", FtnLiveN, 0, TKeyMode::Ftn, 0, true, "", false},
      {"hold", FtnHold, 0, TKeyMode::Ftn, 1, true, "", false},
      {"hold off", FtnHoldOff, 1, TKeyMode::Ftn, 0, true, "", false},
      {"hold toggle", FtnHoldTog, 0, TKeyMode::Ftn, 1, true, "", false},
      {"root", FtnFts, 0, TKeyMode::FtsRoot, 0, false, "", false},
      {"off", FtnOff, 0, TKeyMode::Live, 0, false, "Fts off", true},
      {"off with hold", FtnOff, 1, TKeyMode::Ftn, 1, false, "Fts off", true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Args = TKeyArgs{};
    Msgs.StatusMsg.Clear();
    Live.Selected = 1;
    Live.FtsType = kFtsTypeFirstTable;
    Live.ScaleMap = FtsScaleTable(kFtsTypeFirstTable);
    TPartBuf& b = SeqBuf(1);
    b.Selected = 1;
    b.Pend.FtsType = kFtsTypeFirstTable;
    b.Pend.ScaleTbl = FtsScaleTable(kFtsTypeFirstTable);
    Keys.KeyHold = c.holdBefore;
    Keys.KeyMode = TKeyMode::Ftn;
    PressClasses({0});
    Code(c.code);
    EXPECT_EQ(Mode(), c.mode);
    EXPECT_EQ(Keys.KeyHold.load(), c.holdAfter);
    EXPECT_EQ(Transport.FtnTimer, c.timerRuns ? 50 : 0);
    EXPECT_EQ(Msgs.StatusMsg.Peek(), c.status);
    EXPECT_EQ(Live.FtsType, c.scaleOff ? kFtsTypeOff : kFtsTypeFirstTable);
    EXPECT_EQ(b.Pend.ScaleTbl, c.scaleOff ? nullptr : FtsScaleTable(kFtsTypeFirstTable));
    Keys.KeyMode = c.mode;
    Ticks(60);
    EXPECT_EQ(Msgs.StatusMsg.Peek(), c.timerRuns ? "Ftn C" : c.status);
    Release(kFirstNoteKey);
    Release(kEscKey + c.code);
  }
}

TEST_F(FtnTest, AnEntryLeftAnotherWayCompletesNothing) {
  PressClasses({0, 4, 7});
  // A recalibration returns to Live mode while the entry's time runs.
  ReturnToLiveMode();
  Keys.KeyMode = TKeyMode::Command;
  Ticks(60);
  EXPECT_EQ(Transport.FtnTimer, 0);
  EXPECT_EQ(Mode(), TKeyMode::Command);
  EXPECT_EQ(Msgs.StatusMsg.Peek(), "");
  EXPECT_EQ(Live.FtsType, kFtsTypeOff);
}

}  // namespace
}  // namespace vel
