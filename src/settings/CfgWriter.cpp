#include "settings/CfgWriter.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <mutex>
#include <string_view>
#include <unordered_map>
#include <utility>

#include "base/EngineLock.h"
#include "base/FileReplace.h"
#include "base/General.h"
#include "base/Messages.h"
#include "base/UiHooks.h"
#include "keymaps/KeyMaps.h"
#include "platform/Version.h"
#include "settings/CfgKeyLists.h"
#include "settings/CfgLink.h"
#include "settings/CfgPatterns.h"
#include "settings/CfgReader.h"
#include "styles/StyleStore.h"

namespace vel {

namespace {

const CfgScalar& Scalar(std::string_view keyword) {
  static const std::unordered_map<std::string_view, const CfgScalar*> byName = [] {
    std::unordered_map<std::string_view, const CfgScalar*> m;
    for (const CfgScalar& s : CfgScalars) m.emplace(s.Keyword, &s);
    return m;
  }();
  return *byName.at(keyword);
}

int32_t ScalarInt(const CfgScalar& s) {
  return std::visit(
      [](auto* p) -> int32_t {
        using T = std::remove_pointer_t<decltype(p)>;
        if constexpr (std::is_same_v<T, std::string>) {
          return 0;
        } else {
          return static_cast<int32_t>(*p);
        }
      },
      s.Var);
}

std::string TextOrUnused(const std::string& s) {
  return s.empty() ? std::string("Unused") : s;
}

std::string ScalarText(const CfgScalar& s) {
  switch (s.Form) {
    case CfgForm::YN:
      return BoolToYN(ScalarInt(s) != 0);
    case CfgForm::YNNot:
      return BoolToYN(ScalarInt(s) == 0);
    case CfgForm::Int:
      return std::to_string(ScalarInt(s));
    case CfgForm::Shown:
      return std::to_string(ScalarInt(s) + 1);
    case CfgForm::Seconds:
      return std::to_string(ScalarInt(s) / 1000);
    case CfgForm::Tempo:
      return TempoToStr(ScalarInt(s));
    case CfgForm::Key:
      return KeyText(ScalarInt(s), Cfg.KeyDefsNumeric != 0);
    case CfgForm::Folder:
    case CfgForm::FileName:
      return TextOrUnused(*std::get<std::string*>(s.Var));
    case CfgForm::WinTitle: {
      const std::string& t = *std::get<std::string*>(s.Var);
      return t.empty() ? std::string("Unused") : "'" + t + "'";
    }
  }
  return {};
}

// Writes the scalar settings named, in order.
// The keywords of a settings list, in the list's (and the file's) order.
#define VEL_CFG_KEYWORD(T, Name, Factory, Form) #Name,

void W(TCfgText& out, std::initializer_list<std::string_view> keywords) {
  for (std::string_view k : keywords) out.WriteCfgLine(k, ScalarText(Scalar(k)));
}

std::string YN(bool b) {
  return BoolToYN(b);
}
std::string N(int32_t n) {
  return std::to_string(n);
}

std::string ProgVersionText() {
  return "Vellorine " + version::VersionText() + " (build " + std::to_string(version::BuildNumber()) + ")";
}

}  // namespace

void WriteCfgHeader(TCfgText& out, uint8_t kind) {
  out.WriteCfgLine(ProgVersionText() + " Configuration File");
  out.Blank();
  if (kind == CfgFull) {
    out.Comments({"Some of these 'initial' config values can be changed on-screen,",
                  "or using the MIDI keyboard at run-time; other values can only",
                  "be changed by editing this file."});
    out.Sep();
    out.Comments(
        {"This file is created by 'Config, Save...'.",
         "Edit/customise/rename as required and reload using 'Config, Load...',",
         "or see Auto Loading/Running below.", "",
         "You can create different config files for different keyboard setups.",
         "If a config file is loaded, its name will appear in the window title.", "", "Auto Loading/Running.",
         "The program will automatically load & run a previously saved config file if:-",
         "either: The file was saved using the 'Save config to default file' menu option ",
         "or: The file's path/name is appended as a parameter to Vellorine's shortcut,",
         "e.g. create a shortcut containing:-", "  vellorine \"/home/user/Seq Configs/Live Set.txt\"",
         "See Advanced Operation guide for more details."});
    out.Sep();
    out.Comments(
        {"Conventions:-", " - All text following a ';' character is treated as comment and is ignored.",
         " - Blank lines are ignored.",
         " - Entries can be in any order, and are of the form:  Keyword = Value",
         " - Values cannot be blank.", " - Leading & trailing spaces around Keywords & Values are ignored.",
         " - All numeric Values are decimal unless otherwise specified.",
         " - Boolean Values can be Y, N, Yes, No, T, F, True, False.",
         " - Any mix of upper/lower-case can be used."});
    out.Sep();
  } else {
    const std::string k(CfgKindTitle(kind));
    out.WriteCfgLine("This is a " + k + " subset of the full config file.");
    out.WriteCfgLine("It can be loaded via Config, Load, " + k + " only...");
    out.WriteCfgLine("It can be re-saved either as a subset via Config, Save, " + k + " only...");
    out.WriteCfgLine("or as part of a full config via one of the Config, Save, All settings options");
    out.Blank();
    out.WriteCfgLine("See comments in full config for general conventions when editing this file");
    out.Blank();
  }
  out.WriteCfgLine("Config file version for backwards compatibility where possible; do not change.");
  out.WriteCfgLine("Version", kCfgVersionText);
  out.Sep();
}

void WriteCfgGeneral(TCfgText& out) {
  out.WriteCfgLine("General settings.");
  W(out, {"NoviceMode", VEL_CFG_GENERAL(VEL_CFG_KEYWORD)});
  out.Blank();
  out.WriteCfgLine("Program names, 16 characters max.");
  for (int n = 0; n < kCfgProgs; ++n)
    out.WriteCfgLine("ProgName-" + N(n), TextOrUnused(CfgFreeText(Cfg.UserProgNames[n], 16)));
  out.Blank();
  out.WriteCfgLine("Folders.");
  W(out, {VEL_CFG_FOLDERS(VEL_CFG_KEYWORD)});
  out.Blank();
  out.WriteCfgLine("Window positions and sizes.");
  W(out, {VEL_CFG_WINDOWS(VEL_CFG_KEYWORD)});
  out.Blank();
  out.Comments({"To merge your old colours into a new release, please do the following:-", "   either...",
                "Save your old colours to a separate file using Config, Save, Colours...",
                "then load them into the new release: Config, Load, Colours...", "   or...",
                "Save the full config of the new release to a file: click Config, Save, All...",
                "then manually overwrite the colour definitions with yours, e.g. via copy/paste."});
  out.Sep();
}

namespace {

// Comments and empty lines between the colours, by the keyword they stand before.
struct TBefore {
  std::string_view Keyword;
  std::initializer_list<std::string_view> Lines;
};
const TBefore kBefore[] = {
    {"ClSysBgGradStartActiveTitleBar", {"Start of system-wide colours"}},
    {"ClSysBgWindow", {"Background for check boxes, radio buttons, drop-down combos."}},
    {"ClSysFgWindowText", {"All windows text"}},
    {"ClBgForm", {"Window colours"}},
    {"ClStSelected", {"", "Selected items"}},
    {"ClPanelSeqStatus", {"", "Panels"}},
    {"ClPanelTitle", {"", "Title panel"}},
    {"ClTitleText", {"", "Title text"}},
    {"ClSeqTrack", {"", "Seq tracks"}},
    {"ClSeqGridTicks", {"", "Seq grid ticks"}},
    {"ClPosnSeq", {"", "Seq position"}},
    {"ClPosnSeqMuted", {"", "Muted seq position"}},
    {"ClPosnMetrSeq", {"", "Metronome seq position"}},
    {"ClPosnMetrSeqMuted", {"", "Muted metronome seq position"}},
    {"ClMidiLightsSeqEmpty", {"", "MIDI activity lights"}},
    {"ClMetrLightDefault", {"", "Metronome lights"}},
    {"ClMetrNoteBeat1", {"", "Metronome notes"}},
    {"ClStSeqNo", {"", "Status texts"}},
    {"ClFgMetrDrum", {"", "Metronome style captions"}},
    {"ClKtBgBlackKeys",
     {"", "Colours for keyboard template window.",
      "Some background (bg) cols also used for title panel & input line",
      "(enabled/disabled by DspKModeTitleColours & DspKModeInputColours settings)"}},
};

// The colours, each after the comments that stand before it.
void WriteColourLines(TCfgText& out) {
  for (const CfgColour& c : CfgColours) {
    for (const TBefore& b : kBefore) {
      if (b.Keyword != c.Keyword) continue;
      if (c.Keyword == "ClBgForm") {
        out.WriteCfgLine("End of system-wide colours");
        out.Sep();
      }
      for (std::string_view l : b.Lines) {
        if (l.empty())
          out.Blank();
        else
          out.WriteCfgLine(l);
      }
    }
    out.WriteCfgLine(c.Keyword, ColourToText(*c.Var));
  }
}

}  // namespace

void WriteCfgColours(TCfgText& out) {
  out.Comments({"Colours, format: <m> | <red n>, <green n>, <blue n>",
                "where the 3 x n's are decimal numbers 0 to 255 defining the RGB intensities,",
                "e.g. 0,0,0 = black, 255,255,255 = white,",
                " 255,0,0 = pure red, 255,255,0 = yellow, 128,128,128 = grey",
                "Most of these can be configured on-screen; the rest can be edited using the",
                "colour picker tool to generate the 3 nos. in the clipboard for pasting here.",
                "A single digit m refers to current Windows system colours,", "e.g. 15 = ButtonFace.", ""});
  out.Sep();
  WriteColourLines(out);
  out.Blank();
  out.WriteCfgLine("Kinetrace blob colours.");
  for (int c = 0; c < kChans; ++c)
    out.WriteCfgLine("ClKinetrace-Chan" + N(c + 1), ColourToText(Cfg.ClKinetraceChan[c]));
  out.Sep();
}

namespace {

void WriteStyleSettings(TCfgText& out, const TStyleStore& st) {
  const std::string f(st.Traits->Name);
  const bool drum = f == "Drum";
  out.Sep();
  if (drum) out.WriteCfgLine("Style settings.");
  out.WriteCfgLine(f + "StyleNo", N(st.StyleNo + 1));
  out.WriteCfgLine(N(40) + ".." + N(69) + " = main patterns, " + N(70) + ".." + N(98) + " = break patterns");
  out.WriteCfgLine(f + "PatNo", N(st.PatNo + kStylePatShownBase));
  out.WriteCfgLine("Show" + f + "Patterns", YN(st.ShowPatterns));
  if (drum) out.WriteCfgLine("DspDrumGMNames", YN(st.DspGMNames));
  out.WriteCfgLine("Use" + f + "PatTSig", YN(st.UsePatTSig));
  out.WriteCfgLine(f + "AccentEnabled", YN(st.AccentEnabled));
  out.WriteCfgLine(f + "VelVar", N(st.VelVar));
  out.WriteCfgLine(drum ? "DrumFlamSpeed" : "BassGraceSpeed", N(st.FlamSpeed));
  out.WriteCfgLine("Notes/instruments");
  const bool numeric = Cfg.KeyDefsNumeric != 0;
  for (int n = 1; n <= kStyleInstRows; ++n) {
    const std::string k = f + "Inst" + N(n);
    out.WriteCfgLine(k, KeyText(st.RowMap[n].Note, numeric));
    out.WriteCfgLine(k + "Enabled", YN(st.RowOn[n - 1]));
    out.WriteCfgLine(k + "Vel", N(st.RowVel[n - 1]));
    out.WriteCfgLine(k + "AccVel", N(st.RowAccVel[n - 1]));
  }
  out.WriteCfgLine("Show" + f + "Chains", YN(st.ShowChains));
  out.WriteCfgLine(f + "ChainOn", YN(st.ChainOn));
  out.WriteCfgLine(f + "ChainNoStart", N(st.ChainNoStart + 1));
  for (int c = 0; c < kChainCount; ++c) {
    for (int s = 0; s < kChainStepCount; ++s) {
      const TChainStep& step = st.Chains[c][s];
      const std::string k = f + "Chain" + N(c + 1) + "-Step" + N(s + 1);
      out.WriteCfgLine(k + "-Style", N(step.Style + 1));
      out.WriteCfgLine(k + "-Patt", N(step.Pattern + kStylePatShownBase));
      out.WriteCfgLine(k + "-Rpts", N(step.Repeats));
      out.WriteCfgLine(k + "-Jump", N(step.Jump + 1));
    }
    out.Blank();
  }
  out.Sep();
}

void WriteDisplaySettings(TCfgText& out) {
  out.Sep();
  out.Comments({"Performance settings.",
                "These impact the loading on your PC; if you increase the load too much,",
                "functions such as mouse clicks, or programs such as soft synths, may misbehave.",
                "The Load 'lights' show which Vellorine functions are struggling to keep up.",
                "If the Input light comes on, the PC is too busy to handle incoming MIDI."});
  W(out, {"MaxActiveSeqs", "SeqPanelsDBuff"});
  out.Blank();
  out.WriteCfgLine("Misc display options (can also set these directly from the View menu),");
  W(out, {"DspTemplate", "TemplateOnTop", "TemplateChanNo", "TemplateRawPort", "QwertyRawPort"});
  out.WriteCfgLine("TemplateKeySize",
                   N(Cfg.TemplateKeySize >= 0 ? Cfg.TemplateKeySize : Cfg.TemplateKeySizeLoaded));
  W(out, {"TemplateShowKeys", "TemplateShowButtons", "TemplateShowHelp", "TemplatePosnSensitive"});
  out.WriteCfgLine("Key depression size, 1.." + N(5) + ", 1=off");
  W(out, {"TemplateAnimateSize"});
  out.WriteCfgLine("Key release decay, 1.." + N(4) + ", 1=off");
  W(out, {"TemplateAnimateDecay", "TemplateVelSensitive", "TemplateLeftKeyNo", "TemplateRightKeyNo",
          "TemplateQwertyDisabled", "DspScale", "DspTempoDiv", "DspSeqLen", "DspSeqGrid", "DspMidiActivity",
          "DspSolidTracks", "DspSeqNumPosn", "DspKModeTitleColours", "DspKModeInputColours",
          "DspProgVersionReqd"});
  out.Blank();
}

// The scope's initial settings, each after the line that gives its range.
constexpr std::pair<std::string_view, std::string_view> kScopeSettings[] = {
    {"Initial scope position, 1..22", "KinetracePosn"},
    {"Initial scope style, 1..2", "KinetraceStyle"},
    {"Initial blob size, small..large, 1..6", "KinetraceSize"},
    {"Initial blob decay, off..short..long, 1..4", "KinetraceDecay"},
    {"Initial blob tail, 1..9", "KinetraceTail"},
    {"Initial blob shape, 1..4", "KinetraceShape"},
};

void WriteKinetraceAndTimers(TCfgText& out) {
  W(out, {"DspKinetrace", "KinetraceDBuff"});
  for (const auto& [range, keyword] : kScopeSettings) {
    out.WriteCfgLine(range);
    W(out, {keyword});
  }
  out.WriteCfgLine("KinetraceImgFile", TextOrUnused(Cfg.KinetraceImgFile));
  out.WriteCfgLine("KinetraceImgVisible", YN(!Cfg.KinetraceImgFile.empty() && Cfg.KinetraceImgVisible));
  W(out, {"KinetraceImgStretch"});
  out.Blank();
  out.WriteCfgLine("Performance timers");
  W(out, {"IgnoreDriverTStamps", "MidiTimerInterval", "MidiTimerResolution", "DspStatusInterval",
          "DspMetrInterval", "DspDiagInterval"});
  out.Sep();
}

// One direction's allocated ports: their count, then each one's device and port name.
void WritePortNames(TCfgText& out, const std::string& dir, const std::string& prefix, int count,
                    const std::array<std::string, kPorts>& devNames,
                    const std::array<std::string, kPorts>& names) {
  out.WriteCfgLine("MIDI " + dir + " ports allocated to Vellorine");
  out.WriteCfgLine(prefix + "PortsAllocated", N(count));
  for (int n = 0; n < count; ++n) {
    out.WriteCfgLine(prefix + "Port" + N(n + 1) + "-DevName", TextOrUnused(devNames[n]));
    out.WriteCfgLine(prefix + "Port" + N(n + 1) + "-PortName", TextOrUnused(names[n]));
  }
  out.Blank();
}

void WritePortAllocation(TCfgText& out, const TCfgEngineVals& e, int ins, int outs) {
  WritePortNames(out, "input", "In", ins, e.InPortDevNames, e.InPortNames);
  WritePortNames(out, "output", "Out", outs, e.OutPortDevNames, e.OutPortNames);
  out.WriteCfgLine("Live-PortNo", N(e.LivePort + 1));
  out.WriteCfgLine("TarloOn", YN(e.TarloOn));
  out.WriteCfgLine("TarloSysEx-PortNo", N(e.TarloPortIndex < 0 ? 0 : e.TarloPortIndex + 1));
  out.WriteCfgLine("TarloSysEx-DevId", TextOrUnused(e.TarloDevIdText));
  out.Blank();
}

// Parts 1..9 and seqs 1..16 are written whatever this build holds; the ones beyond repeat its last.
const TCfgPartVals& PartVals(const TCfgEngineVals& e, int p, int s) {
  return e.Parts[std::min(p, kCfgParts) - 1][std::min(s, kCfgSeqs) - 1];
}
std::string PartSeq(int p, int s) {
  return "Part" + N(p) + "-Seq" + N(s);
}

void WritePartPorts(TCfgText& out, const TCfgEngineVals& e) {
  for (int p = 1; p <= 9; ++p) {
    for (int s = 1; s <= 16; ++s) out.WriteCfgLine(PartSeq(p, s) + "-PortNo", N(PartVals(e, p, s).Port + 1));
    if (p < 9) out.Blank();
  }
  out.Sep();
}

void WriteOutPortChannels(TCfgText& out, int outs) {
  W(out, {"AuxInPortReqd"});
  out.WriteCfgLine("Filter channels; 0 = no filter");
  W(out, {"MainInPortFilterChan", "AuxInPortFilterChan"});
  out.Blank();
  for (int n = 1; n <= outs; ++n)
    out.WriteCfgLine("Port" + N(n) + "-MIDIOutClocksEnabled", YN(Cfg.MIDIOutClocksEnabled[n - 1]));
  for (int n = 1; n <= outs; ++n)
    out.WriteCfgLine("Port" + N(n) + "-MidiOutSyncEnabled", YN(Cfg.MidiOutSyncEnabled[n - 1]));
  for (int n = 1; n <= outs; ++n) {
    const std::string k = "Port" + N(n);
    out.WriteCfgLine(k + "-MChanEnabled", YN(Cfg.MChanEnabled[n - 1]));
    out.WriteCfgLine(k + "-MChanMin", N(Cfg.MChanMin[n - 1] + 1));
    out.WriteCfgLine(k + "-MChanMax", N(Cfg.MChanMax[n - 1] + 1));
    out.WriteCfgLine("Pitch offsets for each channel; must be in range " + N(-12) + " to " + N(36));
    for (int c = 1; c <= kChans; ++c)
      out.WriteCfgLine(k + "-Chan" + N(c) + "-MChanPitchOffset", N(Cfg.MChanPitchOffset[n - 1][c - 1]));
  }
  out.Blank();
}

void WriteSyncAndProgs(TCfgText& out, const TCfgEngineVals& e, int outs) {
  W(out, {"MidiInSyncContEnabled", "MidiInSyncExtEnabled", "MidiInSyncIntEnabled", "InterpretLocalControl"});
  out.WriteCfgLine("LocalControlOn", YN(e.LocalControlOn != 0));
  W(out, {"RecIntSyncReqd", "RecRawSyncReqd", "ProgChangeCalibReqd"});
  out.Blank();
  for (int n = 1; n <= outs; ++n)
    out.WriteCfgLine("Port" + N(n) + "-ProgChangesEnabled", YN(e.ProgChangesEnabled[n - 1]));
  for (int n = 1; n <= outs; ++n)
    for (int c = 1; c <= kChans; ++c)
      out.WriteCfgLine("Port" + N(n) + "-Chan" + N(c) + "-Prog", N(e.PortChanProgs[n - 1][c - 1]));
  out.Blank();
  W(out, {"DefSelSeqsTransport", "DefSelSeqsPitch", "DefSelSeqsTime", "DefSelSeqsMidi", "DefSelSeqsPart",
          "DefSelSeqsReset", "DefSelSeqsDelete", "DefSelLivePitch", "DefSelLiveMidi", "DefSelLiveReset",
          "DisableHotkeys", "HotkeysTargetActiveWin", "HotkeysTargetWinName"});
  out.Blank();
  out.WriteCfgLine("MIDI controller volume level for use during reset, " + N(64) + ".." + N(127));
  W(out, {"CCVolResetValue", "CCFullPedalMin", "CCHalfPedalMin"});
  out.Blank();
}

void WriteLiveVals(TCfgText& out, const TCfgEngineVals& e, int outs) {
  for (int n = 1; n <= outs; ++n) out.WriteCfgLine("Live-Port" + N(n) + "-Chan", N(e.LiveChan[n - 1] + 1));
  out.WriteCfgLine("Live-SVel", N(e.LiveSVel));
  out.WriteCfgLine("Live-PitchLocked", YN(e.LivePitchLocked));
  out.WriteCfgLine("Live-FtsRoot", PitchClassName(e.LiveFtsRoot));
  out.WriteCfgLine("Live-FtsType", FtsCodeCfgName(e.LiveFtsType));
  out.Blank();
}

void WritePartVals(TCfgText& out, const TCfgEngineVals& e, int outs) {
  for (int p = 1; p <= 9; ++p)
    for (int s = 1; s <= 16; ++s) {
      for (int n = 1; n <= outs; ++n)
        out.WriteCfgLine(PartSeq(p, s) + "-Port" + N(n) + "-Chan", N(PartVals(e, p, s).Chan[n - 1] + 1));
      if (outs > 1) out.Blank();
    }
  out.Blank();
  for (int p = 1; p <= 9; ++p) {
    for (int s = 1; s <= 16; ++s) out.WriteCfgLine(PartSeq(p, s) + "-SVel", N(PartVals(e, p, s).SVel));
    for (int s = 1; s <= 16; ++s) out.WriteCfgLine(PartSeq(p, s) + "-Muted", YN(PartVals(e, p, s).Muted));
    for (int s = 1; s <= 16; ++s) {
      out.WriteCfgLine(PartSeq(p, s) + "-FtsRoot", PitchClassName(PartVals(e, p, s).FtsRoot));
      out.WriteCfgLine(PartSeq(p, s) + "-FtsType", FtsCodeCfgName(PartVals(e, p, s).FtsType));
    }
    for (int s = 1; s <= 16; ++s)
      out.WriteCfgLine(PartSeq(p, s) + "-PitchLocked", YN(PartVals(e, p, s).PitchLocked));
    if (p < 9) out.Blank();
  }
  out.Sep();
}

void WriteTimingAndMetr(TCfgText& out) {
  out.WriteCfgLine("Initial timing values.");
  W(out, {VEL_CFG_TIMING_A(VEL_CFG_KEYWORD) VEL_CFG_BAR_A(VEL_CFG_KEYWORD) VEL_CFG_TIMING_B(VEL_CFG_KEYWORD)
              VEL_CFG_BAR_B(VEL_CFG_KEYWORD) VEL_CFG_TIMING_C(VEL_CFG_KEYWORD)});
  out.Blank();
  W(out, {VEL_CFG_AUTOHOLD(VEL_CFG_KEYWORD)});
  out.Blank();
  W(out, {VEL_CFG_RECORDING(VEL_CFG_KEYWORD)});
  out.Blank();
  W(out, {"MetrSeqNo"});
  out.WriteCfgLine("No. of bars for metronome cycle, 1.." + N(4));
  W(out, {"MetrBars", "MetrTypePitchLocked", "MetrModeStyles", "MetrDrumChan", "MetrBassChan",
          "MetrBassBarNote", "MetrBassBeatNote", "MetrDrumBarNote", "MetrDrumBeatNote", "MetrBassBarSVel",
          "MetrBassBeatSVel", "MetrDrumBarSVel", "MetrDrumBeatSVel", "MetrFill", "MetrNoteLenFrac",
          "MetrNoteOnPercent", "MetrStartOnLeft"});
  out.Sep();
}

}  // namespace

void WriteCfgPerformance(TCfgText& out, uint8_t kind) {
  const TCfgEngineVals& e = CfgEngine;
  if (kind == CfgFull) {
    WriteDisplaySettings(out);
    WriteKinetraceAndTimers(out);
    const int ins = std::clamp<int>(e.InPortsAllocated + 1, 0, kPorts);
    const int outs = std::clamp<int>(e.OutPortsAllocated + 1, 0, kPorts);
    WritePortAllocation(out, e, ins, outs);
    WritePartPorts(out, e);
    WriteOutPortChannels(out, outs);
    WriteSyncAndProgs(out, e, outs);
    WriteLiveVals(out, e, outs);
    WritePartVals(out, e, outs);
    WriteTimingAndMetr(out);
  }
  if (kind == CfgFull || kind == CfgDrumsOnly) WriteStyleSettings(out, DrumStore);
  if (kind == CfgFull || kind == CfgBassOnly) WriteStyleSettings(out, BassStore);
}

void WriteCfgKeyMapsIntro(TCfgText& out, const TCfgSaveState& st) {
  out.Comments({"Key maps.",
                "These maps can also be changed using the on-screen key mapper.",
                "",
                "Each mode has its own map for maximum flexibility.",
                "You can map similar functions in each mode to the same key",
                "or map the same function to multiple keys, etc.",
                "",
                "Some examples are:-",
                " - a live Cmd key at both ends of the keyboard,",
                "   e.g. LiveCmd is C1 and C4.",
                " - a different Esc key in each mode,",
                "   e.g. RecEsc is C1, NumEsc is C4.",
                " - the same key to be the Esc key in each mode,",
                "   e.g. CmdEsc, RecEsc, NumEsc are all C1.",
                " - a live Cmd key & a command subset to each octave on 1-octave keyboards,",
                "   e.g. LiveCmd is C1,C2,C3, CmdPlay is C#1,C#2,C#3, CmdStop is E1,E2,E3 etc.",
                " - command keys replicated at both ends of large keyboards.",
                "",
                "Entries can be in any order, and are of the form: Function name = Key ident(s)",
                "Function names are prefixed by their mode,",
                "e.g. Cmd (command), Rec (record), etc.",
                "",
                "Key idents can be any mix of numeric (0-127) or note-octave names (see below).",
                "This defines your preferred format when the config is subsequently saved:-"});
  W(out, {"KeyDefsNumeric"});
  out.Blank();
  out.Comments({"Note-octave names are the name of the note followed by an octave number.",
                "There is no MIDI standard for numbering octaves,",
                "although middle C is defined to be note number 60 (counting from 0 to 127)."});
  out.WriteCfgLine("Vellorine uses a convention where C" + N(3) + " is middle C, so the range is -2 to 8.");
  out.Comments({"The '0' for octave 0 is optional.",
                "",
                "The full 128-key range goes from:-",
                "C-2, C#-2, D-2 etc... (where -2 is the lowest octave)",
                "C-1, C#-1, D-1 etc...",
                "C, C#, D etc...",
                "C1, C#1, D1 etc...",
                "C2, C#2, D2 etc...",
                "C3 (middle C), C#3, D3 etc...",
                "... etc. for each octave, up to the highest octave 8...",
                "C8, C#8, D8 ... G8 (highest note)",
                "",
                "Key names can be single items or combined in one or more comma-separated lists,",
                "indicated by '..' and not '-' to avoid confusion with -ve octave nos.),",
                "e.g.:-",
                "  CmdPlay = C#1",
                "  CmdStop = D2..F#2",
                "  RecIgnore = C-2..B, G2, C4..G8",
                "",
                "Can also use 's' instead of '#' for sharps if your PC keyboard",
                "has problems, e.g. Fs2 is the same as F#2",
                "",
                "Functions can be mapped to one or more keys as required.",
                "If a function is not required, either miss it out or",
                "map it to the value 'Unused' (without the quotes)",
                "e.g. if you don't want the 'PlayMute1' command, enter: CmdPlayMute1 = Unused",
                "",
                "Any keys undefined are mapped automatically to the 'ignore' function."});
  out.Sep();
  out.WriteCfgLine("Initial octave offset " + N(-9) + " to +" + N(9) +
                   " for MIDI control keys on main & aux input ports.");
  out.Comments({"Allows key maps to track keyboards with switchable octaves.",
                "e.g. if you have Cmd on C1, Play on C#1 etc.",
                "then by setting offset to +1, the maps will move to Cmd on C2, Play on C#2 etc.",
                "This does not affect Live/Record keys, already shifted by your keyboard."});
  const int ins = std::min<int>(CfgEngine.InPortsAllocated + 1, kCfgControlInputs);
  for (int n = 0; n < ins; ++n)
    out.WriteCfgLine("InPort" + N(n + 1) + "-OctaveOffset", N(st.SavedOctaveOffset[n]));
  out.Blank();
  out.Comments({"Octave offsets can be set via the on-screen button or",
                "the run-time Calib command. These are the Cmd keys to be used for",
                "calculating the offset for main & aux input ports. Each port can have",
                "its own Cmd key, but they must be the same basic note, e.g. C1 & C3."});
  for (int n = 0; n < ins; ++n)
    out.WriteCfgLine("InPort" + N(n + 1) + "-LiveCmdKey",
                     KeyText(st.SavedLiveCmdKey[n], Cfg.KeyDefsNumeric != 0));
  out.Sep();
  out.Sep();
  out.Comments({"To merge your old key maps into a new release, please do the following:-", "   either...",
                "Save your old key maps to a separate file using Config, Save, Key maps...",
                "then load them into the new release: Config, Load, Key maps...", "   or...",
                "Save the full config of the new release to a file: click Config, Save, All...",
                "then manually overwrite the defns with yours, e.g. using copy/paste."});
  out.Sep();
}

namespace {

std::string PadKeyword(std::string_view k) {
  return PadStr(std::string(k), 4, ' ');
}

// The keyword of grid row i: its short name, else "r" + its number, else its note, the first that the
// reader takes back to row i (a name may be "AC" or another row's, or be empty).
std::string GridKeyword(const std::array<TStyleRowDef, kStyleRows>& readMap, int i, bool numeric) {
  if (i == 0) return "AC";
  const std::string candidates[] = {readMap[i].ShortName.Str(), "r" + N(i + 1),
                                    KeyText(readMap[i].Note, numeric)};
  for (const std::string& kw : candidates)
    if (!kw.empty() && CfgRowOfKeyword(readMap, kw) == i) return kw;
  return candidates[1];
}

// The row-map lines; returns the row map as the reader will rebuild it from them.
std::array<TStyleRowDef, kStyleRows> WriteRowMap(TCfgText& out, const TStyleStore& st, bool numeric) {
  for (int r = 1; r < kStyleRows; ++r) {
    const TStyleRowDef& d = st.RowMap[r];
    std::string value;
    if (d.Note == d.MappedNote) {
      value = TextOrUnused(CfgFreeText(d.ShortName.View(), kStyleShortNameLen, true));
      const std::string longName = CfgFreeText(d.LongName.View(), kStyleLongNameLen);
      if (!longName.empty()) value += ", " + longName;
    } else {
      value = "r" + N(r + 1);
    }
    out.WriteCfgLine(PadKeyword(KeyText(d.Note, numeric)), value);
  }
  std::array<TStyleRowDef, kStyleRows> readMap = st.RowMap;
  for (int r = 1; r < kStyleRows; ++r) {
    TStyleRowDef& d = readMap[r];
    d.ShortName =
        d.Note == d.MappedNote ? CfgFreeText(d.ShortName.View(), kStyleShortNameLen, true) : "r" + N(r + 1);
  }
  return readMap;
}

// Each style with its main and break patterns; grid rows are named as readMap names them.
void WriteStyles(TCfgText& out, const TStyleStore& st, const std::array<TStyleRowDef, kStyleRows>& readMap,
                 bool numeric) {
  // An empty line, then the header's value: the time signature and the name when there is one.
  auto patternHead = [&](const TStylePattern& pat) {
    out.Blank();
    std::string head = N(pat.TSigNum) + "/" + N(pat.TSigDen);
    const std::string name = CfgFreeText(pat.Name.View(), kStylePatNameLen);
    if (!name.empty()) head += ", " + name;
    return head;
  };
  auto writeRows = [&](const TStylePattern& pat) {
    bool any = false;
    for (int i = 0; i < kStyleRows; ++i) {
      std::string steps = pat.Rows[i].Str();
      if (steps.empty()) {
        if (i != kStyleRows - 1 || any) continue;
        steps.assign(static_cast<std::size_t>(std::clamp(pat.Steps, 1, kStyleMaxSteps)), '.');
      }
      any = true;
      out.WriteCfgLine(PadKeyword(GridKeyword(readMap, i, numeric)), steps);
    }
  };
  for (int s = 0; s <= std::min(st.LastStyle, kStyleCount - 1); ++s) {
    const TStyleHeader& h = st.Styles[s];
    out.Sep();
    out.WriteCfgLine("Style", TextOrUnused(CfgFreeText(h.Name.View(), kStyleNameLen)));
    for (int p = 0; p <= std::min(h.LastMain, kStyleMainCount - 1); ++p) {
      out.WriteCfgLine("Main", patternHead(st.Patterns[s][p]));
      writeRows(st.Patterns[s][p]);
    }
    out.Sep();
    for (int p = kStyleFirstBreak; p <= kStyleFirstBreak + std::min(h.LastBreak, kStyleBreakCount - 1); ++p) {
      out.WriteCfgLine("Break", patternHead(st.Patterns[s][p]));
      writeRows(st.Patterns[s][p]);
    }
  }
}

// How a pattern section is laid out, with examples of the family.
void WritePatternFormatHelp(TCfgText& out, bool drum, const std::string& f) {
  out.Sep();
  out.WriteCfgLine(f + " metronome patterns");
  out.Comments({"N.B. Metronome patterns must be the final sections in a config file;",
                "any non-pattern entries after these sections will be ignored."});
  out.WriteCfgLine(f + " patterns start with a section identifier:-");
  out.WriteCfgLine("  PatternSection = " + f);
  out.Blank();
  out.WriteCfgLine("...followed by " + N(kStyleInstRows) + " grid note-map entries");
  out.Comments({"in the order required on the Settings screen:-", "  key-ident = short-name, long-name",
                "  where key-idents are numeric or note-octaves as used in Key Maps",
                "  and long-name is optional"});
  if (drum)
    out.Comments({"  e.g. G1 = HFT, High floor tom", "       36 = BD", "       F#1 = CH, Closed hi-hat", ""});
  else
    out.Comments({"  e.g. G1 = N2, Note 2", "       36 = N3", "       F#1 = BAS, Bass note", ""});
  out.Comments({"...followed by one or more style headers:-", "  Style = style-name", "",
                "Each style header is followed by one or more pattern headers:-",
                "either: Main = time-sig, pat-name", "or:     Break = time-sig, pat-name",
                "  where pat-name is an optional name for the pattern", "  e.g. Main = 3/4",
                "  e.g. Break = 3/4, Simple", ""});
  out.WriteCfgLine("Each pattern header is followed by 1 to " + N(kStyleRows) + " rows of grid entries,");
  out.WriteCfgLine("where each grid entry is:-");
  out.WriteCfgLine("  key-ident or short-name as above = step-codes for one bar (" + N(kStyleMaxSteps) +
                   " steps max)");
  out.WriteCfgLine(drum ? "  e.g. BD  = x.....x....." : "  e.g. N2  = x.....x.....");
  out.Comments(
      {"       D#2 = x..x..x..xxx", "", "A special key-ident AC can be used for accented steps if required",
       "  e.g. AC = x...x...x...x...",
       "Rows can be in any order except for AC, which must be the first row if used",
       "You can mix & match note-names & short-names as reqd.", "", "Step-codes can be:-", "  . - rest"});
  if (drum)
    out.Comments(
        {"  x - beat", "  f - rest plus flam before next step", "  b - beat plus flam before next step"});
  else
    out.Comments({"  x - note; duration controlled by metr gate-time", "  t - tie note to next step",
                  "  f - rest plus flam/grace note before next step",
                  "  b - note plus flam/grace note before next step"});
  out.Blank();
  out.WriteCfgLine("  e.g. AC = x...x...x...");
  if (drum)
    out.Comments({"       SD = x...x..fx...", "       C1 = x..bx.x....."});
  else
    out.Comments({"       G1 = ttttx..fx...", "       C1 = x..bx.x...tt"});
}

void WritePatternLimits(TCfgText& out, bool drum) {
  out.Sep();
  out.WriteCfgLine(drum ? "Current size limits for drum patterns:-"
                        : "Current size limits for Bass patterns:-");
  out.WriteCfgLine("  No. of styles: 1 to " + N(kStyleCount));
  out.WriteCfgLine("  No. of main patterns within each style: 1 to " + N(kStyleMainCount));
  out.WriteCfgLine("  No. of break patterns within each style: 1 to " + N(kStyleBreakCount));
  out.WriteCfgLine("  Each style must have at least one main and one break pattern");
  out.WriteCfgLine("  No. of chars in short name: 1 to " + N(kStyleShortNameLen));
  out.WriteCfgLine("  No. of chars in long name: 0 to " + N(kStyleLongNameLen));
  out.WriteCfgLine("  No. of chars in style name: 1 to " + N(kStyleNameLen));
  out.WriteCfgLine("  No. of rows in each pattern (incl Accent row): 1 to " + N(kStyleRows));
  out.WriteCfgLine("  No. of steps within each pattern: 1 to " + N(kStyleMaxSteps));
  out.Sep();
}

// How to carry patterns over to a new release.
void WritePatternMergeHelp(TCfgText& out, bool drum, const std::string& f) {
  const std::string lower = drum ? "drum" : "bass";
  out.WriteCfgLine("To merge your old " + lower + " patterns into a new release, please do the following:-");
  out.WriteCfgLine("   either...");
  out.WriteCfgLine("Save your old patterns to a separate file using Config, Save, " + f + "...");
  out.WriteCfgLine("then load them into the new release: Config, Load, " + f + "...");
  out.Comments({"   or...", "Save the full config of the new release to a file: click Config, Save, All...",
                "then manually overwrite the pattern definitions with yours, e.g. via copy/paste."});
  out.Sep();
}

void WritePatterns(TCfgText& out, uint8_t kind, const TStyleStore& st) {
  const bool drum = st.Traits->Name == "Drum";
  const std::string f(st.Traits->Name);
  WritePatternFormatHelp(out, drum, f);
  WritePatternLimits(out, drum);
  if (kind == CfgFull) WritePatternMergeHelp(out, drum, f);
  out.WriteCfgLine("PatternSection", f);
  out.Blank();
  out.WriteCfgLine(f + " note-maps; one for each pattern row displayed in Settings, Metronome...");
  out.Comments({"N.B. short/long-names are only for convenience when editing configs manually;",
                "they are converted to row nos. if the mapping is changed via Settings", "",
                "AC = AC, Accent, row 1"});
  const bool numeric = Cfg.KeyDefsNumeric != 0;
  WriteStyles(out, st, WriteRowMap(out, st, numeric), numeric);
}

}  // namespace

void WriteDrumPatterns(TCfgText& out, uint8_t kind) {
  if (kind == CfgFull || kind == CfgDrumsOnly) WritePatterns(out, kind, DrumStore);
}

void WriteBassPatterns(TCfgText& out, uint8_t kind) {
  if (kind == CfgFull || kind == CfgBassOnly) WritePatterns(out, kind, BassStore);
}

TCfgSaveState InitialSaveState(uint8_t kind) {
  TCfgSaveState st;
  st.Kind = kind;
  for (int i = 0; i < kCfgControlInputs; ++i) {
    st.SavedOctaveOffset[i] = Cfg.InPortOctaveOffset[i].load(std::memory_order_relaxed);
    st.SavedLiveCmdKey[i] = Cfg.InPortLiveCmdKey[i].load(std::memory_order_relaxed);
  }
  return st;
}

namespace {
// Input 2's offset is written (two input ports at least): it then compensates the shift.
bool AuxWritten() {
  return CfgEngine.InPortsAllocated >= 1;
}
}  // namespace

std::string NormaliseQuestion(const TCfgSaveState& st, bool& auxAdjustable, int32_t& auxOffset) {
  auxAdjustable = false;
  auxOffset = 0;
  const int32_t m = st.SavedOctaveOffset[0];
  if (st.Kind != CfgFull || m == 0 || CfgEngine.InPortsAllocated < 0) return {};
  // The calibrate key must stay a key: a question whose Yes would write a key outside 0..127 is not
  // offered.
  const int32_t key1 = st.SavedLiveCmdKey[0] + 12 * m;
  if (key1 < 0 || key1 > 127) return {};
  std::string q = "Saving key maps...\r\nMain port 1 has an octave offset of " +
                  (CfgEngine.OctOffsetLabel.empty() ? N(m) : CfgEngine.OctOffsetLabel) + "\r\n" +
                  "Do you want to normalise (i.e. adjust all keys at source so offset is 0 at next load)?";
  if (AuxWritten()) {
    // Input 2's keys stay where they were when its offset loses what input 1's did.
    const int32_t v = st.SavedOctaveOffset[1] - m;
    const int32_t key2 = st.SavedLiveCmdKey[1] + 12 * m;
    if (v >= -9 && v <= 9 && key2 >= 0 && key2 <= 127) {
      auxAdjustable = true;
      auxOffset = v;
      q += "\r\n(Aux port 2 offset will be saved as " + std::string(v >= 0 ? "+" : "") + N(v) +
           " to compensate)";
    } else {
      q += "\r\nWarning: Aux port 2 offset cannot be adjusted as it would be out of range";
    }
  }
  return q;
}

void ApplyNormalise(TCfgSaveState& st) {
  bool aux = false;
  int32_t v = 0;
  NormaliseQuestion(st, aux, v);
  const int32_t m = st.SavedOctaveOffset[0];
  st.KeyShift = 12 * m;
  st.SavedOctaveOffset[0] = 0;
  st.SavedLiveCmdKey[0] += 12 * m;
  if (aux) {
    st.SavedOctaveOffset[1] = v;
    st.SavedLiveCmdKey[1] += 12 * m;
  }
}

std::string BuildCfgText(const TCfgSaveState& st) {
  TCfgText out;
  out.Str().reserve(st.Kind == CfgFull ? 400000 : 100000);
  WriteCfgHeader(out, st.Kind);
  if (st.Kind == CfgFull) WriteCfgGeneral(out);
  if (st.Kind == CfgFull || st.Kind == CfgColoursOnly) WriteCfgColours(out);
  WriteCfgPerformance(out, st.Kind);
  if (st.Kind == CfgFull) WriteCfgKeyMapsIntro(out, st);
  if (st.Kind == CfgFull || st.Kind == CfgKeyMapsOnly)
    WriteCfgKeyMaps(out, st.KeyShift, Cfg.KeyDefsNumeric != 0);
  WriteDrumPatterns(out, st.Kind);
  WriteBassPatterns(out, st.Kind);
  return std::move(out.Str());
}

namespace {

void FileError(const std::string& what, const std::string& fileName, const std::string& sysText) {
  const std::string msg = FormatFileMsg(what, fileName) + "\r\n" + sysText;
  LogCfgIfDiag(msg);
  ShowMessage(msg, MsgKind::Error);
}

bool WriteFile(const std::string& fileName, std::string_view text) {
  std::string stage;
  std::string error;
  if (ReplaceFileAtomically(fileName, text, stage, error)) return true;
  FileError(stage == "create"  ? "Cannot create config file"
            : stage == "write" ? "Cannot write to config file"
                               : "Cannot close config file",
            fileName, error);
  return false;
}

// Before the first save over a file whose load failed in this run, its bytes are kept beside it as
// <name>.bak: the user's work is never replaced by factory values without a trace. False (and the
// file left alone) when the copy cannot be made.
bool KeepRefusedFile(const std::string& fileName) {
  if (!IsRefusedCfgFile(fileName)) return true;
  std::string bytes;
  if (::access(fileName.c_str(), F_OK) != 0) {
    ForgetRefusedCfgFile(fileName);  // gone meanwhile: nothing to keep
    return true;
  }
  if (!ReadFileBytes(fileName, bytes)) {
    FileError("Cannot open config file", fileName, std::strerror(errno));
    return false;
  }
  const std::string bak = fileName + ".bak";
  if (!WriteFile(bak, bytes)) return false;
  ForgetRefusedCfgFile(fileName);
  const std::string text = "Previous settings file kept as " + bak.substr(bak.find_last_of('/') + 1);
  LogCfgIfDiag(text);
  if (CfgLink().SetStatusText) CfgLink().SetStatusText(text);
  return true;
}

// The text is made under the engine lock (the timer thread glides the tempo, the key path changes
// maps and settings); the file is written after it is let go.
std::string LockedCfgText(const TCfgSaveState& st) {
  std::lock_guard lock(EngineLock);
  return BuildCfgText(st);
}

// The file written, and the status line says where: a save otherwise gives no sign that it worked.
bool WriteCfgFile(const std::string& fileName, const TCfgSaveState& st) {
  if (!WriteFile(fileName, LockedCfgText(st))) return false;
  if (CfgLink().SetStatusText) CfgLink().SetStatusText("Settings saved to " + fileName);
  return true;
}

bool AskNormalise(TCfgSaveState& st) {
  bool aux = false;
  int32_t v = 0;
  const std::string q = NormaliseQuestion(st, aux, v);
  if (q.empty()) return true;
  const MsgAnswer a = ShowMessage(q, MsgKind::Confirmation, MsgButtons::YesNoCancel);
  if (a == MsgAnswer::Cancel) {
    LogCfgIfDiag("Save config cancelled");
    return false;
  }
  if (a == MsgAnswer::Yes) ApplyNormalise(st);
  return true;
}

}  // namespace

bool SaveConfigFileAs(const std::string& fileName, uint8_t kind, bool named) {
  if (CfgLink().Capture) CfgLink().Capture(CfgEngine);
  TCfgSaveState st = InitialSaveState(kind);
  if (!AskNormalise(st)) return true;
  if (!KeepRefusedFile(fileName)) return false;
  const bool ok = WriteCfgFile(fileName, st);
  if (ok && named) Cfg.LastSavedConfigFolder = FolderOf(fileName);
  return ok;
}

bool SaveConfigFile(bool toDefault, uint8_t kind) {
  static constexpr const char* kTitles[] = {"Save full config", "Save colour config", "Save keymap config",
                                            "Save drum config", "Save bass config"};
  if (kind > CfgBassOnly) ReportDesignError("SaveConfigFile error: unexpected ConfigFileSubSection");
  if (CfgLink().Capture) CfgLink().Capture(CfgEngine);
  TCfgSaveState st = InitialSaveState(kind);
  // The question comes before the file name, as the user expects: Cancel touches nothing.
  if (!AskNormalise(st)) return true;
  std::string fileName;
  if (toDefault) {
    fileName = DefaultCfgFileName();
    const std::string folder = SettingsFolder();
    struct stat sb {};
    if (::stat(folder.c_str(), &sb) != 0) {
      // Make the folder and its parent (~/.config may not exist yet).
      ::mkdir(FolderOf(folder).c_str(), 0777);
      if (::mkdir(folder.c_str(), 0777) != 0 && errno != EEXIST)
        ShowMessage("Fail to create data folder\r\n" + folder + "\r\n" + std::strerror(errno),
                    MsgKind::Error);
    }
  } else {
    const char* title = kind <= CfgBassOnly ? kTitles[kind] : kTitles[0];
    if (CfgLink().SaveDialog) fileName = CfgLink().SaveDialog(title, Cfg.LastSavedConfigFolder);
    if (fileName.empty()) {
      LogCfgIfDiag("Save config cancelled");
      return true;
    }
  }
  if (!KeepRefusedFile(fileName)) return false;
  const bool ok = WriteCfgFile(fileName, st);
  if (ok && !toDefault) Cfg.LastSavedConfigFolder = FolderOf(fileName);
  return ok;
}

}  // namespace vel
