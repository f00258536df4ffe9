#include "mainwindow/ControlModel.h"

#include <algorithm>
#include <optional>

#include "base/General.h"
#include "keys/KeyModeTable.h"
#include "keys/ScaleKeys.h"

namespace vel {

namespace {

namespace km = keymode;

int32_t Pow10(int32_t n) {
  int32_t p = 1;
  for (int32_t i = 0; i < n; ++i) p *= 10;
  return p;
}

// The keyed digits of a value taking places digits, most significant first, then a placeholder
// letter for each place still to come.
std::string Places(int32_t value, int32_t places, int32_t keyed, char placeholder) {
  keyed = std::clamp(keyed, 0, places);
  std::string out;
  if (keyed > 0) {
    std::string d = std::to_string(std::max(0, value) / Pow10(places - keyed) % Pow10(keyed));
    out = std::string(std::size_t(std::max<int32_t>(0, keyed - int32_t(d.size()))), '0') + d;
  }
  return out + std::string(std::size_t(places - keyed), placeholder);
}

// A whole value with leading zeros to width digits.
std::string Padded(int32_t value, int32_t width) {
  std::string d = std::to_string(value);
  return std::string(std::size_t(std::max<int32_t>(0, width - int32_t(d.size()))), '0') + d;
}

const char* Arrow(bool bothWays) {
  return bothWays ? " <--> " : " --> ";
}

// The tempo entry: five places each for the value, the sweep start and the sweep end; the first
// two places of each only after the five-place key.
std::string TempoPrompt(int32_t mode, const TStatusSnapshot& snap, const TCfg& cfg) {
  const TEntrySnap& e = snap.Entry;
  const TKeyModeRow& row = KeyModeRow(KeyModeFromNo(mode));
  if (km::TempoTaps.Has(mode)) return std::string(row.Prompt);
  const int32_t group = km::TempoTo.Has(mode) ? 2 : km::TempoFrom.Has(mode) ? 1 : 0;
  const int32_t place = (group == 2 ? km::TempoTo : group == 1 ? km::TempoFrom : km::TempoValue).StepOf(mode);
  const bool five = e.TempoEntryStarted || place < 2;
  const int32_t places = five ? 5 : 3;
  const int32_t keyed = five ? place : place - 2;
  if (group == 0) {
    if (mode == ModeNo(TKeyMode::Tempo) && !e.TempoEntryStarted)
      return std::string(cfg.StandardMode && !row.PromptAlt.empty() ? row.PromptAlt : row.Prompt);
    return "Tempo " + Places(e.TempoEntry, places, keyed, 'n') + "?";
  }
  if (group == 1)
    return "Tempo sweep " + Places(e.TempoEntry, places, keyed, 'n') + Arrow(e.TempoSweepBothWays) + "mmm?";
  return "Tempo sweep " + Padded(e.TempoEntry, e.TempoEntry > 999 ? 5 : 3) + Arrow(e.TempoSweepBothWays) +
         Places(e.TempoSweepTo, places, keyed, 'm') + "?";
}

// Program and channel entries: value, sweep start, sweep end.
std::string ValueSweepPrompt(const char* name, int32_t places, int32_t keyedValue, int32_t keyedStart,
                             int32_t keyedEnd, int32_t entry, int32_t sweepTo, bool bothWays,
                             const TKeyModeRow& row) {
  const std::string head(name);
  if (keyedValue == 0 && !row.Prompt.empty() && keyedStart < 0 && keyedEnd < 0)
    return std::string(row.Prompt);
  if (keyedValue >= 0) return head + " " + Places(entry, places, keyedValue, 'n') + "?";
  if (keyedStart == 0) return std::string(bothWays && !row.PromptAlt.empty() ? row.PromptAlt : row.Prompt);
  if (keyedStart > 0)
    return head + " sweep " + Places(entry, places, keyedStart, 'n') + Arrow(bothWays) +
           std::string(std::size_t(places), 'm') + "?";
  return head + " sweep " + Padded(entry, places) + Arrow(bothWays) + Places(sweepTo, places, keyedEnd, 'm') +
         "?";
}

// A two-digit count entry whose hint stays while nothing but zeros is keyed.
std::string CountPrompt(const char* head, int32_t value, int32_t keyed, const char* hint) {
  std::string text = std::string(head) + Places(value, 2, keyed, 'n') + "?";
  if (value == 0) text += std::string("  ") + hint;
  return text;
}

// The separate play and mute counts of the alternating cycle entries, two places each or one: the
// first count's keyed digits, "/", the second's. The hint stays while both counts keyed so far are
// 0. Empty for any other mode.
std::string SeparateCountsPrompt(int32_t mode, const TEntrySnap& e) {
  struct TRow {
    const char* Head;
    TModeSteps SepNN, SepN;
    char A, B;  // the first and second count's placeholders
    int32_t TEntrySnap::*First;
    int32_t TEntrySnap::*Second;
  };
  static constexpr TRow kRows[] = {
      {"PlayMute cycles:", km::PlayMuteSepNN, km::PlayMuteSepN, 'p', 'm', &TEntrySnap::PlayCyclesEntry,
       &TEntrySnap::PlayMuteMuteEntry},
      {"MutePlay cycles:", km::MutePlaySepNN, km::MutePlaySepN, 'm', 'p', &TEntrySnap::MuteCyclesEntry,
       &TEntrySnap::MutePlayPlayEntry},
      {"PlayMuteTog cycles:", km::PlayMuteTogSepNN, km::PlayMuteTogSepN, 'p', 'm',
       &TEntrySnap::PmtCyclesEntry, &TEntrySnap::PmtMuteEntry},
  };
  for (const TRow& r : kRows) {
    int32_t places = 0, step = 0;  // step: places keyed so far over both counts
    if (r.SepNN.Has(mode)) {
      places = 2;
      step = r.SepNN.StepOf(mode);
    } else if (r.SepN.Has(mode)) {
      places = 1;
      step = r.SepN.StepOf(mode);
    } else {
      continue;
    }
    const int32_t keyedFirst = std::min(step, places), keyedSecond = step - keyedFirst;
    // An accumulator not yet reached may still hold an earlier entry's value.
    const int32_t first = keyedFirst > 0 ? e.*r.First : 0;
    const int32_t second = keyedSecond > 0 ? e.*r.Second : 0;
    std::string text = r.Head + Places(first, places, keyedFirst, r.A) + "/" +
                       Places(second, places, keyedSecond, r.B) + "?";
    if (first == 0 && second == 0) text += "  0=forever";
    return text;
  }
  return {};
}

// The one-place sweeps of part, port and velocity: the first mode shows the direction chosen, the
// second the start too.
std::string SmallSweepPrompt(const char* name, bool second, int32_t from, bool bothWays,
                             const TKeyModeRow& row) {
  if (!second) return std::string(bothWays && !row.PromptAlt.empty() ? row.PromptAlt : row.Prompt);
  return std::string(name) + " sweep " + std::to_string(from) + Arrow(bothWays) + "m?";
}

// Program and channel: value, sweep start and sweep end, each its own run of modes.
std::optional<std::string> ProgChanPrompt(int32_t mode, const TEntrySnap& e, const TKeyModeRow& row) {
  struct TRow {
    const char* Name;
    int32_t Places;
    TModeSteps Value, From, To;
    int32_t TEntrySnap::*Entry;
    int32_t TEntrySnap::*SweepTo;
    bool TEntrySnap::*BothWays;
  };
  static constexpr TRow kRows[] = {
      {"Prog", 3, km::ProgValue, km::ProgFrom, km::ProgTo, &TEntrySnap::ProgEntry, &TEntrySnap::ProgSweepTo,
       &TEntrySnap::ProgSweepBothWays},
      {"Channel", 2, km::ChanValue, km::ChanFrom, km::ChanTo, &TEntrySnap::ChanEntry,
       &TEntrySnap::ChanSweepTo, &TEntrySnap::ChanSweepBothWays},
  };
  for (const TRow& r : kRows) {
    const int32_t entry = e.*r.Entry;
    if (r.Value.Has(mode))
      return ValueSweepPrompt(r.Name, r.Places, r.Value.StepOf(mode), -1, -1, entry, 0, false, row);
    if (r.From.Has(mode))
      return ValueSweepPrompt(r.Name, r.Places, -1, r.From.StepOf(mode), -1, entry, 0, e.*r.BothWays, row);
    if (r.To.Has(mode))
      return ValueSweepPrompt(r.Name, r.Places, -1, -1, r.To.StepOf(mode), entry, e.*r.SweepTo, e.*r.BothWays,
                              row);
  }
  return std::nullopt;
}

// The two-digit counts: record bars, play, mute and pitch cycles.
std::optional<std::string> CountsPrompt(int32_t mode, const TEntrySnap& e) {
  struct TRow {
    TModeSteps Steps;
    const char* Head;
    int32_t TEntrySnap::*Value;
    const char* Hint;
  };
  static constexpr TRow kRows[] = {
      {km::RecBarsNN, "Record bars:", &TEntrySnap::RecBarsEntry, "0=normal rec"},
      {km::PlayCyclesNN, "Play cycles:", &TEntrySnap::PlayCyclesEntry, "0=forever"},
      {km::MuteCyclesNN, "Mute cycles:", &TEntrySnap::MuteCyclesEntry, "0=forever"},
      {km::PitchCyclesNN, "Pitch cycles:", &TEntrySnap::PitchCyclesEntry, "0=reset"},
  };
  for (const TRow& r : kRows)
    if (r.Steps.Has(mode)) return CountPrompt(r.Head, e.*r.Value, r.Steps.StepOf(mode), r.Hint);
  return std::nullopt;
}

// The alternating cycles' first count, before "a" or "b" says whether the counts differ.
std::optional<std::string> AlternatingCountPrompt(int32_t mode, const TEntrySnap& e) {
  if (mode != km::PlayMuteNN.Last && mode != km::MutePlayNN.Last && mode != km::PlayMuteTogNN.Last)
    return std::nullopt;
  const bool playMute = mode == km::PlayMuteNN.Last, mutePlay = mode == km::MutePlayNN.Last;
  const char* head = playMute ? "PlayMute cycles:" : mutePlay ? "MutePlay cycles:" : "PlayMuteTog cycles:";
  const int32_t value = playMute ? e.PlayCyclesEntry : mutePlay ? e.MuteCyclesEntry : e.PmtCyclesEntry;
  std::string text = head + Places(value, 2, 1, 'n') + ", a/b?";
  if (value == 0) text += "  0=forever";
  return text;
}

// The one-place sweeps of part, port and velocity.
std::optional<std::string> SmallSweepsPrompt(int32_t mode, const TEntrySnap& e) {
  struct TRow {
    const char* Name;
    TModeSteps Steps;
    int32_t TEntrySnap::*From;
    bool TEntrySnap::*BothWays;
  };
  static constexpr TRow kRows[] = {
      {"Part", km::PartSweep, &TEntrySnap::PartSweepFrom, &TEntrySnap::PartSweepBothWays},
      {"Port", km::PortSweep, &TEntrySnap::PortSweepFrom, &TEntrySnap::PortSweepBothWays},
      {"Vel", km::VelSweep, &TEntrySnap::VelSweepFrom, &TEntrySnap::VelSweepBothWays},
  };
  for (const TRow& r : kRows)
    if (r.Steps.Has(mode))
      return SmallSweepPrompt(r.Name, mode == r.Steps.Last, e.*r.From, e.*r.BothWays,
                              KeyModeTable[r.Steps.First]);
  return std::nullopt;
}

// The second steps of the two-step entries show the first step's value.
std::optional<std::string> SecondStepPrompt(int32_t mode, const TEntrySnap& e, const TKeyModeRow& row) {
  switch (mode) {
    case ModeNo(TKeyMode::TimeSigBeatLen):
      return "Time signature " + std::to_string(e.TSigBeatsEntry) + "/m?";
    case ModeNo(TKeyMode::TimeShiftFwd):
    case ModeNo(TKeyMode::TimeShiftBack):
      return std::string(e.TimeShiftRepeat && !row.PromptAlt.empty() ? row.PromptAlt : row.Prompt);
    case km::TimeShiftFwd.Last:
    case km::TimeShiftBack.Last:
      return std::string(mode == km::TimeShiftFwd.Last ? "Time shift fwds " : "Time shift back ") +
             (e.TimeShiftRepeat ? " rept " : "") + std::to_string(e.TimeShiftBeatsEntry) + " x 1/n?";
    case ModeNo(TKeyMode::FtsType):
      return "Fts " + PitchClassName(e.FtsRootEntry) + " type n?  curr=unchanged";
    case ModeNo(TKeyMode::QuantSeq):
      return e.QuantNoteEntry == 0
                 ? std::string(row.PromptAlt)
                 : "Quantise nq 1/" + std::to_string(e.QuantNoteEntry) + ", sq 1/n?  0=curr";
    case ModeNo(TKeyMode::MetrBeatNote):
      return "Metr basic bar " + KeyNoToNote(e.MetrBarNoteEntry) + ", beat note?";
    case ModeNo(TKeyMode::MetrNoteLen):
      return "Metr basic " + KeyNoToNote(e.MetrBarNoteEntry) + ", " + KeyNoToNote(e.MetrBeatNoteEntry) +
             ", length 1/n?";
    default:
      return std::nullopt;
  }
}

// The other steps show the text their entry began with.
std::string EntryStartPrompt(int32_t mode, const TKeyModeRow& row) {
  for (int32_t m = mode; m >= ModeNo(TKeyMode::FirstArg); --m) {
    const TKeyModeRow& r = KeyModeTable[std::size_t(m)];
    if (r.Handler != row.Handler) break;
    if (!r.Prompt.empty()) return std::string(r.Prompt);
  }
  return std::string(row.PromptHead) + std::string(row.PromptTail);
}

std::string ArgPrompt(int32_t mode, const TStatusSnapshot& snap, const TCfg& cfg) {
  const TEntrySnap& e = snap.Entry;
  const TKeyModeRow& row = KeyModeRow(KeyModeFromNo(mode));
  if (km::TempoValue.Has(mode) || km::TempoFrom.Has(mode) || km::TempoTo.Has(mode) || km::TempoTaps.Has(mode))
    return TempoPrompt(mode, snap, cfg);
  if (auto text = ProgChanPrompt(mode, e, row)) return *text;
  if (km::TempoSlew.Has(mode))
    return mode == km::TempoSlew.First ? std::string(row.Prompt)
                                       : "Tempo slew " + Places(e.TempoSlewEntry, 2, 1, 'n') + "?";
  if (auto text = CountsPrompt(mode, e)) return *text;
  if (auto text = AlternatingCountPrompt(mode, e)) return *text;
  if (const std::string counts = SeparateCountsPrompt(mode, e); !counts.empty()) return counts;
  if (auto text = SmallSweepsPrompt(mode, e)) return *text;
  // Scenes: the "0=curr" form while a current scene exists and nothing but zeros is keyed.
  if (mode >= km::LoadAll.First && mode <= km::SaveSel.Last) {
    const int32_t keyed = IsLoadMode(KeyModeFromNo(mode)) ? e.LoadSceneEntry : e.SaveSceneEntry;
    return std::string(e.CurScene > 0 && keyed == 0 ? row.PromptAlt : row.Prompt);
  }
  if (auto text = SecondStepPrompt(mode, e, row)) return *text;
  return EntryStartPrompt(mode, row);
}

std::string RecordPrompt(bool step, const TStatusSnapshot& snap, const TCfg& cfg) {
  std::string text = step ? "Step record" : snap.RecRawMode ? "Raw record" : "Real-time record";
  if (snap.RecActive) text += "ing";
  if (snap.RecAutoIncSeq) text += "+";
  if (step) {
    static constexpr int32_t kSteps[] = {1, 2, 3, 4, 5, 6, 8, 12, 16, 20, 24, 32, 48, 64};
    static constexpr int32_t kGates[] = {5, 25, 50, 75, 95, 99};
    if (std::find(std::begin(kSteps), std::end(kSteps), snap.SRecNoteLenFrac) != std::end(kSteps))
      text += ", step 1/" + std::to_string(snap.SRecNoteLenFrac);
    if (std::find(std::begin(kGates), std::end(kGates), snap.SRecNoteOnPercent) != std::end(kGates))
      text += ", " + std::to_string(snap.SRecNoteOnPercent) + "%";
    text += ", pit " + SignedText(snap.RecPitchOffset);
  } else if (cfg.StandardMode) {
    text += ", pit " + SignedText(snap.RecPitchOffset);
  }
  return text;
}

TColor ModeColour(int32_t mode, bool recActive, const TCfg& cfg) {
  switch (mode) {
    case ModeNo(TKeyMode::Inactive):
      return cfg.ClKtBgWarnFcn;
    case ModeNo(TKeyMode::Live):
      return cfg.ClKtBgLiveFcn;
    case ModeNo(TKeyMode::Record):
    case ModeNo(TKeyMode::StepRecord):
      return recActive ? cfg.ClKtBgRecFcn : cfg.ClKtBgRecPrimed;
    case ModeNo(TKeyMode::Command):
      return cfg.ClKtBgCmdMode;
    case ModeNo(TKeyMode::RecBarsStop):
      return cfg.ClKtBgRecPrimed;
    case ModeNo(TKeyMode::Calibrate):
      return cfg.ClKtBgCalibrate;
    case ModeNo(TKeyMode::Hotkey):
      return cfg.ClKtBgHotkeyFcn;
    case ModeNo(TKeyMode::Pitch):
    case ModeNo(TKeyMode::FtsType):
      return cfg.ClKtBgPitchFcn;
    case ModeNo(TKeyMode::TempoDiv):
    case ModeNo(TKeyMode::TimeSigBeats):
    case ModeNo(TKeyMode::TimeSigBeatLen):
    case ModeNo(TKeyMode::TimeShiftFwd):
    case km::TimeShiftFwd.Last:
    case ModeNo(TKeyMode::TimeShiftBack):
    case km::TimeShiftBack.Last:
    case ModeNo(TKeyMode::QuantNotes):
    case ModeNo(TKeyMode::QuantSeq):
    case ModeNo(TKeyMode::MetrNoteLen):
      return cfg.ClKtBgTimeFcn;
    case ModeNo(TKeyMode::FtsRoot):
    case ModeNo(TKeyMode::Ftn):
    case ModeNo(TKeyMode::MetrBarNote):
    case ModeNo(TKeyMode::MetrBeatNote):
      return cfg.ClKtBgNoteFcn;
    default:
      return cfg.ClKtBgDigitFcn;
  }
}

// A live value's sweep mark and blinking colour.
TText SweepText(const std::string& text, const TSweepSnap& sweep, TColor c, bool flashOn, const TCfg& cfg) {
  if (!sweep.On) return TText{text, c};
  return TText{std::string(sweep.Down ? "<" : ">") + text, flashOn ? c : cfg.ClStFlashPend};
}

}  // namespace

TProgStateLine ProgStateLine(uint8_t state, int8_t inPorts, int8_t outPorts, bool diagOn, bool tracing,
                             bool keyMapper, const TCfg& cfg) {
  switch (state) {
    case 0:
      return {"Initialising", cfg.ClStInitialising, {}};
    case 1:
      return {"Loading settings...", cfg.ClStLoading, {}};
    case 2:
      if (diagOn && tracing) return {"Running with MIDI tracing", cfg.ClStRunWithDiag, {}};
      if (diagOn) return {"Running with diagnostics", cfg.ClStRunWithDiag, {}};
      if (keyMapper) return {"Running with Key Mapper", cfg.ClStRunWithKeyMapper, {}};
      return {"Running", cfg.ClStRunning, {}};
    case 3:
      return {"Stopping...", cfg.ClStStopping, {}};
    case 4:
      if (inPorts < 0 && outPorts < 0) return {"No MIDI ports allocated", cfg.ClStNoMidi, {}};
      if (inPorts < 0) return {"No MIDI inputs allocated", cfg.ClStNoMidi, {}};
      if (outPorts < 0) return {"No MIDI outputs allocated", cfg.ClStNoMidi, {}};
      return {"Stopped, config mode", cfg.ClStStopped, {}};
    default:
      return {"Invalid state " + std::to_string(state), cfg.ClText,
              "UpdateDspStatus-1 error: Invalid ProgState"};
  }
}

TPrompt KeyModePrompt(const TStatusSnapshot& snap, const TCfg& cfg, const std::string& calibPrompt) {
  const int32_t mode = ModeNo(snap.KeyMode);
  if (mode >= ModeNo(TKeyMode::FirstInvalid))
    return {"Invalid key mode " + std::to_string(mode), cfg.ClKtBgNone,
            "UpdateDspStatus-2 error: Invalid KeyMode"};
  TPrompt p;
  p.Mode = ModeColour(mode, snap.RecActive, cfg);
  switch (mode) {
    case ModeNo(TKeyMode::Inactive):
      p.Text = "Ignore";
      break;
    case ModeNo(TKeyMode::Live):
      p.Text = "Live";
      break;
    case ModeNo(TKeyMode::Record):
    case ModeNo(TKeyMode::StepRecord):
      p.Text = RecordPrompt(mode == ModeNo(TKeyMode::StepRecord), snap, cfg);
      break;
    case ModeNo(TKeyMode::Command):
      p.Text = snap.Entry.DPressPendingCmd.empty() ? "Command? "
                                                   : snap.Entry.DPressPendingCmd + " (double-press reqd)";
      break;
    case ModeNo(TKeyMode::Calibrate):
      p.Text = calibPrompt;
      break;
    case ModeNo(TKeyMode::Pitch):
      p.Text = snap.Entry.PitchCyclesOn && snap.Entry.PitchCycles >= 1
                   ? "Pitch:" + std::to_string(snap.Entry.PitchCycles) + " offset n?"
                   : "Pitch offset n?";
      break;
    default:
      p.Text = ArgPrompt(mode, snap, cfg);
      break;
  }
  return p;
}

namespace {

// Time signature and quantise: a pending value blinks in for the flash's dark phase.
void TimeTexts(const TStatusSnapshot& snap, const TCfg& cfg, bool flashOn, TControlView& v) {
  const bool act = snap.BeatsPerBar == snap.ActBeatsPerBar || flashOn;
  v.TSig = TText{std::to_string(act ? snap.ActBeatsPerBar : snap.BeatsPerBar) + "/" +
                     std::to_string(act ? snap.ActNoteLenFrac : snap.NoteLenFrac),
                 cfg.ClText};
  const int32_t nq =
      snap.NQNoteLenFrac == snap.NQActNoteLenFrac || flashOn ? snap.NQActNoteLenFrac : snap.NQNoteLenFrac;
  v.QuantN = TText{nq == 0 ? "off" : "1/" + std::to_string(nq), cfg.ClText};
  v.QuantNoteOffsVisible = nq != 0 && cfg.StandardMode != 0;
  const int32_t sq =
      snap.SQNoteLenFrac == snap.SQActNoteLenFrac || flashOn ? snap.SQActNoteLenFrac : snap.SQNoteLenFrac;
  v.QuantS = TText{"1/" + std::to_string(sq), cfg.ClText};
}

TColor LiveLightColour(int32_t mode, uint8_t litBy, TColor promptMode, const TCfg& cfg) {
  TColor light = mode == ModeNo(TKeyMode::Inactive)  ? cfg.ClMidiLightsIgnore
                 : mode == ModeNo(TKeyMode::Command) ? cfg.ClMidiLightsCommand
                                                     : promptMode;
  if (litBy == 1) light = cfg.ClMidiLightsHotkey;
  if (litBy == 2) light = cfg.ClMidiLightsNote;
  if (litBy == 3) light = cfg.ClMidiLightsEvent;
  return light;
}

// The key mode's prompt, its caption and the panels it colours.
void KeyModeTexts(const TStatusSnapshot& snap, const TCfg& cfg, bool flashOn, const TPrompt& prompt,
                  TControlView& v) {
  if (cfg.DspKModeInputColours) {
    v.KeyMode = TText{prompt.Text, cfg.ClText};
    v.KeyModeBg = prompt.Mode;
  } else {
    v.KeyMode = TText{prompt.Text, kPromptBlue};
    v.KeyModeBg = cfg.ClKtBgNone;
  }
  if (snap.KeyHold) {
    v.KeyModeCaption = TText{"Held -", cfg.ClStWarning, false, true, flashOn};
  } else if (snap.RecRetake) {
    v.KeyModeCaption = TText{"Retake -", cfg.ClStWarning, false, true, flashOn};
  } else {
    v.KeyModeCaption = TText{"Input -", cfg.ClText};
  }
  v.TitlePanel = cfg.DspKModeTitleColours ? prompt.Mode : cfg.ClPanelTitle;
}

// The live output's program: "?" without a device or program, "-" when none may be sent; numbers
// alone show bold.
std::string LiveProgText(const TLiveSnap& l, const TCfg& cfg, bool& bold) {
  bold = false;
  if (!l.HasDevice) return "?";
  if (!l.ProgOk) return "-";
  if (l.Prog < 0) return "?";
  if (cfg.DspProgNames && l.Prog < kCfgProgs) return std::to_string(l.Prog) + "-" + cfg.UserProgNames[l.Prog];
  bold = true;
  return std::to_string(l.Prog);
}

// Port, channel and program of the live row, shown while it has a port.
void LiveRouting(const TStatusSnapshot& snap, const TCfg& cfg, bool flashOn, TColor c, TControlView& v) {
  const TLiveSnap& l = snap.Live;
  const bool names = cfg.DspPortNames != 0;
  const std::string port = names ? snap.OutPortNames[l.Port] : std::to_string(l.Port + 1);
  if (l.PortSweep.On) {
    v.LivePort = TText{std::string(l.PortSweep.Down ? "<" : ">") + port, cfg.ClStFlashPend, !names};
  } else {
    v.LivePort = TText{port, c, !names};
  }
  v.LiveChan =
      SweepText((l.MChanApplies ? "*" : "") + std::to_string(l.Chan + 1), l.ChanSweep, c, flashOn, cfg);
  bool bold = false;
  const std::string prog = LiveProgText(l, cfg, bold);
  v.LiveProg = SweepText(prog, l.ProgSweep, c, flashOn, cfg);
  v.LiveProg.Bold = bold;
}

void LiveRow(const TStatusSnapshot& snap, const TCfg& cfg, bool flashOn, TControlView& v) {
  const TLiveSnap& l = snap.Live;
  v.LivePanel = l.Selected ? cfg.ClPanelLiveSel : cfg.ClPanelLive;
  const TColor c = l.Selected ? cfg.ClStSelected : cfg.ClText;
  v.Live12Colour = l.Selected ? cfg.ClStSelected : cfg.ClStSeqNo;
  v.LivePortSet = l.Port >= 0 && l.Port < kPorts;
  if (v.LivePortSet) LiveRouting(snap, cfg, flashOn, c, v);
  v.LiveSVel = SweepText(std::to_string(l.SVel), l.SVelSweep, c, flashOn, cfg);
  v.LiveSVel.Enabled = l.SVel > 0;
  v.LivePitch = TText{SignedText(l.Pitch - l.TransposeBase), c, false, !l.PitchLocked};
  v.LiveTrans = TText{SignedText(l.TransposeBase), c};
  v.LiveTDiv = TText{l.TempoClockDiv != 1 ? "1/" + std::to_string(l.TempoClockDiv) : "-", c};
  std::string scale = l.FtsType == kFtsTypeOff      ? std::string("chrom")
                      : l.FtsType == kFtsTypeCustom ? std::string(l.FtsName.View())
                                                    : PitchClassName(l.FtsRoot) + FtsCodeName(l.FtsType);
  v.LiveScale = TText{scale, c, false, !l.PitchLocked};
}

}  // namespace

void BuildControlView(const TStatusSnapshot& snap, const TCfg& cfg, bool flashOn, bool diagOn, bool tracing,
                      bool keyMapper, const std::string& calibPrompt, TControlView& v) {
  v.Errors.clear();
  TimeTexts(snap, cfg, flashOn, v);

  const TProgStateLine ps = ProgStateLine(snap.ProgStateRaw, snap.InPortsAllocated, snap.OutPortsAllocated,
                                          diagOn, tracing, keyMapper, cfg);
  v.ProgState = TText{ps.Text, ps.Colour};
  if (!ps.Error.empty()) v.Errors.push_back(ps.Error);

  const int32_t mode = ModeNo(snap.KeyMode);
  // Input ignored: the caption blinks into the ignore colour. Its other phase is the plain text
  // colour, not the button face: a face-coloured caption reads as a disabled button.
  v.ControlFont = mode != ModeNo(TKeyMode::Inactive) || !flashOn ? cfg.ClText : cfg.ClStIgnore;

  const TPrompt prompt = KeyModePrompt(snap, cfg, calibPrompt);
  if (!prompt.Error.empty()) v.Errors.push_back(prompt.Error);
  v.Live1 = "Live";
  if (mode == ModeNo(TKeyMode::Record) || mode == ModeNo(TKeyMode::StepRecord))
    v.Live1 = snap.ArrowFromLive ? "Live->" : snap.ArrowToLive ? "->Live" : "Live";
  v.LiveLight = LiveLightColour(mode, snap.Live.LitBy, prompt.Mode, cfg);
  KeyModeTexts(snap, cfg, flashOn, prompt, v);
  LiveRow(snap, cfg, flashOn, v);
}

bool ClockLossIsNew(bool lost, bool switchToInternal, bool& told) {
  if (!lost) {
    told = false;
    return false;
  }
  if (!switchToInternal || told) return false;
  told = true;
  return true;
}

std::string ClockLossText(int32_t extPortNo) {
  return "No MIDI clocks from input P" + std::to_string(extPortNo + 1) +
         "; switching to internal clock source";
}

}  // namespace vel
