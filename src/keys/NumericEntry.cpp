#include "keys/NumericEntry.h"

#include <string>
#include <string_view>

#include "base/General.h"
#include "base/Messages.h"
#include "base/Showing.h"
#include "base/UiHooks.h"
#include "engine/KeyMode.h"
#include "engine/LivePath.h"
#include "engine/PartBufs.h"
#include "engine/RunControl.h"
#include "engine/Transport.h"
#include "keymaps/KeyCodes.h"
#include "keymaps/KeyModes.h"
#include "keys/ArgKeys.h"
#include "keys/Commands.h"
#include "keys/KeyRouting.h"
#include "keys/ValueEntry.h"
#include "keys/ValueSetters.h"
#include "settings/Settings.h"

namespace vel {

namespace {

constexpr int32_t kTempo = ModeNo(TKeyMode::Tempo);
using keymode::TempoTaps;
// A three-place tempo starts at the third place of its five.
constexpr int32_t kTempoFrom = keymode::TempoFrom.First + keymode::kTempoHiPlaces;
constexpr int32_t kTempoTo = keymode::TempoTo.First + keymode::kTempoHiPlaces;

constexpr int32_t kLowBpm = kMinTempo / 100;
constexpr int32_t kHighBpm = kMaxTempo / 100;

void KeyTapTempo(int32_t mode) {
  const int32_t now = Transport.MsClock.load();
  if (mode == kTempo) {
    Args.TapTempoTime = now;
    EnterMode(TempoTaps.First);
    return;
  }
  if (mode == TempoTaps.First) {
    Args.TapTempoInterval = now - Args.TapTempoTime;
    Args.TapTempoTime = now;
    EnterMode(TempoTaps.Last);
    return;
  }
  if (mode != TempoTaps.Last) return;
  // The mean of the two intervals.
  Args.TapTempoInterval =
      static_cast<int32_t>((static_cast<int64_t>(now) - Args.TapTempoTime + Args.TapTempoInterval) / 2);
  // A tap is a quarter note, or with TapTempoOnBeats one beat of the time signature's note value.
  int32_t quarterTaps = 6000000;
  if (Cfg.TapTempoOnBeats && Cfg.NoteLenFrac >= 1) quarterTaps = 24000000 / Cfg.NoteLenFrac;
  Args.TapTempoValue = Args.TapTempoInterval < 1 ? Cfg.Tempo : quarterTaps / Args.TapTempoInterval;
  if (InRange(Args.TapTempoValue, kMinTempo, kMaxTempo)) {
    SetTempoValue(VtAbsolute, Args.TapTempoValue, 0, 0, false);
    Msgs.StatusMsg.Set("Tempo " + PadStr(std::to_string(Args.TapTempoValue / 100), -3, '0'));
  } else {
    ReportValueOutOfRange("TapTempo", Args.TapTempoValue / 100, kLowBpm, kHighBpm);
  }
  TempoEntryDone();
}

// The codes that switch to another argument entry directly, with the digits it clears.
struct TSwitchKey {
  uint8_t Code;
  TKeyMode Mode;
  int32_t TKeyArgs::*Entry;  // null: nothing to clear
};

constexpr TSwitchKey kSwitchKeys[] = {
    {NumPort, TKeyMode::Port, nullptr},
    {NumVel, TKeyMode::Vel, nullptr},
    {NumPart, TKeyMode::Part, nullptr},
    {NumPlayN, TKeyMode::PlayCyclesN, nullptr},
    {NumPlayNN, TKeyMode::PlayCyclesNN, &TKeyArgs::PlayCyclesEntry},
    {NumPlayMuteN, TKeyMode::PlayMuteN, nullptr},
    {NumPlayMuteNN, TKeyMode::PlayMuteNN, &TKeyArgs::PlayCyclesEntry},
    {NumMuteN, TKeyMode::MuteCyclesN, nullptr},
    {NumMuteNN, TKeyMode::MuteCyclesNN, &TKeyArgs::MuteCyclesEntry},
    {NumMutePlayN, TKeyMode::MutePlayN, nullptr},
    {NumMutePlayNN, TKeyMode::MutePlayNN, &TKeyArgs::MuteCyclesEntry},
    {NumPlayMuteTogN, TKeyMode::PlayMuteTogN, nullptr},
    {NumPlayMuteTogNN, TKeyMode::PlayMuteTogNN, &TKeyArgs::PmtCyclesEntry},
    {NumTempoSlew, TKeyMode::TempoSlew, &TKeyArgs::TempoSlewEntry},
};

const TSwitchKey* SwitchKeyOf(uint8_t code) {
  for (const TSwitchKey& k : kSwitchKeys)
    if (k.Code == code) return &k;
  return nullptr;
}

}  // namespace

int32_t DecodeNumKey(uint8_t, uint8_t code) {
  if (code >= Num0 && code <= Num9) return code - Num0;
  if (const TSwitchKey* k = SwitchKeyOf(code)) {
    if (k->Entry) Args.*k->Entry = 0;
    SetKeyMode(k->Mode);
    return -1;
  }
  switch (code) {
    case NumEsc:
      ReturnToLiveMode();
      break;
    case NumHold:
    case NumHoldOff:
    case NumHoldTog:
      HoldKey(code);
      break;
    case NumChan:
      StartChanEntry();
      break;
    case NumProg:
      StartProgEntry();
      break;
    case NumLoad:
      Args.LoadSceneEntry = 0;
      SetKeyMode(LoadMode(!AnySeqSelected(), Cfg.LoadExtScenes != 0));
      break;
    case NumSave:
      Args.SaveSceneEntry = 0;
      SetKeyMode(SaveMode(!AnySeqSelected()));
      break;
    case NumPitchN:
      SetPitchCyclesCmd(false, 0);
      break;
    case NumPitchNN:
      EnterPitchCyclesNN();
      break;
    case NumTempo:
      StartTempoEntry();
      break;
    default:
      // NumLiveN, the codes each mode's handler takes first (NumInc .. TapTempo) and the map's
      // ignore code.
      break;
  }
  return -1;
}

void HandleProgModeKey(const TModeKey& key) {
  HandleValueKey(TEntryValue::Prog, key.Input, key.Code);
}

void HandleTempoModeKey(const TModeKey& key) {
  const int32_t mode = ModeNow();
  // The tempo's own keys count only before a five-place value is under way.
  const bool started = Args.TempoEntryStarted != 0;
  switch (key.Code) {
    case NumTempoHiN:
      if (started || (mode != kTempo && mode != kTempoFrom && mode != kTempoTo)) return;
      // Two more places in front.
      EnterMode(mode - keymode::kTempoHiPlaces);
      Args.TempoEntryStarted = 1;
      return;
    case TapTempo:
      if (!started) KeyTapTempo(mode);
      return;
    default:
      HandleValueKey(TEntryValue::Tempo, key.Input, key.Code);
      return;
  }
}

void HandleChanModeKey(const TModeKey& key) {
  HandleValueKey(TEntryValue::Chan, key.Input, key.Code);
}

void HandleCalibrateModeKey(const TModeKey& key) {
  CalibrateOctave(key.Input, key.Note, !FromVirtualKeyboard(key.Msg));
  if (!Args.CalibDone) return;
  const bool progCalib = Cfg.ProgChangeCalibReqd && Args.ProgCalibPending;
  if (RunCtl.ProgState.load() == TProgState::Running) {
    Msgs.StatusMsg.Set("Calibrate");
    if (progCalib && Keys.KeyHold) {
      StartProgEntry();
    } else {
      ReturnToLiveMode();
    }
  } else {
    SetKeyMode(TKeyMode::Inactive);
  }
  if (progCalib) Args.ProgCalibPending = 0;
  if (Cfg.TarloOn) Args.TarloOctaveSendPending = 1;
}

bool RequestProgCalibration() {
  if (!Cfg.ProgChangeCalibReqd || !Live.Selected) return false;
  Args.ProgCalibPending = 1;
  Args.CalibDone = 0;
  Args.CalibratePending = 1;
  SetKeyMode(TKeyMode::Calibrate);
  return true;
}

void CalibrateOctave(uint8_t input, int32_t note, bool progCalib) {
  if (input >= Cfg.InPortLiveCmdKey.size()) return;
  const int32_t key = Cfg.InPortLiveCmdKey[input].load();
  // A calibration key that names no note calibrates nothing.
  if (!InRange(key, 0, 127)) return;
  const int32_t d = note - key;
  if (d % 12 != 0) return;
  const int32_t shift = d / 12;
  // The settings file keeps shifts of -9..9 octaves only.
  if (!InRange(shift, -9, 9)) return;
  const int32_t old = Cfg.InPortOctaveOffset[input].load();
  if (shift != old) {
    Cfg.InPortOctaveOffset[input] = shift;
    if (Showing.TemplateShowing && Cfg.ProgChangeCalibReqd && Args.ProgCalibPending && progCalib)
      Ui().MoveShownKeyRange((shift - old) * 12);
  }
  // Any key of the calibration key's pitch class ends the calibration, the same octave included.
  Args.CalibDone = 1;
}

void StartProgEntry() {
  ExpandProgTargets();
  Args.ProgEntry = 0;
  SetKeyMode(TKeyMode::Prog);
}

void StartTempoEntry() {
  Args.TempoEntry = 0;
  Args.TempoEntryStarted = 0;
  SetKeyMode(TKeyMode::Tempo);
}

void StartChanEntry() {
  Args.ChanEntry = 0;
  SetKeyMode(TKeyMode::Chan);
}

void ProgEntryDone() {
  if (Keys.KeyHold)
    StartProgEntry();
  else
    ReturnToLiveMode();
}

void TempoEntryDone() {
  if (Keys.KeyHold)
    StartTempoEntry();
  else
    ReturnToLiveMode();
}

void ChanEntryDone() {
  if (Keys.KeyHold)
    StartChanEntry();
  else
    ReturnToLiveMode();
}

}  // namespace vel
