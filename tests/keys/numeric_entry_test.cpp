// Numeric argument entry: digits keyed most significant first, one key mode per place; the
// program, tempo (with tap tempo) and channel entries, their refusals and their end; the codes
// every argument mode shares; the octave calibration key.
#include <gtest/gtest.h>

#include <initializer_list>
#include <string>
#include <vector>

#include "base/Messages.h"
#include "base/UiRecorder.h"
#include "keymaps/KeyCodes.h"
#include "keys/KeyEntryTestState.h"
#include "keys/NumericEntry.h"
#include "keys/ValueSetters.h"

namespace vel {
namespace {

using Hexes = std::vector<std::string>;
using Codes = std::vector<uint8_t>;

int32_t Mode() {
  return ModeNo(Keys.KeyMode.load());
}

// The RangeN code of a digit.
uint8_t D(int digit) {
  return static_cast<uint8_t>(Num0 + digit);
}

// The status line after an entry: the result, or "W: " and the refusal.
std::string Shown() {
  if (!Msgs.WarnMsg.IsEmpty()) return "W: " + Msgs.WarnMsg.Peek();
  return Msgs.StatusMsg.Peek();
}

class NumericEntryTest : public test::KeyEntryTest {
 protected:
  void SetUp() override {
    KeyEntryTest::SetUp();
    Cfg.Tempo = Cfg.TargetTempo = 10000;
    Live.Chan[0] = 9;  // the live output keeps out of the seqs' program record
  }

  // Enters mode with the entry cleared, as its command does, and keys the codes, each to the
  // handler of the mode the entry is in by then, as the key router does.
  static void Key(int32_t mode, const Codes& codes) {
    Args.ProgEntry = Args.TempoEntry = Args.ChanEntry = 0;
    Args.TempoEntryStarted = 0;
    Msgs.StatusMsg.Clear();
    Msgs.WarnMsg.Clear();
    Keys.KeyMode = KeyModeFromNo(mode);
    for (uint8_t code : codes) {
      const int32_t m = Mode();
      if ((m >= 6 && m <= 20) || m == 30 || m == 31) {
        HandleTempoModeKey({.Code = code});
      } else if (m >= 21 && m <= 29) {
        HandleProgModeKey({.Code = code});
      } else if (m == 32 || m == 33 || (m >= 63 && m <= 66)) {
        HandleChanModeKey({.Code = code});
      } else {
        FAIL() << "code " << int(code) << " in mode " << m;
      }
    }
  }
};

// Program entry on stopped seq 0 (port 0, channel 0), from program 0.
TEST_F(NumericEntryTest, ProgramEntries) {
  struct Case {
    Codes codes;
    std::string shown;
    int32_t prog;
    Hexes sent;
    int32_t mode;
  };
  const Case cases[] = {
      {{D(0), D(0), D(5)}, "Prog 005", 5, {"C0 05"}, 1},
      {{D(1), D(2), D(7)}, "Prog 127", 127, {"C0 7F"}, 1},
      {{D(2), D(0), D(0)}, "W: Prog command ignored; value 200 out of range 0 to 127", 0, {}, 1},
      {{NumInc}, "Prog inc", 1, {"C0 01"}, 1},
      {{NumDec}, "Prog dec", 127, {"C0 7F"}, 1},
      // Inc and the sweep keys only before the first digit; codes of other entries do nothing.
      {{D(1), NumInc, NumSweep1, TapTempo, NumCyclic}, "", 0, {}, 22},
      {{NumSweep2, D(0), D(1), D(0), D(0), D(2), D(0)}, "Prog sweep 010<-->020", 10, {"C0 0A"}, 1},
      {{NumSweep1, D(0), D(3), D(0), D(0), D(1), D(0)}, "Prog sweep 030-->010", 30, {"C0 1E"}, 1},
      {{NumSweep1, D(3), D(0), D(0)}, "W: Prog command ignored; value 300 out of range 0 to 127", 0, {}, 1},
      {{NumSweep1, D(0), D(1), D(0), D(2), D(0), D(0)},
       "W: Prog command ignored; value 200 out of range 0 to 127",
       0,
       {},
       1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.shown);
    PlayCycle.PortChanProgs[0][0] = TChanProg{};
    ClearSent();
    SelectSeq(0);
    ExpandProgTargets();
    Key(21, c.codes);
    EXPECT_EQ(Shown(), c.shown);
    EXPECT_EQ(PlayCycle.PortChanProgs[0][0].ProgReq, c.prog);
    EXPECT_EQ(SentHex(0), c.sent);
    EXPECT_EQ(Mode(), c.mode);
  }
  // The sweep runs between the start and the end keyed.
  const TSweep<int32_t>& sw = SeqBuf(0).ProgSweep;
  EXPECT_EQ(std::vector<int32_t>({sw.On, sw.Low, sw.High, sw.Dir, sw.PingPong}),
            std::vector<int32_t>({1, 10, 30, 1, 0}));
}

TEST_F(NumericEntryTest, WithHoldEachEntryStartsAgainAtItsFirstPlace) {
  SelectSeq(0);
  Keys.KeyHold = 1;
  Key(21, {D(0), D(0), D(5)});
  EXPECT_EQ(Mode(), 21);
  EXPECT_EQ(Args.ProgEntry, 0);
  // The next program of the series counts again: the end readied the shared record.
  HandleProgModeKey({.Code = NumInc});
  EXPECT_EQ(PlayCycle.PortChanProgs[0][0].ProgReq, 6);

  Keys.KeyMode = KeyModeFromNo(8);
  for (uint8_t code : {NumTempoHiN, D(0), D(9), D(5), D(0), D(0)}) HandleTempoModeKey({.Code = code});
  EXPECT_EQ(Mode(), 8);
  EXPECT_EQ(Args.TempoEntry, 0);
  EXPECT_EQ(Args.TempoEntryStarted, 0);
  EXPECT_EQ(Cfg.TargetTempo, 9500);

  Keys.KeyMode = KeyModeFromNo(32);
  for (uint8_t code : {D(0), D(2)}) HandleChanModeKey({.Code = code});
  EXPECT_EQ(Mode(), 32);
  EXPECT_EQ(Args.ChanEntry, 0);
  EXPECT_EQ(SeqBuf(0).ChanPend, 1);
}

TEST_F(NumericEntryTest, ProgramChangeOfTheLiveOutputAsksForRecalibration) {
  Cfg.ProgChangeCalibReqd = 1;
  Live.Chan[0] = 0;
  Live.Selected = 1;
  Key(21, {D(0), D(0), D(5)});
  EXPECT_EQ(Mode(), ModeNo(TKeyMode::Calibrate));
  EXPECT_EQ(Args.ProgCalibPending + Args.CalibratePending, 2);
  EXPECT_EQ(Args.CalibDone, 0);
  EXPECT_EQ(TakeLiveFifo(), (Hexes{"C0 05 00"}));
  // A refused program sends nothing and so needs no calibration.
  Args.ProgCalibPending = 0;
  Key(21, {D(2), D(0), D(0)});
  EXPECT_EQ(Mode(), 1);
  EXPECT_EQ(Args.ProgCalibPending, 0);
}

// Tempo entry from 100.00 BPM: three places of whole BPM from mode 8, five of hundredths after
// NumTempoHiN.
TEST_F(NumericEntryTest, TempoEntries) {
  struct Case {
    Codes codes;
    std::string shown;
    int32_t target;
    int32_t mode;
  };
  const Case cases[] = {
      {{D(0), D(9), D(5)}, "Tempo 095", 9500, 1},
      {{D(4), D(0), D(0)}, "W: Tempo command ignored; value 400 out of range 20 to 320", 10000, 1},
      {{D(0), D(1), D(9)}, "W: Tempo command ignored; value 19 out of range 20 to 320", 10000, 1},
      {{NumTempoHiN, D(3), D(2), D(0), D(0), D(0)}, "Tempo 32000", 32000, 1},
      {{NumTempoHiN, D(0), D(2), D(0), D(0), D(0)}, "Tempo 02000", 2000, 1},
      // Keyed to the hundredth, the tempo keeps its hundredths.
      {{NumTempoHiN, D(0), D(9), D(5), D(5), D(0)}, "Tempo 09550", 9550, 1},
      {{NumTempoHiN, D(3), D(2), D(0), D(0), D(1)},
       "W: Tempo command ignored; value 32001 out of range 2000 to 32000",
       10000,
       1},
      {{NumTempoHiN, D(0), D(0), D(3), D(2), D(0)},
       "W: Tempo command ignored; value 320 out of range 2000 to 32000",
       10000,
       1},
      {{NumInc}, "Tempo inc", 10500, 1},
      {{NumDec}, "Tempo dec", 9500, 1},
      {{NumSweep2, D(1), D(0), D(0), D(1), D(2), D(0)}, "Tempo sweep 100<-->120", 10000, 1},
      {{NumSweep1, NumTempoHiN, D(1), D(2), D(0), D(0), D(0), D(0), D(9), D(0)},
       "Tempo sweep 12000-->090",
       12000,
       1},
      {{NumSweep1, D(1), D(5), D(0), NumTempoHiN, D(0), D(8), D(0), D(0), D(0)},
       "Tempo sweep 150-->08000",
       15000,
       1},
      {{NumSweep1, D(5), D(0), D(0)}, "W: Tempo command ignored; value 500 out of range 20 to 320", 10000, 1},
      {{NumSweep1, D(1), D(0), D(0), D(0), D(0), D(5)},
       "W: Tempo command ignored; value 5 out of range 20 to 320",
       10000,
       1},
      // The entry's own keys act only before the first digit, and not once five places started.
      {{D(1), NumInc, NumSweep1, NumTempoHiN, TapTempo}, "", 10000, 9},
      {{NumTempoHiN, NumInc, NumSweep1, NumTempoHiN, TapTempo}, "", 10000, 6},
      {{NumTempoHiN, D(1), D(2), NumInc}, "", 10000, 8},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.shown);
    Cfg.TargetTempo = 10000;
    Key(8, c.codes);
    EXPECT_EQ(Shown(), c.shown);
    EXPECT_EQ(Cfg.TargetTempo, c.target);
    EXPECT_EQ(Mode(), c.mode);
  }
  // The last sweep: from 150.00 down to 80.00 BPM and round again.
  const TSweep<int32_t>& sw = Live.TempoSweep;
  EXPECT_EQ(std::vector<int32_t>({sw.On, sw.Low, sw.High, sw.Dir, sw.PingPong}),
            std::vector<int32_t>({1, 8000, 15000, 1, 0}));
}

// Three taps at the given engine times: a quarter note each, or with TapTempoOnBeats one beat of
// NoteLenFrac.
TEST_F(NumericEntryTest, TapTempoTakesTheMeanOfTwoIntervals) {
  struct Case {
    uint8_t onBeats;
    int32_t noteLenFrac;
    int32_t t1, t2, t3;
    std::string shown;
    int32_t target;
  };
  const Case cases[] = {
      {0, 8, 1000, 1500, 2000, "Tempo 120", 12000},
      {1, 8, 1000, 1500, 2000, "Tempo 060", 6000},
      {0, 4, 1000, 1400, 2000, "Tempo 120", 12000},
      {0, 4, 0, 3000, 6000, "Tempo 020", 2000},
      {0, 4, 0, 4000, 8000, "W: TapTempo command ignored; value 15 out of range 20 to 320", 10000},
      {0, 4, 0, 100, 200, "W: TapTempo command ignored; value 600 out of range 20 to 320", 10000},
      {0, 4, 100, 100, 100, "Tempo 100", 10000},  // no time between the taps: the tempo stays
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.shown);
    Cfg.TapTempoOnBeats = c.onBeats;
    Cfg.NoteLenFrac = c.noteLenFrac;
    Cfg.TargetTempo = 10000;
    std::vector<int32_t> modes;
    Key(8, {});
    for (int32_t t : {c.t1, c.t2, c.t3}) {
      Transport.MsClock = t;
      HandleTempoModeKey({.Code = TapTempo});
      modes.push_back(Mode());
      if (Mode() != 1) HandleTempoModeKey({.Code = D(1)});  // a digit between the taps is nothing
    }
    EXPECT_EQ(Shown(), c.shown);
    EXPECT_EQ(Cfg.TargetTempo, c.target);
    EXPECT_EQ(modes, (std::vector<int32_t>{30, 31, 1}));
  }
}

// Channels are keyed 1..16 and stored 0..15; seq 0 starts on channel 0.
TEST_F(NumericEntryTest, ChannelEntries) {
  struct Case {
    Codes codes;
    std::string shown;
    int32_t chan;
    int32_t mode;
  };
  const Case cases[] = {
      {{D(0), D(5)}, "Channel 05", 4, 1},
      {{D(1), D(6)}, "Channel 16", 15, 1},
      {{D(1), D(7)}, "W: Channel command ignored; value 17 out of range 1 to 16", 0, 1},
      {{D(0), D(0)}, "W: Channel command ignored; value 0 out of range 1 to 16", 0, 1},
      {{NumDec}, "Channel dec", 15, 1},
      {{NumSweep2, D(0), D(2), D(0), D(6)}, "Channel sweep 02<-->06", 1, 1},
      {{NumSweep1, D(2), D(0)}, "W: Channel command ignored; value 20 out of range 1 to 16", 0, 1},
      {{NumSweep1, D(0), D(2), D(1), D(7)},
       "W: Channel command ignored; value 17 out of range 1 to 16",
       0,
       1},
      {{D(1), NumInc, NumSweep1}, "", 0, 33},
      {{NumSweep1, D(0), D(6), D(0), D(2)}, "Channel sweep 06-->02", 5, 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.shown);
    SeqBuf(0).ChanPend = 0;
    SelectSeq(0);
    Key(32, c.codes);
    EXPECT_EQ(Shown(), c.shown);
    EXPECT_EQ(SeqBuf(0).ChanPend, c.chan);
    EXPECT_EQ(Mode(), c.mode);
  }
  const TSweep<int8_t>& sw = SeqBuf(0).ChanSweep;
  EXPECT_EQ(std::vector<int32_t>({sw.On, sw.Low, sw.High, sw.Dir, sw.PingPong}),
            std::vector<int32_t>({1, 1, 5, 1, 0}));
}

// The codes every argument mode shares, keyed in the channel entry's first place (mode 32).
TEST_F(NumericEntryTest, DecodeNumKeyGivesDigitsAndCarriesOutTheSharedCodes) {
  struct Case {
    uint8_t code;
    bool seqSelected;
    uint8_t loadExt;
    int32_t result;
    int32_t mode;
    uint8_t hold;
  };
  const Case cases[] = {
      {Num0, false, 0, 0, 32, 0},
      {Num9, false, 0, 9, 32, 0},
      {NumLiveN, false, 0, -1, 32, 0},
      {NumInc, false, 0, -1, 32, 0},
      {44, false, 0, -1, 32, 0},
      {NumHold, false, 0, -1, 32, 1},
      {NumHoldTog, false, 0, -1, 32, 0},
      {NumHoldTog, false, 0, -1, 32, 1},
      {NumHoldOff, false, 0, -1, 32, 0},
      {NumPort, false, 0, -1, 82, 0},
      {NumChan, false, 0, -1, 32, 0},
      {NumProg, false, 0, -1, 21, 0},
      {NumVel, false, 0, -1, 80, 0},
      {NumPart, false, 0, -1, 81, 0},
      {NumLoad, false, 0, -1, 48, 0},
      {NumLoad, false, 1, -1, 50, 0},
      {NumLoad, true, 0, -1, 52, 0},
      {NumLoad, true, 1, -1, 54, 0},
      {NumSave, false, 0, -1, 56, 0},
      {NumSave, true, 0, -1, 58, 0},
      {NumPlayN, false, 0, -1, 83, 0},
      {NumPlayNN, false, 0, -1, 36, 0},
      {NumPlayMuteN, false, 0, -1, 85, 0},
      {NumPlayMuteNN, false, 0, -1, 40, 0},
      {NumMuteN, false, 0, -1, 84, 0},
      {NumMuteNN, false, 0, -1, 38, 0},
      {NumMutePlayN, false, 0, -1, 86, 0},
      {NumMutePlayNN, false, 0, -1, 42, 0},
      {NumPlayMuteTogN, false, 0, -1, 87, 0},
      {NumPlayMuteTogNN, false, 0, -1, 44, 0},
      {NumTempo, false, 0, -1, 8, 0},
      {NumTempoSlew, false, 0, -1, 60, 0},
      {NumEsc, true, 0, -1, 1, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE("code " + std::to_string(c.code));
    Keys.KeyMode = KeyModeFromNo(32);
    SeqBuf(0).Selected = c.seqSelected ? 1 : 0;
    Cfg.LoadExtScenes = c.loadExt;
    int32_t* const accs[] = {&Args.ChanEntry,       &Args.ProgEntry,       &Args.TempoEntry,
                             &Args.TempoSlewEntry,  &Args.LoadSceneEntry,  &Args.SaveSceneEntry,
                             &Args.PlayCyclesEntry, &Args.MuteCyclesEntry, &Args.PmtCyclesEntry};
    for (int32_t* acc : accs) *acc = 7;
    Args.TempoEntryStarted = 1;
    EXPECT_EQ(DecodeNumKey(0, c.code), c.result);
    EXPECT_EQ(Mode(), c.mode);
    EXPECT_EQ(Keys.KeyHold, c.hold);
    // An entry that a switch leads to starts from nothing.
    int32_t cleared = 0;
    for (int32_t* acc : accs) cleared += *acc == 0;
    const bool clears = c.code == NumChan || c.code == NumProg || c.code == NumTempo ||
                        c.code == NumTempoSlew || c.code == NumLoad || c.code == NumSave ||
                        c.code == NumPlayNN || c.code == NumPlayMuteNN || c.code == NumMuteNN ||
                        c.code == NumMutePlayNN || c.code == NumPlayMuteTogNN;
    EXPECT_EQ(cleared, clears ? 1 : 0);
    EXPECT_EQ(Args.TempoEntryStarted, c.code == NumTempo ? 0 : 1);
  }
  EXPECT_EQ(SeqBuf(0).Selected, 0);  // escape deselected
}

// CalibrateOctave(input, note): the shift is the octaves from the input's calibration key; any
// key of that pitch class ends the calibration, other keys leave it waiting.
TEST_F(NumericEntryTest, CalibrationShiftsByWholeOctavesFromTheCalibrationKey) {
  struct Case {
    uint8_t input;
    int32_t key, note, oldShift, shift;
    uint8_t done;
  };
  const Case cases[] = {
      {0, 36, 60, 0, 2, 1}, {0, 36, 61, 0, 0, 0},  {0, 36, 24, 0, -1, 1},
      {0, 36, 48, 1, 1, 1}, {1, 48, 36, 0, -1, 1}, {1, 48, 47, 3, 3, 0},
      {0, 127, 7, 0, 0, 0}, {0, -1, 11, 0, 0, 0},  {2, 36, 60, 0, 0, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE("input " + std::to_string(c.input) + " key " + std::to_string(c.key) + " note " +
                 std::to_string(c.note));
    const uint8_t in = c.input < 2 ? c.input : 0;
    Cfg.InPortLiveCmdKey[in] = c.key;
    Cfg.InPortOctaveOffset[in] = c.oldShift;
    Args.CalibDone = 0;
    CalibrateOctave(c.input, c.note, true);
    EXPECT_EQ(Cfg.InPortOctaveOffset[in].load(), c.shift);
    EXPECT_EQ(Args.CalibDone, c.done);
  }
}

// The virtual keyboard follows a recalibration after a program change from a MIDI device, by
// the change in keys, through the window's hook.
TEST_F(NumericEntryTest, CalibrationAfterAProgramChangeMovesTheVirtualKeyboard) {
  test::UiRecorder ui;
  std::vector<int32_t> moves;
  Ui().MoveShownKeyRange = [&moves](int32_t keys) { moves.push_back(keys); };
  Showing.TemplateShowing = 1;
  Cfg.ProgChangeCalibReqd = 1;
  Args.ProgCalibPending = 1;
  CalibrateOctave(0, 60, true);   // 0 -> 2
  CalibrateOctave(0, 60, true);   // unchanged
  CalibrateOctave(0, 48, false);  // from the virtual keyboard itself
  CalibrateOctave(0, 24, true);   // 1 -> -1
  Args.ProgCalibPending = 0;
  CalibrateOctave(0, 36, true);
  Args.ProgCalibPending = 1;
  Showing.TemplateShowing = 0;
  CalibrateOctave(0, 60, true);
  EXPECT_EQ(moves, (std::vector<int32_t>{24, -24}));
  EXPECT_EQ(Cfg.InPortOctaveOffset[0].load(), 2);
}

}  // namespace
}  // namespace vel
