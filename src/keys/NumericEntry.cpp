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
#include "engine/Transport.h"
#include "keymaps/KeyCodes.h"
#include "keys/ArgKeys.h"
#include "keys/CommandModes.h"
#include "keys/Commands.h"
#include "keys/ValueSetters.h"
#include "settings/Settings.h"

namespace vel {

namespace {

// The argument modes of the numeric entries: one mode per digit place, most significant first.
// Tempo: five places from 6 (hundredths of BPM, after NumTempoHiN), three from 8 (whole BPM).
constexpr int32_t kTempoHi = 6;
constexpr int32_t kTempo = ModeNo(cmdmode::Tempo);
constexpr int32_t kTempoLast = 10;
constexpr int32_t kTempoFromHi = 11;
constexpr int32_t kTempoFrom = 13;
constexpr int32_t kTempoFromLast = 15;
constexpr int32_t kTempoToHi = 16;
constexpr int32_t kTempoTo = 18;
constexpr int32_t kTempoToLast = 20;
constexpr int32_t kProg = ModeNo(cmdmode::Prog);
constexpr int32_t kProgLast = 23;
constexpr int32_t kProgFrom = 24;
constexpr int32_t kProgFromLast = 26;
constexpr int32_t kProgTo = 27;
constexpr int32_t kProgToLast = 29;
constexpr int32_t kTap2 = 30;
constexpr int32_t kTap3 = 31;
constexpr int32_t kChan = ModeNo(cmdmode::Chan);
constexpr int32_t kChanLast = 33;
constexpr int32_t kChanFrom = 63;
constexpr int32_t kChanFromLast = 64;
constexpr int32_t kChanTo = 65;
constexpr int32_t kChanToLast = 66;
// The first modes of the entries the switch codes lead to.
constexpr int32_t kPlayCyclesNN = ModeNo(cmdmode::PlayCyclesNN);
constexpr int32_t kMuteCyclesNN = ModeNo(cmdmode::MuteCyclesNN);
constexpr int32_t kPlayMuteNN = ModeNo(cmdmode::PlayMuteNN);
constexpr int32_t kMutePlayNN = ModeNo(cmdmode::MutePlayNN);
constexpr int32_t kPlayMuteTogNN = ModeNo(cmdmode::PlayMuteTogNN);
constexpr int32_t kTempoSlew = ModeNo(cmdmode::TempoSlew);
constexpr int32_t kVel = ModeNo(cmdmode::Vel);
constexpr int32_t kPart = ModeNo(cmdmode::Part);
constexpr int32_t kPort = ModeNo(cmdmode::Port);
constexpr int32_t kPlayCyclesN = ModeNo(cmdmode::PlayCyclesN);
constexpr int32_t kMuteCyclesN = ModeNo(cmdmode::MuteCyclesN);
constexpr int32_t kPlayMuteN = ModeNo(cmdmode::PlayMuteN);
constexpr int32_t kMutePlayN = ModeNo(cmdmode::MutePlayN);
constexpr int32_t kPlayMuteTogN = ModeNo(cmdmode::PlayMuteTogN);

// The keyed ranges. A tempo keyed in three places is whole BPM, in five hundredths of BPM; the
// two ranges do not meet, so a value that passed its check tells how it was keyed.
constexpr int32_t kLastProg = 127;
constexpr int32_t kFirstChan = 1;
constexpr int32_t kLastKeyedChan = kChans;
constexpr int32_t kLowBpm = kMinTempo / 100;
constexpr int32_t kHighBpm = kMaxTempo / 100;

bool InModes(int32_t mode, int32_t first, int32_t last) {
  return mode >= first && mode <= last;
}

// A digit keyed in the place of mode, within the places first..last: adds it at its place value
// and moves to the next place. True when it filled the last place.
bool KeyDigit(int32_t mode, int32_t last, int32_t digit, int32_t& acc) {
  int32_t placeValue = 1;
  for (int32_t m = mode; m < last; ++m) placeValue *= 10;
  acc += digit * placeValue;
  if (mode < last) {
    EnterMode(mode + 1);
    return false;
  }
  return true;
}

std::string Digits(int32_t value, int32_t places) {
  return PadStr(std::to_string(value), -places, '0');
}

std::string SweepArrow(bool bothWays) {
  return bothWays ? "<-->" : "-->";
}

// ---- tempo ----

bool TempoInRange(int32_t value, bool fivePlaces) {
  return fivePlaces ? InRange(value, kMinTempo, kMaxTempo) : InRange(value, kLowBpm, kHighBpm);
}
// A five-place tempo is keyed in hundredths of BPM, so its refusal names that range.
void ReportTempoOutOfRange(int32_t value, bool fivePlaces) {
  if (fivePlaces) {
    ReportValueOutOfRange("Tempo", value, kMinTempo, kMaxTempo);
  } else {
    ReportValueOutOfRange("Tempo", value, kLowBpm, kHighBpm);
  }
}
// Of a keyed tempo within its range: hundredths of BPM, and the text, as keyed.
int32_t TempoOfEntry(int32_t value) {
  return value >= kMinTempo ? value : value * 100;
}
std::string TempoEntryText(int32_t value) {
  return Digits(value, value > 1000 ? 5 : 3);
}

void KeyTapTempo(int32_t mode) {
  const int32_t now = Transport.MsClock.load();
  if (mode == kTempo) {
    Args.TapTempoTime = now;
    EnterMode(kTap2);
    return;
  }
  if (mode == kTap2) {
    Args.TapTempoInterval = now - Args.TapTempoTime;
    Args.TapTempoTime = now;
    EnterMode(kTap3);
    return;
  }
  if (mode != kTap3) return;
  // The mean of the two intervals.
  Args.TapTempoInterval =
      static_cast<int32_t>((static_cast<int64_t>(now) - Args.TapTempoTime + Args.TapTempoInterval) / 2);
  // A tap is a quarter note, or with TapTempoOnBeats one beat of the time signature's note value.
  int32_t quarterTaps = 6000000;
  if (Cfg.TapTempoOnBeats && Cfg.NoteLenFrac >= 1) quarterTaps = 24000000 / Cfg.NoteLenFrac;
  Args.TapTempoValue = Args.TapTempoInterval < 1 ? Cfg.Tempo : quarterTaps / Args.TapTempoInterval;
  if (InRange(Args.TapTempoValue, kMinTempo, kMaxTempo)) {
    SetTempoValue(VtAbsolute, Args.TapTempoValue, 0, 0, false);
    Msgs.StatusMsg.Set("Tempo " + Digits(Args.TapTempoValue / 100, 3));
  } else {
    ReportValueOutOfRange("TapTempo", Args.TapTempoValue / 100, kLowBpm, kHighBpm);
  }
  TempoEntryDone();
}

// ---- program ----

// After a program value, inc or dec: the usual end of entry unless a recalibration follows.
void ProgValueDone() {
  if (!RequestProgCalibration()) ProgEntryDone();
}

// ---- program and channel ----

// The shape the program and channel entries share: inc/dec, a value, or a sweep from one value to
// another, each keyed digit by digit within its modes.
struct TDigitEntry {
  const char* Name;  // "Prog", "Channel"
  // The first and last modes of the value, the sweep's first end and its second end.
  int32_t First, Last, FromFirst, FromLast, ToFirst, ToLast;
  int32_t Low, High;  // the keyed range
  int32_t Places;     // the digits the status shows
  int32_t& Value;     // the value or the sweep's first end, as keyed
  int32_t& To;
  uint8_t& BothWays;
  // The value setter's inc/dec, value and sweep, with values as keyed.
  void (*Step)(bool inc);
  void (*Absolute)(int32_t value);
  void (*Sweep)(int32_t from, int32_t to, bool bothWays);
  void (*ValueDone)();  // after a value, inc or dec
  void (*Done)();       // after a sweep or a refusal
};

// A keyed value within the range; else the refusal.
bool CheckKeyed(const TDigitEntry& e, int32_t value) {
  if (InRange(value, e.Low, e.High)) return true;
  ReportValueOutOfRange(e.Name, value, e.Low, e.High);
  return false;
}

void HandleDigitEntryKey(const TDigitEntry& e, uint8_t input, uint8_t code) {
  const int32_t mode = ModeNow();
  const std::string_view name = e.Name;
  switch (code) {
    case NumInc:
    case NumDec:
      if (mode != e.First) return;
      e.Step(code == NumInc);
      Msgs.StatusMsg.Set(std::string(name) + (code == NumInc ? " inc" : " dec"));
      e.ValueDone();
      return;
    case NumSweep1:
    case NumSweep2:
      if (mode != e.First && mode != e.FromFirst) return;
      e.BothWays = code == NumSweep2 ? 1 : 0;
      EnterMode(e.FromFirst);
      return;
    default:
      break;
  }
  const int32_t digit = DecodeNumKey(input, code);
  if (digit < 0) return;
  if (InModes(mode, e.First, e.Last)) {
    if (!KeyDigit(mode, e.Last, digit, e.Value)) return;
    if (!CheckKeyed(e, e.Value)) {
      e.Done();
      return;
    }
    e.Absolute(e.Value);
    Msgs.StatusMsg.Set(std::string(name) + " " + Digits(e.Value, e.Places));
    e.ValueDone();
  } else if (InModes(mode, e.FromFirst, e.FromLast)) {
    if (!KeyDigit(mode, e.FromLast, digit, e.Value)) return;
    if (!CheckKeyed(e, e.Value)) {
      e.Done();
      return;
    }
    e.To = 0;
    EnterMode(e.ToFirst);
  } else if (InModes(mode, e.ToFirst, e.ToLast)) {
    if (!KeyDigit(mode, e.ToLast, digit, e.To)) return;
    if (CheckKeyed(e, e.To)) {
      e.Sweep(e.Value, e.To, e.BothWays != 0);
      Msgs.StatusMsg.Set(std::string(name) + " sweep " + Digits(e.Value, e.Places) +
                         SweepArrow(e.BothWays != 0) + Digits(e.To, e.Places));
    }
    e.Done();
  }
}

}  // namespace

int32_t DecodeNumKey(uint8_t, uint8_t code) {
  switch (code) {
    case NumEsc:
      ReturnToLiveMode();
      break;
    case NumHold:
      Keys.KeyHold = 1;
      break;
    case NumHoldOff:
      Keys.KeyHold = 0;
      break;
    case NumHoldTog:
      Keys.KeyHold = Keys.KeyHold ? 0 : 1;
      break;
    case Num0:
    case Num1:
    case Num2:
    case Num3:
    case Num4:
    case Num5:
    case Num6:
    case Num7:
    case Num8:
    case Num9:
      return code - Num0;
    case NumPort:
      EnterMode(kPort);
      break;
    case NumChan:
      StartChanEntry();
      break;
    case NumProg:
      StartProgEntry();
      break;
    case NumVel:
      EnterMode(kVel);
      break;
    case NumPart:
      EnterMode(kPart);
      break;
    case NumLoad:
      Args.LoadSceneEntry = 0;
      SetKeyMode(cmdmode::LoadMode(!AnySeqSelected(), Cfg.LoadExtScenes != 0));
      break;
    case NumSave:
      Args.SaveSceneEntry = 0;
      SetKeyMode(cmdmode::SaveMode(!AnySeqSelected()));
      break;
    case NumPlayN:
      EnterMode(kPlayCyclesN);
      break;
    case NumPlayNN:
      Args.PlayCyclesEntry = 0;
      EnterMode(kPlayCyclesNN);
      break;
    case NumPlayMuteN:
      EnterMode(kPlayMuteN);
      break;
    case NumPlayMuteNN:
      Args.PlayCyclesEntry = 0;
      EnterMode(kPlayMuteNN);
      break;
    case NumMuteN:
      EnterMode(kMuteCyclesN);
      break;
    case NumMuteNN:
      Args.MuteCyclesEntry = 0;
      EnterMode(kMuteCyclesNN);
      break;
    case NumMutePlayN:
      EnterMode(kMutePlayN);
      break;
    case NumMutePlayNN:
      Args.MuteCyclesEntry = 0;
      EnterMode(kMutePlayNN);
      break;
    case NumPlayMuteTogN:
      EnterMode(kPlayMuteTogN);
      break;
    case NumPlayMuteTogNN:
      Args.PmtCyclesEntry = 0;
      EnterMode(kPlayMuteTogNN);
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
    case NumTempoSlew:
      Args.TempoSlewEntry = 0;
      EnterMode(kTempoSlew);
      break;
    default:
      // NumLiveN, the codes each mode's handler takes first (NumInc .. TapTempo) and the map's
      // ignore code.
      break;
  }
  return -1;
}

void HandleProgModeKey(uint8_t input, uint32_t, uint8_t code) {
  const TDigitEntry e{"Prog",
                      kProg,
                      kProgLast,
                      kProgFrom,
                      kProgFromLast,
                      kProgTo,
                      kProgToLast,
                      0,
                      kLastProg,
                      3,
                      Args.ProgEntry,
                      Args.ProgSweepTo,
                      Args.ProgSweepBothWays,
                      [](bool inc) { SetProgValue(inc ? VtInc : VtDec, 0, 0, 0, false); },
                      [](int32_t v) { SetProgValue(VtAbsolute, v, 0, 0, false); },
                      [](int32_t a, int32_t b, bool both) { SetProgValue(VtSweep, 0, a, b, both); },
                      ProgValueDone,
                      ProgEntryDone};
  HandleDigitEntryKey(e, input, code);
}

void HandleTempoModeKey(uint8_t input, uint8_t code) {
  const int32_t mode = ModeNow();
  // The entry's own codes count only before a five-place value is under way.
  const bool started = Args.TempoEntryStarted != 0;
  switch (code) {
    case NumInc:
    case NumDec:
      if (started || mode != kTempo) return;
      SetTempoValue(code == NumInc ? VtInc : VtDec, 0, 0, 0, false);
      Msgs.StatusMsg.Set(code == NumInc ? "Tempo inc" : "Tempo dec");
      TempoEntryDone();
      return;
    case NumSweep1:
    case NumSweep2:
      if (started || (mode != kTempo && mode != kTempoFrom)) return;
      Args.TempoSweepBothWays = code == NumSweep2 ? 1 : 0;
      EnterMode(kTempoFrom);
      return;
    case NumTempoHiN:
      if (started || (mode != kTempo && mode != kTempoFrom && mode != kTempoTo)) return;
      // Two more places in front: 8 to 6, 13 to 11, 18 to 16.
      EnterMode(mode - (kTempo - kTempoHi));
      Args.TempoEntryStarted = 1;
      return;
    case TapTempo:
      if (!started) KeyTapTempo(mode);
      return;
    default:
      break;
  }
  const int32_t digit = DecodeNumKey(input, code);
  if (digit < 0) return;
  if (InModes(mode, kTempoHi, kTempoLast)) {
    if (!KeyDigit(mode, kTempoLast, digit, Args.TempoEntry)) return;
    Args.TempoEntryStarted = 0;
    if (!TempoInRange(Args.TempoEntry, started)) {
      ReportTempoOutOfRange(Args.TempoEntry, started);
    } else {
      SetTempoValue(VtAbsolute, TempoOfEntry(Args.TempoEntry), 0, 0, false, started);
      Msgs.StatusMsg.Set("Tempo " + TempoEntryText(Args.TempoEntry));
    }
    TempoEntryDone();
  } else if (InModes(mode, kTempoFromHi, kTempoFromLast)) {
    if (!KeyDigit(mode, kTempoFromLast, digit, Args.TempoEntry)) return;
    Args.TempoEntryStarted = 0;
    if (!TempoInRange(Args.TempoEntry, started)) {
      ReportTempoOutOfRange(Args.TempoEntry, started);
      TempoEntryDone();
      return;
    }
    Args.TempoSweepTo = 0;
    EnterMode(kTempoTo);
  } else if (InModes(mode, kTempoToHi, kTempoToLast)) {
    if (!KeyDigit(mode, kTempoToLast, digit, Args.TempoSweepTo)) return;
    Args.TempoEntryStarted = 0;
    if (!TempoInRange(Args.TempoSweepTo, started)) {
      ReportTempoOutOfRange(Args.TempoSweepTo, started);
    } else {
      SetTempoValue(VtSweep, 0, TempoOfEntry(Args.TempoEntry), TempoOfEntry(Args.TempoSweepTo),
                    Args.TempoSweepBothWays);
      Msgs.StatusMsg.Set("Tempo sweep " + TempoEntryText(Args.TempoEntry) +
                         SweepArrow(Args.TempoSweepBothWays) + TempoEntryText(Args.TempoSweepTo));
    }
    TempoEntryDone();
  }
}

void HandleChanModeKey(uint8_t input, uint32_t, uint8_t code) {
  // Channels are keyed 1..16 and stored 0..15.
  const TDigitEntry e{"Channel",
                      kChan,
                      kChanLast,
                      kChanFrom,
                      kChanFromLast,
                      kChanTo,
                      kChanToLast,
                      kFirstChan,
                      kLastKeyedChan,
                      2,
                      Args.ChanEntry,
                      Args.ChanSweepTo,
                      Args.ChanSweepBothWays,
                      [](bool inc) { SetChanValue(inc ? VtInc : VtDec, 0, 0, 0, false); },
                      [](int32_t v) { SetChanValue(VtAbsolute, static_cast<int8_t>(v - 1), 0, 0, false); },
                      [](int32_t a, int32_t b, bool both) {
                        SetChanValue(VtSweep, 0, static_cast<int8_t>(a - 1), static_cast<int8_t>(b - 1),
                                     both);
                      },
                      ChanEntryDone,
                      ChanEntryDone};
  HandleDigitEntryKey(e, input, code);
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
      Ui().MoveTemplateKeyRange((shift - old) * 12);
  }
  // Any key of the calibration key's pitch class ends the calibration, the same octave included.
  Args.CalibDone = 1;
}

void StartProgEntry() {
  ExpandProgTargets();
  Args.ProgEntry = 0;
  EnterMode(kProg);
}

void StartTempoEntry() {
  Args.TempoEntry = 0;
  Args.TempoEntryStarted = 0;
  EnterMode(kTempo);
}

void StartChanEntry() {
  Args.ChanEntry = 0;
  EnterMode(kChan);
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
