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
#include "keys/CommandModes.h"
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
    {CmdPlay1, TCycleKind::Play, cmdmode::PlayCyclesN, cmdmode::PlayCyclesNN, &TKeyArgs::PlayCyclesEntry},
    {CmdPlayMute1, TCycleKind::PlayMute, cmdmode::PlayMuteN, cmdmode::PlayMuteNN, &TKeyArgs::PlayCyclesEntry},
    {CmdMute1, TCycleKind::Mute, cmdmode::MuteCyclesN, cmdmode::MuteCyclesNN, &TKeyArgs::MuteCyclesEntry},
    {CmdMutePlay1, TCycleKind::MutePlay, cmdmode::MutePlayN, cmdmode::MutePlayNN, &TKeyArgs::MuteCyclesEntry},
    {CmdPlayMuteTog1, TCycleKind::PlayMuteTog, cmdmode::PlayMuteTogN, cmdmode::PlayMuteTogNN,
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

}  // namespace

void ExecCommand(uint8_t input, uint32_t msg, uint8_t code) {
  EngineLock.AssertHeld();
  if (code > CmdHotkey || code == CmdLiveN) return;
  if (RunCtl.ProgState.load() != TProgState::Running) {
    // Keys meet the inactive key mode outside Running; a command arriving while the run stops
    // changes nothing.
    Msgs.ErrMsg.Set("ExecCommand error: Unexpected ProgState");
    return;
  }
  const bool starts =
      (code >= CmdPlay && code <= CmdPlayMuteTogNN) || (code >= CmdRec && code <= CmdRecBBRawAutoIncSeq);
  if (starts && StopBegun()) {
    // The keys stay live while the run stops, but the stop has reset and deselected the seqs: a
    // play or record command would start them again (with nothing selected, all of them).
    ReturnToLiveMode();
    return;
  }
  if (code >= CmdPlay && code <= CmdPlayMuteTogNN) {
    if (CheckSelTransport()) ExecCycleCommand(code);
    return;
  }
  if (code >= CmdRec && code <= CmdRecBBRawAutoIncSeq) {
    ExecRecordCommand(code);
    return;
  }
  if (code >= CmdSeq1 && code <= CmdSeq16) {
    // There are four seqs, and only those in use take a selection.
    const int32_t seq = code - CmdSeq1;
    if (seq <= LastSeq()) ToggleSeqSelected(seq);
    return;
  }
  switch (code) {
    case CmdEsc:
      SetLiveSelected(false);
      Keys.KeyHold = 0;
      SetKeyMode(TKeyMode::Live);
      Args.DPress.DPressPendingCmd.clear();
      break;
    case CmdStop:
      if (CheckSelTransport()) StopSeqs();
      break;
    case CmdSelLive:
      SetLiveSelected(!Live.Selected);
      break;
    case CmdSelAllBut:
    case CmdSelInv:
      for (int32_t s = 0; s <= LastSeq(); ++s) ToggleSeqSelected(s);
      break;
    case CmdOctInc:
    case CmdOctDec:
      if (CheckSelPitch()) HandleCmdPitch(false, code == CmdOctInc, false);
      break;
    case CmdPitch:
      if (!CheckSelPitch()) break;
      HoldIf(Cfg.AutoHoldPitch);
      HandleCmdPitch(true, false, false);
      break;
    case CmdPitch0:
      if (CheckSelPitch()) SetPitchCyclesCmd(true, 0);
      break;
    case CmdPitch1:
    case CmdPitch2:
    case CmdPitch4:
    case CmdPitch8:
    case CmdPitch16:
    case CmdPitch32:
    case CmdPitchR:
    case CmdPitchRR:
      if (CheckSelPitch()) SetPitchCyclesCmd(false, CountOfStep(code - CmdPitch1));
      break;
    case CmdPitchN:
      if (!CheckSelPitch()) break;
      HoldIf(Cfg.AutoHoldPitch);
      SetPitchCyclesCmd(false, 0);
      break;
    case CmdPitchNN:
      if (!CheckSelPitch()) break;
      HoldIf(Cfg.AutoHoldPitch);
      EnterPitchCyclesNN();
      break;
    case CmdTrans:
      if (CheckSelPitch()) HandleCmdTrans();
      break;
    case CmdPitchLock:
    case CmdPitchUnlock:
      if (CheckSelPitch()) HandleCmdPitchLock(code == CmdPitchLock);
      break;
    case CmdDeSelAll:
      DeselectAll();
      break;
    case CmdPort:
      if (!CheckSelMidi()) break;
      HoldIf(Cfg.AutoHoldDigit);
      HandleCmdPort(input, msg, VsEnterMode);
      break;
    case CmdPortInc:
    case CmdPortDec:
      if (CheckSelMidi()) HandleCmdPort(input, msg, code == CmdPortInc ? VsInc : VsDec);
      break;
    case CmdChan:
      if (!CheckSelMidi()) break;
      HoldIf(Cfg.AutoHoldDigit);
      HandleCmdChan(input, msg, VsEnterMode);
      break;
    case CmdChanInc:
    case CmdChanDec:
      if (CheckSelMidi()) HandleCmdChan(input, msg, code == CmdChanInc ? VsInc : VsDec);
      break;
    case CmdProg:
      if (!CheckSelMidi()) break;
      HoldIf(Cfg.AutoHoldDigit);
      HandleCmdProg(VsEnterMode);
      break;
    case CmdProgInc:
    case CmdProgDec:
      if (CheckSelMidi()) HandleCmdProg(code == CmdProgInc ? VsInc : VsDec);
      break;
    case CmdTimeF:
    case CmdTimeB:
      if (!CheckSelTime()) break;
      HoldIf(Cfg.AutoHoldTimeShift);
      HandleCmdTimeShift(code == CmdTimeF);
      break;
    case CmdCalib:
      ExecCalibrate(input);
      break;
    case CmdVel:
      if (!CheckSelMidi()) break;
      HoldIf(Cfg.AutoHoldDigit);
      HandleCmdVel(VsEnterMode);
      break;
    case CmdVelInc:
    case CmdVelDec:
      if (CheckSelMidi()) HandleCmdVel(code == CmdVelInc ? VsInc : VsDec);
      break;
    case CmdTempo:
      if (Live.Selected || AnySeqSelected()) {
        HoldIf(Cfg.AutoHoldQuantise);
        SetKeyMode(TKeyMode::TempoDiv);
      } else {
        HoldIf(Cfg.AutoHoldDigit);
        HandleCmdTempo(VsEnterMode);
      }
      break;
    case CmdTempoInc:
    case CmdTempoDec:
      HandleCmdTempo(code == CmdTempoInc ? VsInc : VsDec);
      break;
    case CmdTempoSlew:
      Args.TempoSlewEntry = 0;
      HoldIf(Cfg.AutoHoldDigit);
      SetKeyMode(cmdmode::TempoSlew);
      break;
    case CmdFts:
      if (!CheckSelPitch()) break;
      HoldIf(Cfg.AutoHoldFts);
      SetKeyMode(TKeyMode::FtsRoot);
      break;
    case CmdFtn:
      if (!CheckSelPitch()) break;
      ClearFtnMap();
      Transport.FtnTimer = 0;
      HoldIf(Cfg.AutoHoldFtn);
      SetKeyMode(TKeyMode::Ftn);
      break;
    case CmdQuant:
      HoldIf(Cfg.AutoHoldQuantise);
      SetKeyMode(TKeyMode::QuantNotes);
      break;
    case CmdNQ0:
    case CmdNQ4:
    case CmdNQ8:
    case CmdNQ16: {
      constexpr std::array<int32_t, 4> kFracs = {0, 4, 8, 16};
      constexpr std::array<const char*, 4> kTexts = {"Note quantise NQ 0", "Note quantise NQ 4",
                                                     "Note quantise NQ 8", "Note quantise NQ 16"};
      const auto i = static_cast<std::size_t>(code - CmdNQ0);
      SetNoteQuantise(kFracs[i]);
      Msgs.StatusMsg.Set(kTexts[i]);
      ReturnToLiveMode();
      break;
    }
    case CmdTimeSig:
      SelectMetrSeqOnly();
      HoldIf(Cfg.AutoHoldTimeSig);
      SetKeyMode(TKeyMode::TimeSigBeats);
      break;
    case CmdMetrNote:
      SelectMetrSeqOnly();
      HoldIf(Cfg.AutoHoldMetr);
      if (Cfg.MetrModeStyles) {
        StartMetrStyleEntry();
      } else {
        SetKeyMode(TKeyMode::MetrBarNote);
      }
      break;
    case CmdPitchMode:
      if (!CheckSelPitch()) break;
      HoldIf(Cfg.AutoHoldPitch);
      HandleCmdPitch(true, false, true);
      break;
    case CmdReset:
      if (CheckSelReset()) ResetCmd();
      break;
    case CmdDeleteSeqs:
      if (CheckSelDelete()) DeleteSeqsCmd();
      break;
    case CmdDeleteProgsInSeqs:
      if (CheckSelDelete()) DeleteProgsCmd();
      break;
    case CmdPart:
      if (CheckSelPart()) HandleCmdPart(VsEnterMode);
      break;
    case CmdPartInc:
    case CmdPartDec:
      if (CheckSelPart()) HandleCmdPart(code == CmdPartInc ? VsInc : VsDec);
      break;
    case CmdLoad:
      ExecLoad();
      break;
    case CmdSave:
      ExecSave();
      break;
    case CmdHotkey:
      ExecHotkey();
      break;
    default:
      break;
  }
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
