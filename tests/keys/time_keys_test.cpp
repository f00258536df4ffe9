// The tempo slew, divider, quantise, time signature and time shift keys; growing and shrinking.
#include <gtest/gtest.h>

#include "base/Topics.h"
#include "keymaps/KeyCodes.h"
#include "keys/Commands.h"
#include "keys/KeyEntryTestState.h"
#include "keys/TimeKeys.h"
#include "styles/StyleStore.h"

namespace vel {
namespace {

constexpr TKeyMode M(int n) {
  return KeyModeFromNo(n);
}

class TimeKeysTest : public test::KeyEntryTest {
 protected:
  static void Keys_(int mode, TModeKeyFn handler, std::initializer_list<uint8_t> codes) {
    Keys.KeyMode = M(mode);
    for (uint8_t c : codes) handler({.Code = c});
  }
};

TEST_F(TimeKeysTest, TempoSlewInSecondsWithinZeroTo99) {
  struct Row {
    int32_t before;
    int mode;
    std::vector<uint8_t> codes;
    int32_t after;
    const char* status;
  } rows[] = {
      {3000, 60, {Num1, Num5}, 15000, "Tempo slew 15"},
      {99000, 60, {NumInc}, 99000, ""},
      {0, 60, {NumDec}, 0, ""},
      {98000, 60, {NumInc}, 99000, "Tempo slew 99"},
      {5000, 60, {NumDec}, 4000, "Tempo slew 4"},
      {5000, 61, {NumDec}, 5000, ""},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.status);
    Msgs.StatusMsg.Clear();
    Args.TempoSlewEntry = 0;
    Topics.Clear();
    Cfg.TempoSlewTime = r.before;
    Keys.KeyMode = M(r.mode);
    for (uint8_t c : r.codes) HandleTempoSlewModeKey({.Code = c});
    EXPECT_EQ(Cfg.TempoSlewTime, r.after);
    EXPECT_EQ(Msgs.StatusMsg.Peek(), r.status);
    EXPECT_EQ(Topics.Raised(TTopic::TempoSlew), *r.status != 0);
  }
}

TEST_F(TimeKeysTest, DividerGoesToSelectedSeqsButTheMetronome) {
  Cfg.MetrSeqNo = 2;
  SelectSeq(0);
  SelectSeq(1);
  SelectSeq(2);
  SeqBuf(1).SeqState = TSeqState::Playing;
  Keys_(62, &HandleTempoDivModeKey, {static_cast<uint8_t>(Q0 + 3)});
  EXPECT_EQ(Msgs.StatusMsg.Peek(), "Tempo clock div 1/3");
  EXPECT_EQ((std::vector<int>{SeqBuf(0).TempoDivPend, SeqBuf(0).TempoDiv, SeqBuf(1).TempoDivPend,
                              SeqBuf(1).TempoDiv, SeqBuf(2).TempoDivPend}),
            (std::vector<int>{3, 3, 3, 1, 1}));
  EXPECT_EQ(Keys.KeyMode.load(), TKeyMode::Live);
  // 0 is taken as 1; the live output takes it when selected.
  Live.Selected = 1;
  Keys_(62, &HandleTempoDivModeKey, {Q0});
  EXPECT_EQ(Msgs.StatusMsg.Peek(), "Tempo clock div 1/1");
  EXPECT_EQ(Live.TempoClockDiv, 1);
  // No target: no text.
  Msgs.StatusMsg.Clear();
  Keys_(62, &HandleTempoDivModeKey, {static_cast<uint8_t>(Q0 + 2)});
  EXPECT_EQ(Msgs.StatusMsg.Peek(), "");
}

TEST_F(TimeKeysTest, QuantiseNotesThenSeqs) {
  Cfg.SQNoteLenFrac = 8;
  Keys_(113, &HandleQuantModeKey, {Q0});
  EXPECT_EQ(Keys.KeyMode.load(), M(114));
  HandleQuantModeKey({.Code = Q0});
  EXPECT_EQ(Msgs.StatusMsg.Peek(), "Quantise notes off, seqs 1/8");
  EXPECT_EQ(Cfg.NQNoteLenFrac, 0);
  Keys.KeyHold = 1;
  Keys_(113, &HandleQuantModeKey, {Q16, Q4});
  EXPECT_EQ(Msgs.StatusMsg.Peek(), "Quantise notes 1/16, seqs 1/4");
  EXPECT_EQ(Cfg.NQNoteLenFrac, 16);
  EXPECT_EQ(Cfg.SQNoteLenFrac, 4);
  EXPECT_EQ(Keys.KeyMode.load(), M(113));
}

TEST_F(TimeKeysTest, TimeSignatureAndItsRefusals) {
  struct Row {
    uint8_t beats, len;
    bool styles;
    const char* status;
    const char* warn;
  } rows[] = {
      {TSig3, TSig8, false, "Time signature  3/8", ""},
      {TSig3, TSig6, false, "", "TimeSig command ignored; denominator must be power of 2"},
      {TSig7, TSig4, true, "", "TimeSig command ignored; under metr style control"},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.status);
    Msgs.StatusMsg.Clear();
    Msgs.WarnMsg.Clear();
    Cfg.MetrSeqNo = r.styles ? 3 : -1;
    Cfg.MetrModeStyles = r.styles;
    BassStore.UsePatTSig = 1;
    Keys_(104, &HandleTimeSigModeKey, {r.beats});
    EXPECT_EQ(Keys.KeyMode.load(), M(105));
    HandleTimeSigModeKey({.Code = r.len});
    EXPECT_EQ(Msgs.StatusMsg.Peek(), r.status);
    EXPECT_EQ(Msgs.WarnMsg.Peek(), r.warn);
    EXPECT_EQ(Cfg.BeatsPerBar, 3);
    EXPECT_EQ(Cfg.NoteLenFrac, 8);
  }
}

TEST_F(TimeKeysTest, TimeShiftForwardsBackAndRepeat) {
  Fill(0, 0, {{0, 0x643C90}});
  Fill(0, 1, {{0, 0x643C90}});
  SelectSeq(0);
  SelectSeq(2);  // no events: untouched
  struct Row {
    int mode;
    std::vector<uint8_t> codes;
    int32_t shift, rept;
    const char* status;
  } rows[] = {
      {106, {TShift1, TShift4}, -3840, 0, "Time shift fwds 1 x 1/4"},
      {108, {TShift3, TShift8}, 5760, 0, "Time shift back 3 x 1/8"},
      {106, {TShiftRept, TShift1, TShift2}, -7680, -7680, "Time shift fwds 1 x 1/2 rept"},
      {108, {TShiftRept, TShift0, TShift4}, -7680, 0, "Time shift back reset rept"},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.status);
    Keys_(r.mode, &HandleTimeShiftModeKey, {});
    for (uint8_t c : r.codes) HandleTimeShiftModeKey({.Code = c});
    EXPECT_EQ(Msgs.StatusMsg.Peek(), r.status);
    EXPECT_EQ(SeqBuf(0).TimeShift, r.shift);
    EXPECT_EQ(SeqBuf(0).TimeShiftRept, r.rept);
    EXPECT_EQ(SeqBuf(1).TimeShift, 0);
    EXPECT_EQ(Keys.KeyMode.load(), TKeyMode::Live);
    SelectSeq(0);
    SelectSeq(2);
  }
  // 1/7 does not divide a whole note: nothing happens and the mode stays.
  Msgs.StatusMsg.Clear();
  Keys_(106, &HandleTimeShiftModeKey, {TShift1, TShift7});
  EXPECT_EQ(Msgs.StatusMsg.Peek(), "");
  EXPECT_EQ(Keys.KeyMode.load(), M(107));
}

TEST_F(TimeKeysTest, SeqsGrowAndShrinkToTheGridAndToEachOther) {
  Fill(0, 0, {{0, 0x643C90}, {3840, 0x3C80}});
  Fill(0, 1, {{0, 0x643C90}, {960, 0x3C80}});
  ASSERT_TRUE(InsertPartEvent(0, 1, 0xFF, 7680, false));
  Fill(0, 2, {{0, 0x643C90}, {100, 0x3C80}});
  for (int s = 0; s < 3; ++s) SelectSeq(s);
  Transport.ActBar.SQTicks = 1920;
  struct Row {
    uint8_t code;
    const char* status;
    std::vector<int32_t> lengths;
  } rows[] = {
      {TShiftSeqSQInc, "Time shift grow to next SQ boundary", {5760, 9600, 2020}},
      {TShiftSeqAlignInc, "Time shift grow to largest seq", {9600, 9600, 9600}},
      {TShiftSeqSQDec, "Time shift shrink to prev SQ boundary", {7680, 7680, 7680}},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.status);
    Keys_(106, &HandleTimeShiftModeKey, {r.code});
    EXPECT_EQ(Msgs.StatusMsg.Peek(), r.status);
    EXPECT_EQ((std::vector<int32_t>{SeqBuf(0).RElap, SeqBuf(1).RElap, SeqBuf(2).RElap}), r.lengths);
    for (int s = 0; s < 3; ++s) SelectSeq(s);
  }
  // The grown parts end in an end marker at their length.
  EXPECT_EQ(Seqs.PartBufs[0][2].Events[Seqs.PartBufs[0][2].Tail].Msg, 0xFFu);
  EXPECT_EQ(Seqs.PartBufs[0][2].Events[Seqs.PartBufs[0][2].Tail].Time, 7680);
  // Shrinking to the smallest leaves the smallest as it is; a shrink past the last note is refused.
  ClearPartBuf(0, 2);
  Fill(0, 2, {{0, 0x643C90}, {6000, 0x3C80}});
  SelectSeq(2);
  Keys_(108, &HandleTimeShiftModeKey, {TShiftSeqAlign});
  EXPECT_EQ(Msgs.StatusMsg.Peek(), "Time shift shrink to smallest seq");
  EXPECT_EQ((std::vector<int32_t>{SeqBuf(0).RElap, SeqBuf(1).RElap, SeqBuf(2).RElap}),
            (std::vector<int32_t>{6000, 6000, 6000}));
  for (int s = 0; s < 3; ++s) SelectSeq(s);
  Transport.ActBar.SQTicks = 6000;
  Keys_(108, &HandleTimeShiftModeKey, {TShiftSeqSQ});
  EXPECT_EQ((std::vector<int32_t>{SeqBuf(0).RElap, SeqBuf(1).RElap, SeqBuf(2).RElap}),
            (std::vector<int32_t>{6000, 6000, 6000}));
}

}  // namespace
}  // namespace vel
