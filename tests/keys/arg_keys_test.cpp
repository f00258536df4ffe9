// The argument keys of force to scale, pitch, the plain metronome, cycle counts, record bars,
// velocity and metronome styles, and the style procedures they share with the style windows.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "base/Topics.h"
#include "base/General.h"
#include "base/Messages.h"
#include "base/Showing.h"
#include "keymaps/KeyCodes.h"
#include "keymaps/KeyModes.h"
#include "keys/CycleKeys.h"
#include "keys/KeyDecoders.h"
#include "keys/KeyEntryTestState.h"
#include "keys/KeyPathTestState.h"
#include "keys/RecordKeys.h"
#include "keys/ScaleKeys.h"
#include "keys/ScaleValue.h"
#include "keys/StyleKeys.h"
#include "styles/StyleStore.h"

namespace vel::test {
namespace {

class ArgKeysTest : public KeyEntryTest {
 protected:
  static void InMode(int mode) { Keys.KeyMode = KeyModeFromNo(mode); }
  static void Digits(TModeKeyFn handler, std::initializer_list<uint8_t> codes) {
    for (uint8_t c : codes) handler({.Code = c});
  }
};

TEST_F(ArgKeysTest, ForceToScaleRootThenTypeAppliesAndSays) {
  Live.Selected = 1;
  SelectSeq(1);
  Keys.KeyMode = TKeyMode::FtsRoot;
  HandleFtsRootModeKey({.Code = FtsRootNoteD});
  EXPECT_EQ(Keys.KeyMode.load(), TKeyMode::FtsType);
  HandleFtsTypeModeKey({.Code = FtsScaleMajor});
  EXPECT_EQ(Msgs.StatusMsg.Peek(), "Fts Dmaj");
  EXPECT_EQ(Live.FtsRoot, 2);
  EXPECT_EQ(Live.ScaleMap, FtsScaleTable(FtsScaleMajor));
  EXPECT_EQ(SeqBuf(1).Pend.FtsType, FtsScaleMajor);
  EXPECT_EQ(Keys.KeyMode.load(), TKeyMode::Live);
  // A played D# is one half step above the root: it sounds as D.
  EXPECT_EQ((*Live.ScaleMap)[(63 - 2) % 12], -1);

  // The current type: only the root changes. With hold the entry starts again at the root.
  Live.Selected = 1;
  Keys.KeyHold = 1;
  Keys.KeyMode = TKeyMode::FtsRoot;
  HandleFtsRootModeKey({.Code = FtsRootNoteF});
  HandleFtsTypeModeKey({.Code = FtsTypeCurr});
  EXPECT_EQ(Msgs.StatusMsg.Peek(), "Fts F");
  EXPECT_EQ(Live.FtsRoot, 5);
  EXPECT_EQ(Live.FtsType, FtsScaleMajor);
  EXPECT_EQ(Keys.KeyMode.load(), TKeyMode::FtsRoot);
  HandleFtsRootModeKey({.Code = FtsRootOff});
  EXPECT_EQ(Msgs.StatusMsg.Peek(), "Fts off");
  EXPECT_EQ(Live.ScaleMap, nullptr);
  HandleFtsRootModeKey({.Code = FtsRootFtn});
  EXPECT_EQ(Keys.KeyMode.load(), TKeyMode::Ftn);
  EXPECT_EQ(FtsCodeName(FtsChordMaj), "M");
  EXPECT_EQ(FtsCodeName(71), " ");
}

TEST_F(ArgKeysTest, PitchOffsetsAndTheirTexts) {
  SelectSeq(0);
  struct Case {
    uint8_t code;
    uint8_t cyclesN;
    int32_t cycles;
    std::string status;
  };
  const Case cases[] = {
      {PitchDec1 + 11, 0, 0, "Pitch offset -12"},
      {PitchInc0, 0, 3, "Pitch offset +0"},
      {PitchInc1 + 6, 1, 4, "Pitch cycles:4 offset +7"},
      {PitchInc0, 1, 4, "Pitch cycles:0=reset offset +0"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.status);
    Keys.PitchCyclesN = c.cyclesN;
    Keys.PitchCycles = c.cycles;
    Keys.KeyMode = TKeyMode::Pitch;
    HandlePitchModeKey({.Code = c.code});
    EXPECT_EQ(Msgs.StatusMsg.Peek(), c.status);
    EXPECT_EQ(Keys.KeyMode.load(), TKeyMode::Live);
    if (c.code == PitchInc0) {
      EXPECT_EQ(Keys.PitchCycles, 0);
    }
  }
  // Two cycle digits in progress and hold: back to the two-digit entry, cleared.
  Keys.PitchCyclesN = 0;
  Keys.PitchCyclesNN = 1;
  Keys.PitchCycles = 12;
  Args.PitchCyclesEntry = 12;
  Keys.KeyHold = 1;
  SelectSeq(0);
  HandlePitchModeKey({.Code = PitchInc1});
  EXPECT_EQ(Keys.KeyMode.load(), TKeyMode::PitchCyclesNN);
  EXPECT_EQ(Args.PitchCyclesEntry, 0);
  Keys.PitchZoneSel[0] = 1;
  HandlePitchModeKey({.Code = PitchOctInc});
  EXPECT_EQ(Msgs.StatusMsg.Peek(), "Pitch octave inc (indiv notes)");
}

TEST_F(ArgKeysTest, MetronomeNoteLengthMustSuitTheTimeSignature) {
  Transport.ActBar.NoteLenFrac = 4;
  struct Case {
    uint8_t code;
    int32_t want;
    std::string warn;
  };
  const Case cases[] = {
      {TSig2, 4, "Value 1/2 ignored - incompatible with current time signature"},
      {TSig4, 4, ""},
      {TSig8, 8, ""},
      {TSig3, 8, ""},  // no power of two: ignored
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.code);
    Msgs.WarnMsg.Clear();
    Keys.KeyMode = TKeyMode::MetrNoteLen;
    SetMetrBarBeat({.Code = c.code});
    EXPECT_EQ(Cfg.MetrNoteLenFrac, c.want);
    EXPECT_EQ(Msgs.WarnMsg.Peek(), c.warn);
  }
  // Bar and beat notes: a key of velocity 5 gives level 1.
  Keys.KeyMode = TKeyMode::MetrBarNote;
  HandleMetrNoteModeKey({.Msg = NoteOn(0, 5), .Code = MetrNoteFirst + 36});
  EXPECT_EQ(Keys.KeyMode.load(), TKeyMode::MetrBeatNote);
  HandleMetrNoteModeKey({.Msg = NoteOn(0, 127), .Code = MetrNoteFirst + 42});
  EXPECT_EQ(Cfg.MetrBassBarNote, 36);
  EXPECT_EQ(Cfg.MetrBassBarSVel, 1);
  EXPECT_EQ(Cfg.MetrBassBeatNote, 42);
  EXPECT_EQ(Cfg.MetrBassBeatSVel, 9);
  EXPECT_EQ(Cfg.MetrNoteLenFrac, 4);
  EXPECT_EQ(Msgs.StatusMsg.Peek(), "Metr basic bar " + KeyNoToNote(36) + ", beat " + KeyNoToNote(42));
  // Switching the type or to styles tells the style windows.
  for (uint8_t code : {MetrTypeTog, MetrStyle}) {
    Topics.Clear();
    Keys.KeyMode = TKeyMode::MetrBarNote;
    HandleMetrNoteModeKey({.Code = code});
    EXPECT_TRUE(Topics.Raised(TTopic::MetrModeByKey)) << int(code);
  }
}

TEST_F(ArgKeysTest, CycleCountsOneOrTwoDigitsAndSeparateCounts) {
  struct Case {
    int mode;
    std::vector<uint8_t> codes;
    int32_t play, mute;
    std::string status;
  };
  const Case cases[] = {
      {83, {Num3}, 3, 0, "Play cycles:3/0"},
      {85, {Num3}, 3, 3, "PlayMute cycles:3/3"},
      {40, {NumCyclic, Num0, Num4, Num0, Num2}, 4, 2, "PlayMute cycles:4/2"},
      {85, {NumCyclic, Num2, Num5}, 2, 5, "PlayMute cycles:2/5"},
      {38, {Num1, Num2}, 0, 12, "Mute cycles:12/0"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.status);
    TPartBuf& b = SeqBuf(0);
    b = TPartBuf{};
    InsertPartEvent(0, 0, NoteOn(60), 0, true);
    SelectSeq(0);
    InMode(c.mode);
    for (uint8_t code : c.codes) HandleCycleModeKey({.Code = code});
    EXPECT_EQ(b.PlayCycles, c.play);
    EXPECT_EQ(b.MuteCycles, c.mute);
    EXPECT_EQ(Msgs.StatusMsg.Peek(), c.status);
    EXPECT_EQ(Keys.KeyMode.load(), TKeyMode::Live);
  }
  // NumCyclic only from the first place of an alternating entry; the pitch cycles go to pitch mode.
  InMode(83);
  HandleCycleModeKey({.Code = NumCyclic});
  EXPECT_EQ(ModeNo(Keys.KeyMode.load()), 83);
  InMode(46);
  Digits(&HandleCycleModeKey, {Num1, Num6});
  EXPECT_EQ(Keys.PitchCycles, 16);
  EXPECT_EQ(Keys.KeyMode.load(), TKeyMode::Pitch);
}

TEST_F(ArgKeysTest, RecordBarsZeroStartsAtOnceAndACountWaitsForTheStopKey) {
  SelectSeq(0);
  InMode(34);
  Digits(&HandleRecBarsNNModeKey, {Num0, Num0});
  EXPECT_EQ(Keys.KeyMode.load(), TKeyMode::Record);
  EXPECT_EQ(SeqBuf(0).SeqState, TSeqState::RecPrimed);
  EXPECT_EQ(Transport.RecBarCountOn.load(), 0);

  SeqBuf(0).SeqState = TSeqState::Stopped;
  InMode(79);
  HandleRecBarsNModeKey({.Code = Num4});
  EXPECT_EQ(Keys.KeyMode.load(), TKeyMode::RecBarsStop);
  EXPECT_EQ(Transport.RecBarCount.load(), 4);
  HandleRecBarsStopKey({.Input = 1, .Msg = NoteOn(70), .Code = RecLiveN});  // not a stop-play key
  EXPECT_EQ(Keys.KeyMode.load(), TKeyMode::RecBarsStop);
  HandleRecBarsStopKey({.Input = 1, .Msg = NoteOn(70), .Code = RecPlay2});
  EXPECT_EQ(Keys.KeyMode.load(), TKeyMode::Record);
  EXPECT_EQ(Transport.RecBarCountOn.load(), 1);
  EXPECT_EQ(RecKeys.DelayedRecKeyInput, 1);
  EXPECT_EQ(RecKeys.DelayedRecKeyMsg, NoteOn(70));
  EXPECT_EQ(RecKeys.DelayedRecKeyCode, RecPlay2);
}

TEST_F(ArgKeysTest, VelocityValueAndSweep) {
  Live.Selected = 1;
  InMode(80);
  HandleVelModeKey({.Code = Num7});
  EXPECT_EQ(Live.SVel, 7);
  EXPECT_EQ(Msgs.StatusMsg.Peek(), "Vel 7");
  Live.Selected = 1;
  InMode(80);
  for (uint8_t c : {NumSweep2, Num2, Num8}) HandleVelModeKey({.Code = c});
  EXPECT_EQ(Msgs.StatusMsg.Peek(), "Vel sweep 2<-->8");
  EXPECT_EQ(Live.SVelSweep.On, 1);
  EXPECT_EQ(Keys.KeyMode.load(), TKeyMode::Live);
}

class StyleKeysTest : public ArgKeysTest {
 protected:
  void SetUp() override {
    ArgKeysTest::SetUp();
    DrumStore.LastStyle = 1;
    DrumStore.Styles[0].LastMain = 9;
    DrumStore.Styles[0].LastBreak = 2;
    DrumStore.Styles[1].LastMain = 3;
    DrumStore.Styles[1].LastBreak = -1;
    DrumStore.StyleNo = 0;
    DrumStore.PatNo = 0;
    DrumStore.ChainOn = 0;
    Cfg.MetrTypePitchLocked = 1;
    Cfg.MetrModeStyles = 1;
    draws_.clear();
    MetrRandom = [](int32_t n) {
      const int32_t v = draws_.empty() ? 0 : draws_.front();
      if (!draws_.empty()) draws_.erase(draws_.begin());
      return v % n;
    };
  }
  // The metronome note command with styles, then the keys.
  static void Style(std::initializer_list<uint8_t> codes) {
    Args.MetrStyleEntry = 0;
    Args.MetrPatternEntry = 0;
    Keys.KeyMode = TKeyMode::MetrStyle;
    for (uint8_t c : codes) HandleMetrStyleModeKey({.Code = c});
  }
  static inline std::vector<int32_t> draws_;
};

TEST_F(StyleKeysTest, StyleAndPatternNumbersSelectOrSayWhyNot) {
  Style({Num4, Num5});  // pattern 45 of the current style
  EXPECT_EQ(DrumStore.PatNo, 5);
  EXPECT_EQ(Msgs.StatusMsg.Peek(), "Metr style 1, pattern 45");
  Style({Num0, Num2, Num7, Num1});  // style 2, break 71
  EXPECT_EQ(Msgs.WarnMsg.Peek(),
            "Metr command ignored; pattern no. 71 out of range 40..43 or 70..69 for style 2");
  EXPECT_EQ(DrumStore.StyleNo, 0);
  Style({Num0, Num2, Num4, Num3});
  EXPECT_EQ(DrumStore.StyleNo, 1);
  EXPECT_EQ(DrumStore.PatNo, 3);
  Style({Num0, Num4});  // style 4: beyond the last defined style + 1
  EXPECT_EQ(Msgs.WarnMsg.Peek(), "Metr style command ignored; value 4 out of range 0 to 2");
  EXPECT_EQ(Keys.KeyMode.load(), TKeyMode::Live);
  Style({NumDec});
  EXPECT_EQ(DrumStore.PatNo, 2);
  EXPECT_EQ(Msgs.StatusMsg.Peek(), "Metr style pattern dec");
  DrumStore.ChainOn = 1;
  Style({Num4, Num0});
  EXPECT_EQ(Msgs.WarnMsg.Peek(), "Style ignored; style/pattern under chain control");
  DrumStore.ChainOn = 0;
  Topics.Clear();
  Style({Num0, Num0, Num0, Num0});  // back to plain clicks
  EXPECT_EQ(Cfg.MetrModeStyles, 0);
  EXPECT_TRUE(Topics.Raised(TTopic::MetrModeByKey));  // the style windows drop open edits
  EXPECT_EQ(Keys.KeyMode.load(), TKeyMode::MetrBarNote);
}

TEST_F(StyleKeysTest, RandomDrawsAgainWhileItHitsTheCurrentPair) {
  DrumStore.StyleNo = 1;
  DrumStore.PatNo = 2;
  draws_ = {1, 2, 1, 2, 0, 7};
  Style({Num9, Num9});
  EXPECT_EQ(DrumStore.StyleNo, 0);
  EXPECT_EQ(DrumStore.PatNo, 7);
  EXPECT_EQ(Msgs.StatusMsg.Peek(), "Metr style random 1, pat 47");
  draws_ = {0, 7, 0, 7, 0, 7, 0, 7, 1, 1};  // four draws hit it: it stays
  EXPECT_TRUE(RandomDrumStyle());
  EXPECT_EQ(DrumStore.PatNo, 7);
}

TEST_F(StyleKeysTest, TheBreakTriggerWantsAPlayingMetronomeOutsideChains) {
  Cfg.MetrSeqNo = 3;
  EXPECT_FALSE(TriggerDrumBreak());  // stopped: nothing, and nothing said
  EXPECT_EQ(Msgs.WarnMsg.Peek(), "");
  SeqBuf(3).SeqState = TSeqState::Playing;
  EXPECT_FALSE(TriggerBassBreak());  // the bass family is not in use
  DrumStore.BuiltPat = 4;
  Style({NumCyclic});
  EXPECT_EQ(DrumStore.BreakTrigger, 1);
  EXPECT_EQ(Metr.MetrRebuildPending.load(), 1);
  EXPECT_EQ(Msgs.StatusMsg.Peek(), "Metr trigger break");
  DrumStore.ChainOn = 1;
  EXPECT_FALSE(TriggerDrumBreak());
  EXPECT_EQ(Msgs.WarnMsg.Peek(), "Trigger ignored; style/var under chain control");
  DrumStore.ChainOn = 0;
  EXPECT_TRUE(SelectDrumStyle(0, 1));  // a selection disarms the trigger
  EXPECT_EQ(DrumStore.BreakTrigger, 0);
}

TEST(KeyDecoders, QuantiseAndTimeSignatureCodes) {
  const std::pair<uint8_t, int32_t> qnt[] = {{12, 0}, {76, 64}, {77, -1}, {11, -1}, {12 + 128, 0}};
  for (auto [code, want] : qnt) EXPECT_EQ(DecodeQntKey(code), want) << int(code);
  const std::pair<uint8_t, int32_t> tsig[] = {{5, 2}, {67, 64}, {4, -1}, {68, -1}, {7 + 128, 4}};
  for (auto [code, want] : tsig) EXPECT_EQ(DecodeTSigKey(code), want) << int(code);
}

TEST_F(KeyPathTest, LiveNotesSoundInTheScaleKeyedForThem) {
  SetKey(MapFtsRoot, 40, FtsRootNoteD);
  SetKey(MapFtsType, 41, FtsScaleMajor);
  SetKey(MapLive, 63, LiveN);
  Live.Selected = 1;
  Keys.KeyMode = TKeyMode::FtsRoot;
  Press(40);
  Press(41);
  EXPECT_EQ(Msgs.StatusMsg.Peek(), "Fts Dmaj");
  EXPECT_EQ(Mode(), TKeyMode::Live);
  ClearSent();
  Press(63);  // D#, a half step above the root: D
  Ticks(2);
  EXPECT_EQ(SentHex(0), std::vector<std::string>{"90 3E 64"});
}

}  // namespace
}  // namespace vel::test
