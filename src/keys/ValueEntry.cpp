#include "keys/ValueEntry.h"

#include <string>

#include "base/General.h"
#include "base/Messages.h"
#include "engine/KeyMode.h"
#include "engine/RunControl.h"
#include "engine/Transport.h"
#include "keymaps/KeyCodes.h"
#include "keymaps/KeyModes.h"
#include "keys/ArgKeys.h"
#include "keys/CycleKeys.h"
#include "keys/KeyArgs.h"
#include "keys/NumericEntry.h"
#include "keys/SceneKeys.h"
#include "keys/ValueSetters.h"
#include "settings/Settings.h"

namespace vel {

namespace {

struct TRange {
  int32_t Low, High;
};

// One value: its texts, its modes, the range it is keyed in, where its digits gather, and the
// setters and steps around it. Every text begins with Name: "Prog 042", "Prog inc",
// "Prog sweep 001-->127", and the refusal "Prog command ignored; ...".
struct TValueDesc {
  const char* Name;
  const char* CmdProc;  // the command handler an error text names
  TKeyMode First;       // where the entry begins; inc/dec and the sweep key count here
  // The digit places of a value and of a sweep's two ends. A run's first places may be skipped
  // (as many as First lies after Value.First), unless the value was widened.
  TModeSteps Value, From, To;
  int32_t Places;      // the digits a value shows
  bool StepsAnywhere;  // inc/dec in any mode of the entry, not only First
  int32_t* Entry;      // the digits of a value of several places, and of a sweep's first end
  int32_t* SweepTo;    // the digits of a sweep's second end; null when it has one place
  uint8_t* BothWays;   // the sweep goes both ways
  uint8_t* Widened;    // the five-place key was pressed (tempo); null for the others
  TRange (*Range)(bool widened);
  std::string (*Text)(int32_t keyed);  // null: Places digits with leading zeros
  bool (*Step)(bool inc);              // false: nothing to report
  void (*Absolute)(int32_t keyed, bool widened);
  void (*Sweep)(int32_t from, int32_t to, bool bothWays);
  void (*Start)();                // the entry's first mode, its digits cleared
  bool (*AfterValue)();           // after a value or a step: true when it moved on to another mode
  void (*BeforeCmd)(bool enter);  // a command's preparation, after its source is checked
};

int32_t Skip(const TValueDesc& e) {
  return ModeNo(e.First) - e.Value.First;
}

std::string ValueText(const TValueDesc& e, int32_t value) {
  return e.Text ? e.Text(value) : PadStr(std::to_string(value), -e.Places, '0');
}

// With KeyHold back to the entry's start, else Live mode.
void Done(const TValueDesc& e) {
  if (Keys.KeyHold)
    e.Start();
  else
    ReturnToLiveMode();
}

// After a value or a step: the usual end unless the value moved on by itself.
void ValueDone(const TValueDesc& e) {
  if (!e.AfterValue || !e.AfterValue()) Done(e);
}

// A digit keyed in mode m of a run: taken at its place value (the run's first place starts
// afresh), and on to the next place. True when it filled the run's last place.
bool KeyDigit(const TModeSteps& run, int32_t m, int32_t digit, int32_t& acc) {
  int32_t placeValue = 1;
  for (int32_t p = m; p < run.Last; ++p) placeValue *= 10;
  acc = (m == run.First ? 0 : acc) + digit * placeValue;
  if (m < run.Last) {
    EnterMode(m + 1);
    return false;
  }
  return true;
}

void KeyValueDigit(const TValueDesc& e, int32_t m, int32_t digit, bool widened) {
  const bool isValue = e.Value.Has(m), isFrom = !isValue && e.From.Has(m), isTo = !isValue && !isFrom;
  const TModeSteps& run = isValue ? e.Value : isFrom ? e.From : e.To;
  int32_t* acc = isFrom ? e.Entry : isTo ? e.SweepTo : run.Count() > 1 ? e.Entry : nullptr;
  int32_t value = digit;
  if (acc) {
    if (!KeyDigit(run, m, digit, *acc)) return;
    value = *acc;
  }
  if (e.Widened) *e.Widened = 0;
  const TRange r = e.Range(widened);
  if (!InRange(value, r.Low, r.High)) {
    ReportValueOutOfRange(e.Name, value, r.Low, r.High);
    Done(e);
    return;
  }
  const std::string name = e.Name;
  if (isValue) {
    e.Absolute(value, widened);
    Msgs.StatusMsg.Set(name + " " + ValueText(e, value));
    ValueDone(e);
  } else if (isFrom) {
    if (e.SweepTo) *e.SweepTo = 0;
    EnterMode(e.To.First + Skip(e));
  } else {
    const bool both = *e.BothWays != 0;
    e.Sweep(*e.Entry, value, both);
    Msgs.StatusMsg.Set(name + " sweep " + ValueText(e, *e.Entry) + (both ? "<-->" : "-->") +
                       ValueText(e, value));
    Done(e);
  }
}

void HandleKey(const TValueDesc& e, uint8_t input, uint8_t code) {
  const int32_t m = ModeNow();
  // The entry's own codes count only before a widened value is under way.
  const bool widened = e.Widened && *e.Widened;
  const int32_t fromStart = e.From.First + Skip(e);
  switch (code) {
    case NumInc:
    case NumDec:
      if (widened || (!e.StepsAnywhere && m != ModeNo(e.First))) return;
      if (e.Step(code == NumInc))
        Msgs.StatusMsg.Set(std::string(e.Name) + (code == NumInc ? " inc" : " dec"));
      ValueDone(e);
      return;
    case NumSweep1:
    case NumSweep2:
      if (widened || (m != ModeNo(e.First) && m != fromStart)) return;
      *e.BothWays = code == NumSweep2 ? 1 : 0;
      EnterMode(fromStart);
      return;
    default:
      break;
  }
  const int32_t digit = DecodeNumKey(input, code);
  if (digit >= 0 && (e.Value.Has(m) || e.From.Has(m) || e.To.Has(m))) KeyValueDigit(e, m, digit, widened);
}

// ---- the values ----

constexpr int32_t kLastProg = 127;
// A tempo keyed in three places is whole BPM, in five hundredths of BPM; the two ranges do not
// meet, so a value that passed its check tells how it was keyed.
constexpr int32_t kLowBpm = kMinTempo / 100;
constexpr int32_t kHighBpm = kMaxTempo / 100;

int32_t TempoOfEntry(int32_t keyed) {
  return keyed >= kMinTempo ? keyed : keyed * 100;
}

void SetKeyModeVel() {
  SetKeyMode(TKeyMode::Vel);
}
void SetKeyModePart() {
  SetKeyMode(TKeyMode::Part);
}
void SetKeyModePort() {
  SetKeyMode(TKeyMode::Port);
}

const TValueDesc kProg{
    "Prog",
    "HandleCmdProg",
    TKeyMode::Prog,
    keymode::ProgValue,
    keymode::ProgFrom,
    keymode::ProgTo,
    3,
    false,
    &Args.ProgEntry,
    &Args.ProgSweepTo,
    &Args.ProgSweepBothWays,
    nullptr,
    [](bool) {
      return TRange{0, kLastProg};
    },
    nullptr,
    [](bool inc) { return SetProgValue(inc ? VtInc : VtDec, 0, 0, 0, false), true; },
    [](int32_t v, bool) { SetProgValue(VtAbsolute, v, 0, 0, false); },
    [](int32_t a, int32_t b, bool both) { SetProgValue(VtSweep, 0, a, b, both); },
    StartProgEntry,
    // A keyboard that changes its octave with a program change is recalibrated.
    RequestProgCalibration,
    [](bool enter) {
      if (!enter) ExpandProgTargets();
    },
};

// Channels are keyed 1..16 and stored 0..15.
const TValueDesc kChan{
    "Channel",
    "HandleCmdChan",
    TKeyMode::Chan,
    keymode::ChanValue,
    keymode::ChanFrom,
    keymode::ChanTo,
    2,
    false,
    &Args.ChanEntry,
    &Args.ChanSweepTo,
    &Args.ChanSweepBothWays,
    nullptr,
    [](bool) {
      return TRange{1, 16};
    },
    nullptr,
    [](bool inc) { return SetChanValue(inc ? VtInc : VtDec, 0, 0, 0, false), true; },
    [](int32_t v, bool) { SetChanValue(VtAbsolute, static_cast<int8_t>(v - 1), 0, 0, false); },
    [](int32_t a, int32_t b, bool both) {
      SetChanValue(VtSweep, 0, static_cast<int8_t>(a - 1), static_cast<int8_t>(b - 1), both);
    },
    StartChanEntry,
    nullptr,
    nullptr,
};

// Five places from the start of each run after the five-place key (hundredths of BPM), else three
// (whole BPM); the text shows the value as keyed.
const TValueDesc kTempo{
    "Tempo",
    "HandleCmdTempo",
    TKeyMode::Tempo,
    keymode::TempoValue,
    keymode::TempoFrom,
    keymode::TempoTo,
    3,
    false,
    &Args.TempoEntry,
    &Args.TempoSweepTo,
    &Args.TempoSweepBothWays,
    &Args.TempoEntryStarted,
    [](bool widened) {
      return widened ? TRange{kMinTempo, kMaxTempo} : TRange{kLowBpm, kHighBpm};
    },
    [](int32_t v) { return PadStr(std::to_string(v), v > 1000 ? -5 : -3, '0'); },
    [](bool inc) { return SetTempoValue(inc ? VtInc : VtDec, 0, 0, 0, false), true; },
    [](int32_t v, bool widened) { SetTempoValue(VtAbsolute, TempoOfEntry(v), 0, 0, false, widened); },
    [](int32_t a, int32_t b, bool both) {
      SetTempoValue(VtSweep, 0, TempoOfEntry(a), TempoOfEntry(b), both);
    },
    StartTempoEntry,
    nullptr,
    // The tempo is every seq's.
    [](bool) { SelectAllSeqs(); },
};

const TValueDesc kPart{
    "Part",
    "HandleCmdPart",
    TKeyMode::Part,
    StepsOf(TKeyMode::Part),
    {keymode::PartSweep.First, keymode::PartSweep.First},
    {keymode::PartSweep.Last, keymode::PartSweep.Last},
    1,
    true,
    &SceneKeys.PartSweepFrom,
    nullptr,
    &SceneKeys.PartSweepBothWays,
    nullptr,
    [](bool) {
      return TRange{1, 2};
    },
    nullptr,
    [](bool inc) { return SetPartValue(inc ? VtInc : VtDec, 0, 0, 0, false); },
    [](int32_t v, bool) { SetPartValue(VtAbsolute, v - 1, 0, 0, false); },
    [](int32_t a, int32_t b, bool both) { SetPartValue(VtSweep, 0, a - 1, b - 1, both); },
    SetKeyModePart,
    nullptr,
    nullptr,
};

const TValueDesc kPort{
    "Port",
    "HandleCmdPort",
    TKeyMode::Port,
    StepsOf(TKeyMode::Port),
    {keymode::PortSweep.First, keymode::PortSweep.First},
    {keymode::PortSweep.Last, keymode::PortSweep.Last},
    1,
    true,
    &SceneKeys.PortSweepFrom,
    nullptr,
    &SceneKeys.PortSweepBothWays,
    nullptr,
    [](bool) {
      return TRange{1, RunCtl.OutPortsAllocated + 1};
    },
    nullptr,
    [](bool inc) { return SetPortValue(inc ? VtInc : VtDec, 0, 0, 0, false), true; },
    [](int32_t v, bool) { SetPortValue(VtAbsolute, static_cast<int8_t>(v - 1), 0, 0, false); },
    [](int32_t a, int32_t b, bool both) {
      SetPortValue(VtSweep, 0, static_cast<int8_t>(a - 1), static_cast<int8_t>(b - 1), both);
    },
    SetKeyModePort,
    nullptr,
    nullptr,
};

// Every digit is a velocity scale.
const TValueDesc kVel{
    "Vel",
    "HandleCmdVel",
    TKeyMode::Vel,
    StepsOf(TKeyMode::Vel),
    {keymode::VelSweep.First, keymode::VelSweep.First},
    {keymode::VelSweep.Last, keymode::VelSweep.Last},
    1,
    true,
    &CycleEntry.VelSweepFrom,
    nullptr,
    &CycleEntry.VelSweepBothWays,
    nullptr,
    [](bool) {
      return TRange{0, 9};
    },
    nullptr,
    [](bool inc) { return SetSVelValue(inc ? VtInc : VtDec, 0, 0, 0, false), true; },
    [](int32_t v, bool) { SetSVelValue(VtAbsolute, static_cast<uint8_t>(v), 0, 0, false); },
    [](int32_t a, int32_t b, bool both) {
      SetSVelValue(VtSweep, 0, static_cast<uint8_t>(a), static_cast<uint8_t>(b), both);
    },
    SetKeyModeVel,
    nullptr,
    nullptr,
};

const TValueDesc& Desc(TEntryValue value) {
  switch (value) {
    case TEntryValue::Prog:
      return kProg;
    case TEntryValue::Chan:
      return kChan;
    case TEntryValue::Tempo:
      return kTempo;
    case TEntryValue::Part:
      return kPart;
    case TEntryValue::Port:
      return kPort;
    case TEntryValue::Vel:
      break;
  }
  return kVel;
}

}  // namespace

void HandleValueKey(TEntryValue value, uint8_t input, uint8_t code) {
  HandleKey(Desc(value), input, code);
}

bool ValidValSource(uint8_t valSource, const char* proc) {
  if (valSource == VsEnterMode || valSource == VsInc || valSource == VsDec) return true;
  Msgs.ErrMsg.Set(std::string(proc) + " error: Unexpected ValSource");
  ReturnToLiveMode();
  return false;
}

void HandleCmdValue(TEntryValue value, uint8_t valSource) {
  const TValueDesc& e = Desc(value);
  if (!ValidValSource(valSource, e.CmdProc)) return;
  const bool enter = valSource == VsEnterMode;
  if (e.BeforeCmd) e.BeforeCmd(enter);
  if (enter) {
    e.Start();
    return;
  }
  const bool inc = valSource == VsInc;
  if (e.Step(inc)) Msgs.StatusMsg.Set(std::string(e.Name) + (inc ? " inc" : " dec"));
  if (!e.AfterValue || !e.AfterValue()) ReturnToLiveMode();
}

}  // namespace vel
