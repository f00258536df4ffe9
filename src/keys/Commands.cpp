#include "keys/Commands.h"

#include <array>
#include <cstdint>
#include <random>

#include "base/EngineLock.h"
#include "base/General.h"
#include "base/Messages.h"
#include "engine/KeyMode.h"
#include "engine/LivePath.h"
#include "engine/PartBufs.h"
#include "engine/ProgState.h"
#include "engine/RunControl.h"
#include "engine/Transport.h"
#include "keymaps/KeyCodes.h"
#include "keymaps/KeyModes.h"
#include "keys/KeyArgs.h"
#include "keys/StyleKeys.h"
#include "settings/Settings.h"

namespace vel {

namespace {

// The layout of the code families that ExecCommand takes by offset.
static_assert(CmdPlayRR - CmdPlay1 == 7 && CmdPlayN == CmdPlayRR + 1 && CmdPlayNN == CmdPlayN + 1);
static_assert(CmdPlayMuteRR - CmdPlayMute1 == 7 && CmdPlayMuteNN == CmdPlayMuteRR + 2);
static_assert(CmdMuteRR - CmdMute1 == 7 && CmdMuteNN == CmdMuteRR + 2);
static_assert(CmdMutePlayRR - CmdMutePlay1 == 7 && CmdMutePlayNN == CmdMutePlayRR + 2);
static_assert(CmdPlayMuteTogRR - CmdPlayMuteTog1 == 7 && CmdPlayMuteTogNN == CmdPlayMuteTogRR + 2);
static_assert(CmdPlay == 2 && CmdPlayMuteTogNN == CmdStop - 1);
static_assert(CmdRecBBRawAutoIncSeq - CmdRec == 15 && CmdSRec == CmdRec + 4 && CmdRecB == CmdRec + 8 &&
              CmdRecBB == CmdRec + 12);
static_assert(CmdPitchRR == CmdPitch1 + 7 && CmdNQ16 == CmdNQ0 + 3);
static_assert(CmdSeq4 == CmdSeq1 + 3 && CmdSeq16 == CmdSeq1 + 15);
static_assert(CmdHotkey == 146);

void HoldIf(uint8_t autoHold) {
  if (autoHold) Keys.KeyHold = 1;
}

void SetLiveSelected(bool on) {
  Live.Selected = on;
  Keys.SelectionChanged = 1;
}

// The counts of a counted code, in the order of the codes: 1, 2, 4, 8, 16, 32, R (1..9), RR (1..99).
int32_t CountOfStep(int32_t step) {
  constexpr std::array<int32_t, 6> kFixed = {1, 2, 4, 8, 16, 32};
  if (step < 6) return kFixed[static_cast<std::size_t>(step)];
  return CmdRandom(step == 6 ? 9 : 99);
}

// The play/mute family: each group has eight counted codes, then the one- and two-digit entries.
struct TCycleGroup {
  uint8_t FirstCounted;
  TCycleKind Kind;
  TKeyMode ModeN;
  TKeyMode ModeNN;
  int32_t TKeyArgs::*EntryNN;
};

constexpr std::array<TCycleGroup, 5> kCycleGroups = {{
    {CmdPlay1, TCycleKind::Play, TKeyMode::PlayCyclesN, TKeyMode::PlayCyclesNN, &TKeyArgs::PlayCyclesEntry},
    {CmdPlayMute1, TCycleKind::PlayMute, TKeyMode::PlayMuteN, TKeyMode::PlayMuteNN,
     &TKeyArgs::PlayCyclesEntry},
    {CmdMute1, TCycleKind::Mute, TKeyMode::MuteCyclesN, TKeyMode::MuteCyclesNN, &TKeyArgs::MuteCyclesEntry},
    {CmdMutePlay1, TCycleKind::MutePlay, TKeyMode::MutePlayN, TKeyMode::MutePlayNN,
     &TKeyArgs::MuteCyclesEntry},
    {CmdPlayMuteTog1, TCycleKind::PlayMuteTog, TKeyMode::PlayMuteTogN, TKeyMode::PlayMuteTogNN,
     &TKeyArgs::PmtCyclesEntry},
}};

// Codes CmdPlay .. CmdPlayMuteTogNN, after the transport check.
void ExecCycleCommand(uint8_t code) {
  switch (code) {
    case CmdPlay:
      SetPlayMuteCycles(true, 0, 0, false, true);
      Msgs.StatusMsg.Set("Play");
      return;
    case CmdMute:
      SetPlayMuteCycles(true, 0, 0, true, true);
      Msgs.StatusMsg.Set("Mute");
      return;
    case CmdPlayMuteTog:
      HandleCmdPyMuTog(0, 0, true);
      Msgs.StatusMsg.Set("PlayMuteTog");
      return;
    default:
      break;
  }
  for (const TCycleGroup& g : kCycleGroups) {
    const int32_t step = code - g.FirstCounted;
    if (step < 0 || step > 9) continue;
    if (step < 8) {
      const int32_t n = CountOfStep(step);
      SetCycles(g.Kind, n, n, true);
    } else {
      if (step == 9) Args.*g.EntryNN = 0;
      HoldIf(Cfg.AutoHoldDigit);
      SetKeyMode(step == 8 ? g.ModeN : g.ModeNN);
    }
    return;
  }
}

// Codes CmdRec .. CmdRecBBRawAutoIncSeq: raw and auto-increment by the low two bits, then real
// time, step, bar count (one digit) and bar count (two digits).
void ExecRecordCommand(uint8_t code) {
  const int32_t n = code - CmdRec;
  PrepRecordCmd();
  Transport.RecRawMode = n & 1;
  Transport.RecStepMode = n / 4 == 1;
  Args.RecAutoIncSeq = (n >> 1) & 1;
  switch (n / 4) {
    case 0:
    case 1:
      StartRecord();
      break;
    case 2:
      HandleCmdRecB();
      break;
    default:
      HandleCmdRecBB();
      break;
  }
}

// Only the metronome seq is selected, when there is one in use.
void SelectMetrSeqOnly() {
  DeselectAll();
  if (Cfg.MetrSeqNo >= 0 && Cfg.MetrSeqNo <= LastSeq()) {
    TPartBuf& b = SeqBuf(Cfg.MetrSeqNo);
    b.Selected = 1;
    b.SelChanged = 1;
  }
}

void ExecCalibrate(uint8_t input) {
  // Without a calibration key that names a note, no key could end the calibration.
  if (input < Cfg.InPortLiveCmdKey.size() && !InRange(Cfg.InPortLiveCmdKey[input].load(), 0, 127)) {
    Msgs.WarnMsg.Set("Calibrate command ignored; no live Cmd key is set");
    ReturnToLiveMode();
    return;
  }
  DeselectAll();
  SetLiveSelected(true);
  if (Cfg.DPressCalibrateReqd && !DPressCheck("Calibrate", Args.DPress.DPressTimeCalibrate)) {
    SetLiveSelected(false);
    return;
  }
  Args.CalibDone = 0;
  Args.CalibratePending = 1;
  SetKeyMode(TKeyMode::Calibrate);
}

void ExecLoad() {
  const bool all = !AnySeqSelected();
  if (!Cfg.DPressLoadReqd ||
      DPressCheck(Cfg.LoadExtScenes ? "Load ext scene" : "Load scene", Args.DPress.DPressTimeLoad))
    HandleCmdLoad(VsEnterMode, all);
}

void ExecSave() {
  const bool all = !AnySeqSelected();
  if (!Cfg.DPressSaveReqd || DPressCheck("Save scene", Args.DPress.DPressTimeSave))
    HandleCmdSave(VsEnterMode, all);
}

void ExecHotkey() {
  if (Cfg.DisableHotkeys) {
    Msgs.WarnMsg.Set("Hotkey operation is disabled; see Settings, Behaviour");
    return;
  }
  if (Cfg.DPressHotkeyReqd && !DPressCheck("Hotkey ", Args.DPress.DPressTimeHotkey)) return;
  DeselectAll();
  StopLiveSweeps();
  HoldIf(Cfg.AutoHoldHotkey);
  SetKeyMode(TKeyMode::Hotkey);
}

// The seq-only checks: go on with the selected seqs, or with every seq when the default says so.
bool CheckSelSeqs(uint8_t defSel) {
  if (AnySeqSelected()) {
    SetLiveSelected(false);
    return true;
  }
  if (!defSel || Live.Selected) {
    ReturnToLiveMode();
    return false;
  }
  SetLiveSelected(false);
  SelectAllSeqs();
  return true;
}

// The seq-and-live checks: go on with what is selected, or with the defaults.
bool CheckSelSeqsAndLive(uint8_t defSeqs, uint8_t defLive) {
  if (Live.Selected || AnySeqSelected()) return true;
  if (!defSeqs && !defLive) {
    ReturnToLiveMode();
    return false;
  }
  if (defSeqs) SelectAllSeqs();
  if (defLive) SetLiveSelected(true);
  return true;
}

// ---- the command table ----

// One command code or a family of codes taken by offset: the target check that must pass, the
// setting that holds the argument mode it enters, and what it does. Play and record commands
// start seqs, which the stop forbids once it has begun.
struct TCommandRow {
  uint8_t First, Last;
  bool (*Check)();          // nullptr: no targets needed
  uint8_t TCfg::*AutoHold;  // nullptr: the handler holds by itself, or nothing to hold
  void (*Run)(uint8_t input, uint32_t msg, uint8_t code);
  bool Starts = false;
};

// The value commands: the argument entry, or inc/dec.
uint8_t ValSourceOf(uint8_t code, uint8_t inc) {
  return code == inc ? VsInc : VsDec;
}

void ExecNoteQuantise(uint8_t code) {
  constexpr std::array<int32_t, 4> kFracs = {0, 4, 8, 16};
  constexpr std::array<const char*, 4> kTexts = {"Note quantise NQ 0", "Note quantise NQ 4",
                                                 "Note quantise NQ 8", "Note quantise NQ 16"};
  const auto i = static_cast<std::size_t>(code - CmdNQ0);
  SetNoteQuantise(kFracs[i]);
  Msgs.StatusMsg.Set(kTexts[i]);
  ReturnToLiveMode();
}

void ExecEsc() {
  SetLiveSelected(false);
  Keys.KeyHold = 0;
  SetKeyMode(TKeyMode::Live);
  Args.DPress.DPressPendingCmd.clear();
}

// With targets selected the tempo command sets their clock divider; with none, the tempo.
void ExecTempo() {
  if (Live.Selected || AnySeqSelected()) {
    HoldIf(Cfg.AutoHoldQuantise);
    SetKeyMode(TKeyMode::TempoDiv);
  } else {
    HoldIf(Cfg.AutoHoldDigit);
    HandleCmdTempo(VsEnterMode);
  }
}

void ExecMetrNote() {
  SelectMetrSeqOnly();
  HoldIf(Cfg.AutoHoldMetr);
  if (Cfg.MetrModeStyles) {
    StartMetrStyleEntry();
  } else {
    SetKeyMode(TKeyMode::MetrBarNote);
  }
}

void ExecFtn() {
  ClearFtnMap();
  Transport.FtnTimer = 0;
  SetKeyMode(TKeyMode::Ftn);
}

using C = TCfg;
// clang-format off
constexpr TCommandRow kCommandRows[] = {
    {CmdEsc, CmdEsc, nullptr, nullptr, [](uint8_t, uint32_t, uint8_t) { ExecEsc(); }},
    {CmdPlay, CmdPlayMuteTogNN, CheckSelTransport, nullptr,
     [](uint8_t, uint32_t, uint8_t c) { ExecCycleCommand(c); }, true},
    {CmdStop, CmdStop, CheckSelTransport, nullptr, [](uint8_t, uint32_t, uint8_t) { StopSeqs(); }},
    {CmdRec, CmdRecBBRawAutoIncSeq, nullptr, nullptr,
     [](uint8_t, uint32_t, uint8_t c) { ExecRecordCommand(c); }, true},
    // There are four seqs, and only those in use take a selection.
    {CmdSeq1, CmdSeq16, nullptr, nullptr, [](uint8_t, uint32_t, uint8_t c) {
       if (c - CmdSeq1 <= LastSeq()) ToggleSeqSelected(c - CmdSeq1);
     }},
    {CmdSelLive, CmdSelLive, nullptr, nullptr, [](uint8_t, uint32_t, uint8_t) { SetLiveSelected(!Live.Selected); }},
    {CmdSelAllBut, CmdSelInv, nullptr, nullptr, [](uint8_t, uint32_t, uint8_t) {
       for (int32_t s = 0; s <= LastSeq(); ++s) ToggleSeqSelected(s);
     }},
    {CmdOctInc, CmdOctDec, CheckSelPitch, nullptr,
     [](uint8_t, uint32_t, uint8_t c) { HandleCmdPitch(false, c == CmdOctInc, false); }},
    {CmdPitch, CmdPitch, CheckSelPitch, &C::AutoHoldPitch,
     [](uint8_t, uint32_t, uint8_t) { HandleCmdPitch(true, false, false); }},
    {CmdPitch0, CmdPitch0, CheckSelPitch, nullptr, [](uint8_t, uint32_t, uint8_t) { SetPitchCyclesCmd(true, 0); }},
    {CmdPitch1, CmdPitchRR, CheckSelPitch, nullptr,
     [](uint8_t, uint32_t, uint8_t c) { SetPitchCyclesCmd(false, CountOfStep(c - CmdPitch1)); }},
    {CmdPitchN, CmdPitchN, CheckSelPitch, &C::AutoHoldPitch,
     [](uint8_t, uint32_t, uint8_t) { SetPitchCyclesCmd(false, 0); }},
    {CmdPitchNN, CmdPitchNN, CheckSelPitch, &C::AutoHoldPitch, [](uint8_t, uint32_t, uint8_t) { EnterPitchCyclesNN(); }},
    {CmdTrans, CmdTrans, CheckSelPitch, nullptr, [](uint8_t, uint32_t, uint8_t) { HandleCmdTrans(); }},
    {CmdPitchLock, CmdPitchUnlock, CheckSelPitch, nullptr,
     [](uint8_t, uint32_t, uint8_t c) { HandleCmdPitchLock(c == CmdPitchLock); }},
    {CmdDeSelAll, CmdDeSelAll, nullptr, nullptr, [](uint8_t, uint32_t, uint8_t) { DeselectAll(); }},
    {CmdPort, CmdPort, CheckSelMidi, &C::AutoHoldDigit,
     [](uint8_t i, uint32_t m, uint8_t) { HandleCmdPort(i, m, VsEnterMode); }},
    {CmdPortInc, CmdPortDec, CheckSelMidi, nullptr,
     [](uint8_t i, uint32_t m, uint8_t c) { HandleCmdPort(i, m, ValSourceOf(c, CmdPortInc)); }},
    {CmdChan, CmdChan, CheckSelMidi, &C::AutoHoldDigit,
     [](uint8_t i, uint32_t m, uint8_t) { HandleCmdChan(i, m, VsEnterMode); }},
    {CmdChanInc, CmdChanDec, CheckSelMidi, nullptr,
     [](uint8_t i, uint32_t m, uint8_t c) { HandleCmdChan(i, m, ValSourceOf(c, CmdChanInc)); }},
    {CmdProg, CmdProg, CheckSelMidi, &C::AutoHoldDigit, [](uint8_t, uint32_t, uint8_t) { HandleCmdProg(VsEnterMode); }},
    {CmdProgInc, CmdProgDec, CheckSelMidi, nullptr,
     [](uint8_t, uint32_t, uint8_t c) { HandleCmdProg(ValSourceOf(c, CmdProgInc)); }},
    {CmdTimeF, CmdTimeB, CheckSelTime, &C::AutoHoldTimeShift,
     [](uint8_t, uint32_t, uint8_t c) { HandleCmdTimeShift(c == CmdTimeF); }},
    {CmdCalib, CmdCalib, nullptr, nullptr, [](uint8_t i, uint32_t, uint8_t) { ExecCalibrate(i); }},
    {CmdVel, CmdVel, CheckSelMidi, &C::AutoHoldDigit, [](uint8_t, uint32_t, uint8_t) { HandleCmdVel(VsEnterMode); }},
    {CmdVelInc, CmdVelDec, CheckSelMidi, nullptr,
     [](uint8_t, uint32_t, uint8_t c) { HandleCmdVel(ValSourceOf(c, CmdVelInc)); }},
    {CmdTempo, CmdTempo, nullptr, nullptr, [](uint8_t, uint32_t, uint8_t) { ExecTempo(); }},
    {CmdTempoInc, CmdTempoDec, nullptr, nullptr,
     [](uint8_t, uint32_t, uint8_t c) { HandleCmdTempo(ValSourceOf(c, CmdTempoInc)); }},
    {CmdTempoSlew, CmdTempoSlew, nullptr, &C::AutoHoldDigit, [](uint8_t, uint32_t, uint8_t) {
       Args.TempoSlewEntry = 0;
       SetKeyMode(TKeyMode::TempoSlew);
     }},
    {CmdFts, CmdFts, CheckSelPitch, &C::AutoHoldFts, [](uint8_t, uint32_t, uint8_t) { SetKeyMode(TKeyMode::FtsRoot); }},
    {CmdFtn, CmdFtn, CheckSelPitch, &C::AutoHoldFtn, [](uint8_t, uint32_t, uint8_t) { ExecFtn(); }},
    {CmdQuant, CmdQuant, nullptr, &C::AutoHoldQuantise,
     [](uint8_t, uint32_t, uint8_t) { SetKeyMode(TKeyMode::QuantNotes); }},
    {CmdNQ0, CmdNQ16, nullptr, nullptr, [](uint8_t, uint32_t, uint8_t c) { ExecNoteQuantise(c); }},
    {CmdTimeSig, CmdTimeSig, nullptr, nullptr, [](uint8_t, uint32_t, uint8_t) {
       SelectMetrSeqOnly();
       HoldIf(Cfg.AutoHoldTimeSig);
       SetKeyMode(TKeyMode::TimeSigBeats);
     }},
    {CmdMetrNote, CmdMetrNote, nullptr, nullptr, [](uint8_t, uint32_t, uint8_t) { ExecMetrNote(); }},
    {CmdPitchMode, CmdPitchMode, CheckSelPitch, &C::AutoHoldPitch,
     [](uint8_t, uint32_t, uint8_t) { HandleCmdPitch(true, false, true); }},
    {CmdReset, CmdReset, CheckSelReset, nullptr, [](uint8_t, uint32_t, uint8_t) { ResetCmd(); }},
    {CmdDeleteSeqs, CmdDeleteSeqs, CheckSelDelete, nullptr, [](uint8_t, uint32_t, uint8_t) { DeleteSeqsCmd(); }},
    {CmdDeleteProgsInSeqs, CmdDeleteProgsInSeqs, CheckSelDelete, nullptr,
     [](uint8_t, uint32_t, uint8_t) { DeleteProgsCmd(); }},
    {CmdPart, CmdPart, CheckSelPart, nullptr, [](uint8_t, uint32_t, uint8_t) { HandleCmdPart(VsEnterMode); }},
    {CmdPartInc, CmdPartDec, CheckSelPart, nullptr,
     [](uint8_t, uint32_t, uint8_t c) { HandleCmdPart(ValSourceOf(c, CmdPartInc)); }},
    {CmdLoad, CmdLoad, nullptr, nullptr, [](uint8_t, uint32_t, uint8_t) { ExecLoad(); }},
    {CmdSave, CmdSave, nullptr, nullptr, [](uint8_t, uint32_t, uint8_t) { ExecSave(); }},
    {CmdHotkey, CmdHotkey, nullptr, nullptr, [](uint8_t, uint32_t, uint8_t) { ExecHotkey(); }},
};
// clang-format on

constexpr int kCommandCodes = CmdHotkey + 1;
constexpr uint8_t kNoRow = 0xFF;

// The row of each code, found by index on the key path; CmdLiveN has none.
constexpr std::array<uint8_t, kCommandCodes> BuildCommandIndex() {
  std::array<uint8_t, kCommandCodes> index{};
  for (uint8_t& i : index) i = kNoRow;
  for (std::size_t r = 0; r < std::size(kCommandRows); ++r)
    for (int c = kCommandRows[r].First; c <= kCommandRows[r].Last; ++c) index[c] = static_cast<uint8_t>(r);
  return index;
}
constexpr std::array<uint8_t, kCommandCodes> kCommandIndex = BuildCommandIndex();

// Every code but CmdLiveN has its row, and one only.
constexpr bool EachCodeOnce() {
  std::array<int, kCommandCodes> seen{};
  for (const TCommandRow& r : kCommandRows)
    for (int c = r.First; c <= r.Last; ++c) ++seen[c];
  for (int c = 0; c < kCommandCodes; ++c)
    if (seen[c] != (c == CmdLiveN ? 0 : 1)) return false;
  return true;
}
static_assert(EachCodeOnce(), "every command code needs one row");

const TCommandRow& CommandRow(uint8_t code) {
  return kCommandRows[kCommandIndex[code]];
}

}  // namespace

void ExecCommandKey(const TModeKey& key) {
  ExecCommand(key.Input, key.Msg, key.Code);
}

void ExecCommand(uint8_t input, uint32_t msg, uint8_t code) {
  EngineLock.AssertHeld();
  if (code > CmdHotkey || code == CmdLiveN) return;
  if (RunCtl.ProgState.load() != TProgState::Running) {
    // Keys meet the inactive key mode outside Running; a command arriving while the run stops
    // changes nothing.
    Msgs.ErrMsg.Set("ExecCommand error: Unexpected ProgState");
    return;
  }
  const TCommandRow& row = CommandRow(code);
  if (row.Starts && StopBegun()) {
    // The keys stay live while the run stops, but the stop has reset and deselected the seqs: a
    // play or record command would start them again (with nothing selected, all of them).
    ReturnToLiveMode();
    return;
  }
  if (row.Check && !row.Check()) return;
  if (row.AutoHold) HoldIf(Cfg.*row.AutoHold);
  row.Run(input, msg, code);
}

bool DPressCheck(const std::string& name, int32_t& deadline) {
  // An interval below 0 (a hand-edited settings file) would refuse for ever; it counts as off.
  if (Cfg.DPressInterval <= 0) {
    Args.DPress.DPressPendingCmd.clear();
    return true;
  }
  const uint32_t now = static_cast<uint32_t>(Transport.MsClock.load(std::memory_order_relaxed));
  if (deadline != 0) {
    // The second press counts within the interval after the first, the clock's wrap included. A
    // deadline further ahead than the interval came from a clock that has since started again.
    const int32_t left = static_cast<int32_t>(static_cast<uint32_t>(deadline) - now);
    if (left >= 0 && left <= Cfg.DPressInterval) {
      deadline = 0;
      Args.DPress.DPressPendingCmd.clear();
      return true;
    }
  }
  deadline = static_cast<int32_t>(now + static_cast<uint32_t>(Cfg.DPressInterval));
  Args.DPress.DPressPendingCmd = name;
  return false;
}

void ClearDPressTimes() {
  Args.DPress = TDoublePress{};
}

bool CheckSelTransport() {
  return CheckSelSeqs(Cfg.DefSelSeqsTransport);
}
bool CheckSelDelete() {
  return CheckSelSeqs(Cfg.DefSelSeqsDelete);
}
bool CheckSelPart() {
  return CheckSelSeqs(Cfg.DefSelSeqsPart);
}
bool CheckSelPitch() {
  return CheckSelSeqsAndLive(Cfg.DefSelSeqsPitch, Cfg.DefSelLivePitch);
}
bool CheckSelMidi() {
  return CheckSelSeqsAndLive(Cfg.DefSelSeqsMidi, Cfg.DefSelLiveMidi);
}
bool CheckSelReset() {
  return CheckSelSeqsAndLive(Cfg.DefSelSeqsReset, Cfg.DefSelLiveReset);
}

bool CheckSelTime() {
  if (Live.Selected || AnySeqSelected()) return true;
  if (!Cfg.DefSelSeqsTime) {
    ReturnToLiveMode();
    return false;
  }
  SelectAllSeqs();
  return true;
}

namespace {

std::minstd_rand& CmdGenerator() {
  static std::minstd_rand gen{std::random_device{}()};
  return gen;
}

}  // namespace

int32_t CmdRandomDefault(int32_t n) {
  return std::uniform_int_distribution<int32_t>(0, n - 1)(CmdGenerator()) + 1;
}

void SeedCmdRandom(uint32_t seed) {
  CmdGenerator().seed(seed);
}

}  // namespace vel
