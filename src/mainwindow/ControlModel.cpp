#include "mainwindow/ControlModel.h"

#include <algorithm>

#include "base/General.h"
#include "keys/KeyModeTable.h"
#include "keys/ScaleKeys.h"

namespace vel {

namespace {

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

// The tempo entry: 6..10 value places, 11..15 sweep start, 16..20 sweep end; the first two
// places of each only after the five-place key.
std::string TempoPrompt(int32_t mode, const TStatusSnapshot& snap, const TCfg& cfg) {
  const TEntrySnap& e = snap.Entry;
  const TKeyModeRow& row = KeyModeRow(KeyModeFromNo(mode));
  if (mode == 30 || mode == 31) return std::string(row.Prompt);
  const int32_t group = (mode - 6) / 5;  // 0 value, 1 sweep start, 2 sweep end
  const int32_t place = (mode - 6) % 5;  // 0..4 of five places
  const bool five = e.TempoEntryStarted || place < 2;
  const int32_t places = five ? 5 : 3;
  const int32_t keyed = five ? place : place - 2;
  if (group == 0) {
    if (mode == 8 && !e.TempoEntryStarted)
      return std::string(cfg.StandardMode && !row.PromptAlt.empty() ? row.PromptAlt : row.Prompt);
    return "Tempo " + Places(e.TempoEntry, places, keyed, 'n') + "?";
  }
  if (group == 1)
    return "Tempo sweep " + Places(e.TempoEntry, places, keyed, 'n') + Arrow(e.TempoSweepBothWays) + "mmm?";
  return "Tempo sweep " + Padded(e.TempoEntry, e.TempoEntry > 999 ? 5 : 3) + Arrow(e.TempoSweepBothWays) +
         Places(e.TempoSweepTo, places, keyed, 'm') + "?";
}

// Program (21..29) and channel (32, 33, 63..66) entries: value, sweep start, sweep end.
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

// The separate play and mute counts of the alternating cycle entries: two places each in modes
// 67..78, one in 95..100, the first count's keyed digits, "/", the second's. The hint stays while
// both counts keyed so far are 0. Empty for any other mode.
std::string SeparateCountsPrompt(int32_t mode, const TEntrySnap& e) {
  struct TRow {
    const char* Head;
    int32_t FirstNN, FirstN;
    char A, B;  // the first and second count's placeholders
    int32_t TEntrySnap::*First;
    int32_t TEntrySnap::*Second;
  };
  static constexpr TRow kRows[] = {
      {"PlayMute cycles:", 67, 95, 'p', 'm', &TEntrySnap::PlayCyclesEntry, &TEntrySnap::PlayMuteMuteEntry},
      {"MutePlay cycles:", 71, 97, 'm', 'p', &TEntrySnap::MuteCyclesEntry, &TEntrySnap::MutePlayPlayEntry},
      {"PlayMuteTog cycles:", 75, 99, 'p', 'm', &TEntrySnap::PmtCyclesEntry, &TEntrySnap::PmtMuteEntry},
  };
  for (const TRow& r : kRows) {
    int32_t places = 0, step = 0;  // step: places keyed so far over both counts
    if (mode >= r.FirstNN && mode < r.FirstNN + 4) {
      places = 2;
      step = mode - r.FirstNN;
    } else if (mode >= r.FirstN && mode < r.FirstN + 2) {
      places = 1;
      step = mode - r.FirstN;
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

std::string ArgPrompt(int32_t mode, const TStatusSnapshot& snap, const TCfg& cfg) {
  const TEntrySnap& e = snap.Entry;
  const TKeyModeRow& row = KeyModeRow(KeyModeFromNo(mode));
  if ((mode >= 6 && mode <= 20) || mode == 30 || mode == 31) return TempoPrompt(mode, snap, cfg);
  if (mode >= 21 && mode <= 23)
    return ValueSweepPrompt("Prog", 3, mode - 21, -1, -1, e.ProgEntry, 0, false, row);
  if (mode >= 24 && mode <= 26)
    return ValueSweepPrompt("Prog", 3, -1, mode - 24, -1, e.ProgEntry, 0, e.ProgSweepBothWays, row);
  if (mode >= 27 && mode <= 29)
    return ValueSweepPrompt("Prog", 3, -1, -1, mode - 27, e.ProgEntry, e.ProgSweepTo, e.ProgSweepBothWays,
                            row);
  if (mode == 32 || mode == 33)
    return ValueSweepPrompt("Channel", 2, mode - 32, -1, -1, e.ChanEntry, 0, false, row);
  if (mode == 63 || mode == 64)
    return ValueSweepPrompt("Channel", 2, -1, mode - 63, -1, e.ChanEntry, 0, e.ChanSweepBothWays, row);
  if (mode == 65 || mode == 66)
    return ValueSweepPrompt("Channel", 2, -1, -1, mode - 65, e.ChanEntry, e.ChanSweepTo, e.ChanSweepBothWays,
                            row);
  if (mode == 60 || mode == 61)
    return mode == 60 ? std::string(row.Prompt) : "Tempo slew " + Places(e.TempoSlewEntry, 2, 1, 'n') + "?";
  if (mode == 34 || mode == 35) return CountPrompt("Record bars:", e.RecBarsEntry, mode - 34, "0=normal rec");
  if (mode == 36 || mode == 37) return CountPrompt("Play cycles:", e.PlayCyclesEntry, mode - 36, "0=forever");
  if (mode == 38 || mode == 39) return CountPrompt("Mute cycles:", e.MuteCyclesEntry, mode - 38, "0=forever");
  if (mode == 46 || mode == 47) return CountPrompt("Pitch cycles:", e.PitchCyclesEntry, mode - 46, "0=reset");
  if (mode == 41 || mode == 43 || mode == 45) {
    static constexpr const char* kHeads[] = {"PlayMute cycles:", "MutePlay cycles:", "PlayMuteTog cycles:"};
    const int32_t value = mode == 41 ? e.PlayCyclesEntry : mode == 43 ? e.MuteCyclesEntry : e.PmtCyclesEntry;
    std::string text = kHeads[(mode - 41) / 2] + Places(value, 2, 1, 'n') + ", a/b?";
    if (value == 0) text += "  0=forever";
    return text;
  }
  if (const std::string counts = SeparateCountsPrompt(mode, e); !counts.empty()) return counts;
  if (mode == 89 || mode == 90)
    return SmallSweepPrompt("Part", mode == 90, e.PartSweepFrom, e.PartSweepBothWays, KeyModeTable[89]);
  if (mode == 91 || mode == 92)
    return SmallSweepPrompt("Port", mode == 92, e.PortSweepFrom, e.PortSweepBothWays, KeyModeTable[91]);
  if (mode == 93 || mode == 94)
    return SmallSweepPrompt("Vel", mode == 94, e.VelSweepFrom, e.VelSweepBothWays, KeyModeTable[93]);
  // Scenes: the "0=curr" form while a current scene exists and nothing but zeros is keyed.
  if (mode >= 48 && mode <= 59) {
    const int32_t keyed = mode < 56 ? e.LoadSceneEntry : e.SaveSceneEntry;
    return std::string(e.CurScene > 0 && keyed == 0 ? row.PromptAlt : row.Prompt);
  }
  // The second steps of the two-step entries show the first step's value.
  switch (mode) {
    case 105:
      return "Time signature " + std::to_string(e.TSigBeatsEntry) + "/m?";
    case 106:
    case 108:
      return std::string(e.TimeShiftRepeat && !row.PromptAlt.empty() ? row.PromptAlt : row.Prompt);
    case 107:
    case 109:
      return std::string(mode == 107 ? "Time shift fwds " : "Time shift back ") +
             (e.TimeShiftRepeat ? " rept " : "") + std::to_string(e.TimeShiftBeatsEntry) + " x 1/n?";
    case 111:
      return "Fts " + PitchClassName(e.FtsRootEntry) + " type n?  curr=unchanged";
    case 114:
      return e.QuantNoteEntry == 0
                 ? std::string(row.PromptAlt)
                 : "Quantise nq 1/" + std::to_string(e.QuantNoteEntry) + ", sq 1/n?  0=curr";
    case 116:
      return "Metr basic bar " + KeyNoToNote(e.MetrBarNoteEntry) + ", beat note?";
    case 117:
      return "Metr basic " + KeyNoToNote(e.MetrBarNoteEntry) + ", " + KeyNoToNote(e.MetrBeatNoteEntry) +
             ", length 1/n?";
    default:
      break;
  }
  // The other steps show the text their entry began with.
  for (int32_t m = mode; m >= ModeNo(TKeyMode::FirstArg); --m) {
    const TKeyModeRow& r = KeyModeTable[std::size_t(m)];
    if (r.Handler != row.Handler) break;
    if (!r.Prompt.empty()) return std::string(r.Prompt);
  }
  return std::string(row.PromptHead) + std::string(row.PromptTail);
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
    case 0:
      return cfg.ClKtBgWarnFcn;
    case 1:
      return cfg.ClKtBgLiveFcn;
    case 2:
    case 3:
      return recActive ? cfg.ClKtBgRecFcn : cfg.ClKtBgRecPrimed;
    case 4:
      return cfg.ClKtBgCmdMode;
    case 5:
      return cfg.ClKtBgRecPrimed;
    case 101:
      return cfg.ClKtBgCalibrate;
    case 102:
      return cfg.ClKtBgHotkeyFcn;
    case 103:
    case 111:
      return cfg.ClKtBgPitchFcn;
    case 62:
    case 104:
    case 105:
    case 106:
    case 107:
    case 108:
    case 109:
    case 113:
    case 114:
    case 117:
      return cfg.ClKtBgTimeFcn;
    case 110:
    case 112:
    case 115:
    case 116:
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
    case 0:
      p.Text = "Ignore";
      break;
    case 1:
      p.Text = "Live";
      break;
    case 2:
    case 3:
      p.Text = RecordPrompt(mode == 3, snap, cfg);
      break;
    case 4:
      p.Text = snap.Entry.DPressPendingCmd.empty() ? "Command? "
                                                   : snap.Entry.DPressPendingCmd + " (double-press reqd)";
      break;
    case 101:
      p.Text = calibPrompt;
      break;
    case 103:
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

void BuildControlView(const TStatusSnapshot& snap, const TCfg& cfg, bool flashOn, bool diagOn, bool tracing,
                      bool keyMapper, const std::string& calibPrompt, TControlView& v) {
  v.Errors.clear();
  // Metronome group: a pending value blinks in for the flash's dark phase.
  {
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

  const TProgStateLine ps = ProgStateLine(snap.ProgStateRaw, snap.InPortsAllocated, snap.OutPortsAllocated,
                                          diagOn, tracing, keyMapper, cfg);
  v.ProgState = TText{ps.Text, ps.Colour};
  if (!ps.Error.empty()) v.Errors.push_back(ps.Error);

  const int32_t mode = ModeNo(snap.KeyMode);
  v.ControlFont = mode != 0 ? cfg.ClText : flashOn ? cfg.ClStIgnore : clBtnFace;

  const TPrompt prompt = KeyModePrompt(snap, cfg, calibPrompt);
  if (!prompt.Error.empty()) v.Errors.push_back(prompt.Error);
  v.Live1 = "Live";
  if (mode == 2 || mode == 3) v.Live1 = snap.ArrowFromLive ? "Live->" : snap.ArrowToLive ? "->Live" : "Live";

  TColor light = mode == 0 ? cfg.ClMidiLightsIgnore : mode == 4 ? cfg.ClMidiLightsCommand : prompt.Mode;
  if (snap.Live.LitBy == 1) light = cfg.ClMidiLightsHotkey;
  if (snap.Live.LitBy == 2) light = cfg.ClMidiLightsNote;
  if (snap.Live.LitBy == 3) light = cfg.ClMidiLightsEvent;
  v.LiveLight = light;

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

  // Live row.
  const TLiveSnap& l = snap.Live;
  v.LivePanel = l.Selected ? cfg.ClPanelLiveSel : cfg.ClPanelLive;
  const TColor c = l.Selected ? cfg.ClStSelected : cfg.ClText;
  v.Live12Colour = l.Selected ? cfg.ClStSelected : cfg.ClStSeqNo;
  v.LivePortSet = l.Port >= 0 && l.Port < kPorts;
  if (v.LivePortSet) {
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
    std::string prog;
    if (!l.HasDevice) {
      prog = "?";
    } else if (!l.ProgOk) {
      prog = "-";
    } else if (l.Prog < 0) {
      prog = "?";
    } else if (cfg.DspProgNames && l.Prog < kCfgProgs) {
      prog = std::to_string(l.Prog) + "-" + cfg.UserProgNames[l.Prog];
    } else {
      prog = std::to_string(l.Prog);
      bold = true;
    }
    v.LiveProg = SweepText(prog, l.ProgSweep, c, flashOn, cfg);
    v.LiveProg.Bold = bold;
  }
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
