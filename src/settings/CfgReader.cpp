#include "settings/CfgReader.h"

#include <unistd.h>

#include <algorithm>
#include <memory>
#include <mutex>
#include <unordered_set>

#include "base/EngineLock.h"
#include "base/General.h"
#include "base/Messages.h"
#include "base/Showing.h"
#include "base/UiHooks.h"
#include "keymaps/KeyMaps.h"
#include "keymaps/KeyMapsFactory.h"
#include "settings/CfgFactory.h"
#include "settings/CfgKeyLists.h"
#include "settings/CfgLimits.h"
#include "settings/CfgLink.h"
#include "settings/CfgPatterns.h"
#include "styles/StyleChains.h"
#include "styles/StyleStore.h"

namespace vel {

namespace {

bool DiagOn() {
  return Trace.DiagFlags.load(std::memory_order_relaxed) != 0;
}
std::string N(int32_t n) {
  return std::to_string(n);
}

}  // namespace

// ---------------------------------------------------------------------------------------------------
// Entries

std::string TCfgLoad::GetCfgValue(std::string_view keyword) {
  Value.clear();
  const auto it = Index.find(LowerCase(keyword));
  if (it == Index.end()) {
    if (DiagOn()) LogCfgIfDiag("Warning: Keyword '" + std::string(keyword) + "' missing");
    return {};
  }
  const TCfgEntry& e = Entries[it->second];
  LineNo = e.LineNo;
  if (EqualsNoCase(e.Value, "Unused")) return {};
  if (e.Value.empty()) {
    if (DiagOn())
      LogCfgIfDiag(FormatFileMsg(
          "Value missing for keyword '" + std::string(keyword) + "' at line " + N(LineNo) + " in config file",
          FileName));
    return {};
  }
  Value = e.Value;
  return e.Value;
}

bool TCfgLoad::Illegal() {
  if (Error.empty())
    Error = FormatFileMsg("Illegal value '" + Value + "' at line " + N(LineNo) + " in config file", FileName);
  return false;
}

bool TCfgLoad::IllegalKeyMap(const std::string& list) {
  if (Error.empty())
    Error = FormatFileMsg("Illegal Key Map value '" + list + "' at line " + N(LineNo) + " in config file",
                          FileName);
  return false;
}

bool ReadCfgEntries(TCfgLoad& L, std::string_view text) {
  TCfgLines lines(text);
  TCfgEntry entry;
  bool valid = false;
  std::string kept;
  L.Entries.reserve(4096);
  L.Index.reserve(4096);
  while (lines.Next(entry, valid, kept)) {
    const int32_t lineNo = lines.LineNo();
    if (!valid) {
      L.Error =
          FormatFileMsg("Invalid entry '" + kept + "' at line " + N(lineNo) + " in config file", L.FileName);
      // The pass stops at the first fault.
      return false;
    }
    if (EqualsNoCase(entry.Keyword, "PatternSection")) break;
    entry.LineNo = lineNo;
    L.Index.emplace(LowerCase(entry.Keyword), L.Entries.size());
    L.Entries.push_back(entry);
  }
  return true;
}

// ---------------------------------------------------------------------------------------------------
// Reading one setting

namespace {

// The value of a keyword, or the default text when it is empty.
std::string Get(TCfgLoad& L, std::string_view kw, std::string_view def) {
  std::string v = L.GetCfgValue(kw);
  if (v.empty()) {
    v = def;
    L.Value = v;
  }
  return v;
}

bool Bool(TCfgLoad& L, std::string_view kw, bool def) {
  return YNToBool(Get(L, kw, BoolToYN(def)));
}

// A number; false (and the error) when the text is not one or lies outside lo..hi.
bool Int(TCfgLoad& L, std::string_view kw, int32_t def, int32_t lo, int32_t hi, int32_t& out) {
  if (!L.Error.empty()) return false;
  const std::optional<int32_t> v = ParseInt(Get(L, kw, N(def)));
  if (!v || *v < lo || *v > hi) return L.Illegal();
  out = *v;
  return true;
}

// A number clamped into lo..hi; false only when the text is not a number.
bool Clamped(TCfgLoad& L, std::string_view kw, int32_t def, int32_t lo, int32_t hi, int32_t& out) {
  if (!Int(L, kw, def, INT32_MIN, INT32_MAX, out)) return false;
  out = std::clamp(out, lo, hi);
  return true;
}

// A key: a number or a note name 0..127; -1 when the text names no note; a note beyond 127 is illegal.
bool Key(TCfgLoad& L, std::string_view kw, std::string_view def, int32_t& out) {
  if (!L.Error.empty()) return false;
  const std::string text = Get(L, kw, def);
  // "-1" is how a setting that names no note is written back.
  const std::optional<int32_t> n = ParseInt(text);
  if (n && (*n < -1 || *n > 127)) return L.Illegal();
  const int32_t k = NoteNameToNo(text);
  if (k > 127) return L.Illegal();
  out = k;
  return true;
}

// Older keywords: read in place of the current one in files below the version.
struct TOldName {
  std::string_view Current;
  std::string_view Older;
  int32_t Below;
  bool Inverted;
};
constexpr TOldName kOldNames[] = {
    {"NoviceMode", "BeginnersMode", 716, false},
    {"LoadExtScenes", "TreatExtMidiAsFull", 907, false},
    {"LnTempoStep", "TempoIncrement", 1005, false},
    {"LoadProgChanges", "DiscardMidiProgChanges", 1012, true},
    {"CCFullPedalMin", "KinetraceFullPedalMin", 1021, false},
    {"CCHalfPedalMin", "KinetraceHalfPedalMin", 1021, false},
    {"DefSelSeqsTransport", "NoDefSelTransport", 1206, true},
    {"DefSelSeqsPitch", "NoDefSelPitch", 1206, true},
    {"DefSelSeqsTime", "NoDefSelTime", 1206, true},
    {"DefSelSeqsMidi", "NoDefSelMidi", 1206, true},
    {"DefSelSeqsPart", "NoDefSelPart", 1206, true},
    {"DefSelSeqsReset", "NoDefSelReset", 1206, true},
    {"DefSelSeqsDelete", "NoDefSelDelete", 1206, true},
    {"SRecChordDetectReqd", "StepRecChordDetectReqd", 1210, false},
    {"SRecChordDetectThreshold", "StepRecChordDetectThreshold", 1210, false},
    {"RecIntAttribSrcLive", "RecAttribSrcLive", 1210, false},
    {"RecIntAttribSrcToLive", "RecAttribSrcToLive", 1210, false},
};
// Before 8.02 the double-press switches were numbers under other keywords.
constexpr std::pair<std::string_view, std::string_view> kOldDPress[] = {
    {"DPressDeleteSeqsReqd", "DPressInterval-DeleteSeqs"},
    {"DPressResetSeqsReqd", "DPressInterval-ResetSeqs"},
    {"DPressCalibrateReqd", "DPressInterval-Calibrate"},
    {"DPressLoadReqd", "DPressInterval-Load"},
    {"DPressSaveReqd", "DPressInterval-Save"},
};

template <class T>
void Store(const CfgVarRef& var, T v) {
  std::visit(
      [&](auto* p) {
        using P = std::remove_pointer_t<decltype(p)>;
        if constexpr (std::is_same_v<P, std::string>) {
        } else {
          *p = static_cast<P>(v);
        }
      },
      var);
}

// The keyword a file below the version wrote in place of the current one; `inverted` when its Y/N
// meant the opposite.
std::string_view ScalarKeyword(const TCfgLoad& L, std::string_view kw, bool& inverted) {
  inverted = false;
  for (const TOldName& o : kOldNames)
    if (o.Current == kw && L.Version < o.Below) {
      kw = o.Older;
      inverted = o.Inverted;
    }
  return kw;
}

// A double-press switch of a file before 8.02, read from its older number; false when `kw` is none.
bool ReadOldDPress(TCfgLoad& L, const CfgScalar& s, std::string_view kw, bool& ok) {
  for (const auto& [cur, old] : kOldDPress)
    if (cur == kw && L.Version < 802) {
      ok = true;
      if ((cur == "DPressLoadReqd" || cur == "DPressSaveReqd") && L.Version < 633) {
        Store(s.Var, 1);
        return true;
      }
      const std::string v = L.GetCfgValue(old);
      const std::optional<int32_t> n = ParseInt(v);
      if (!v.empty() && !n)
        ok = L.Illegal();
      else
        Store(s.Var, v.empty() || *n != 0 ? 1 : 0);
      return true;
    }
  return false;
}

bool ReadYNScalar(TCfgLoad& L, const CfgScalar& s, std::string_view kw, bool inverted) {
  bool def = s.Form == CfgForm::YNNot ? s.Factory == 0 : s.Factory != 0;
  if (inverted) def = !def;
  bool v = Bool(L, kw, def);
  if (inverted) v = !v;
  Store(s.Var, s.Form == CfgForm::YNNot ? !v : v);
  return true;
}

bool ReadTextScalar(TCfgLoad& L, const CfgScalar& s, std::string_view kw) {
  std::string v = L.GetCfgValue(kw);
  if (v.empty() && s.Form == CfgForm::Folder) v = UserProfileFolder();
  // One matching pair of quotes comes off; older files wrote the title bare.
  if (s.Form == CfgForm::WinTitle && L.Version >= 1202 && v.size() >= 2 &&
      (v.front() == '\'' || v.front() == '"') && v.back() == v.front())
    v = v.substr(1, v.size() - 2);
  *std::get<std::string*>(s.Var) = v;
  return true;
}

bool ReadTempoScalar(TCfgLoad& L, const CfgScalar& s, std::string_view kw) {
  const std::optional<int32_t> t = StrToTempo(Get(L, kw, TempoToStr(s.Factory)));
  if (!t) return L.Illegal();
  Store(s.Var, std::clamp(*t, 2000, 32000));
  return true;
}

bool ReadKeyScalar(TCfgLoad& L, const CfgScalar& s, std::string_view kw) {
  int32_t k = 0;
  if (!Key(L, kw, KeyText(s.Factory, false), k)) return false;
  Store(s.Var, k);
  return true;
}

// The range outside which a number is illegal; the whole int range when it has none.
void IllegalOutside(std::string_view keyword, int32_t& lo, int32_t& hi) {
  const std::optional<TCfgRange> r = CfgRangeOf(keyword);
  const bool refused = r && !r->KeptInside;
  lo = refused ? r->Lo : INT32_MIN;
  hi = refused ? r->Hi : INT32_MAX;
}

// A number as shown (counted from 1) or in seconds, stored counted from 0 or in milliseconds.
bool ReadIntScalar(TCfgLoad& L, const CfgScalar& s, std::string_view kw) {
  const int32_t shown = s.Form == CfgForm::Shown ? 1 : 0;
  const int32_t def = s.Form == CfgForm::Seconds ? s.Factory / 1000 : s.Factory + shown;
  int32_t v = 0;
  int32_t lo = 0;
  int32_t hi = 0;
  IllegalOutside(s.Keyword, lo, hi);
  if (!Int(L, kw, def, lo, hi, v)) return false;
  if (s.Keyword == "KinetracePosn" && L.Version < 1204) v = v == 8 ? 12 : v == 9 ? 20 : v == 10 ? 22 : v;
  if (s.Form == CfgForm::Seconds)
    v = static_cast<int32_t>(std::clamp<int64_t>(int64_t(v) * 1000, 0, 1000000));
  if (const std::optional<TCfgRange> r = CfgRangeOf(s.Keyword); r && r->KeptInside)
    v = std::clamp(v, r->Lo, r->Hi);
  Store(s.Var, v - shown);
  return true;
}

// Reads one scalar of the table by its form, with its factory value as default.
bool ReadScalar(TCfgLoad& L, const CfgScalar& s) {
  if (!L.Error.empty()) return false;
  bool inverted = false;
  const std::string_view kw = ScalarKeyword(L, s.Keyword, inverted);
  bool ok = true;
  if (ReadOldDPress(L, s, kw, ok)) return ok;
  switch (s.Form) {
    case CfgForm::YN:
    case CfgForm::YNNot:
      return ReadYNScalar(L, s, kw, inverted);
    case CfgForm::Folder:
    case CfgForm::FileName:
    case CfgForm::WinTitle:
      return ReadTextScalar(L, s, kw);
    case CfgForm::Tempo:
      return ReadTempoScalar(L, s, kw);
    case CfgForm::Key:
      return ReadKeyScalar(L, s, kw);
    case CfgForm::Int:
    case CfgForm::Shown:
    case CfgForm::Seconds:
      return ReadIntScalar(L, s, kw);
  }
  return true;
}

// The scalars the general section reads; the performance section reads every other one.
const std::unordered_set<std::string_view>& GeneralKeywords() {
  static const std::unordered_set<std::string_view> set = {"NoviceMode",
                                                           "AutoRunReadyBeep",
                                                           "KeepAwake",
                                                           "DragDropActiveParts",
                                                           "LoadExtScenes",
                                                           "LoadProgChanges",
                                                           "SaveProgChanges",
                                                           "IgnoreEmbeddedProgChanges",
                                                           "AutoHints",
                                                           "DspPortNames",
                                                           "DspProgNames",
                                                           "RunTimeSceneFolder",
                                                           "LastLoadedMidiFolder",
                                                           "LastSavedMidiFolder",
                                                           "LastLoadedConfigFolder",
                                                           "LastSavedConfigFolder",
                                                           "LastSavedDiagLogFolder",
                                                           "LastSavedKeyMapsFolder",
                                                           "DspTemplate",
                                                           "TemplateShowKeys",
                                                           "TemplateShowButtons",
                                                           "TemplateShowHelp",
                                                           "TemplateDocked",
                                                           "TemplateAnimateSize",
                                                           "TemplateAnimateDecay",
                                                           "TemplatePosnSensitive",
                                                           "TemplateVelSensitive",
                                                           "TemplateChanNo",
                                                           "TemplateLeftKeyNo",
                                                           "TemplateRightKeyNo",
                                                           "WindowMainLeft",
                                                           "WindowMainWidth",
                                                           "WindowMainTop",
                                                           "WindowMainHeight",
                                                           "WindowTemplateLeft",
                                                           "WindowTemplateWidth",
                                                           "WindowTemplateTop",
                                                           "WindowDiagLeft",
                                                           "WindowDiagWidth",
                                                           "WindowDiagTop",
                                                           "WindowDiagHeight",
                                                           "WindowKeyMapperLeft",
                                                           "WindowKeyMapperWidth",
                                                           "WindowKeyMapperTop",
                                                           "WindowKeyMapperHeight",
                                                           "WindowKeyMapsLeft",
                                                           "WindowKeyMapsWidth",
                                                           "WindowKeyMapsTop",
                                                           "WindowKeyMapsHeight",
                                                           "WindowCfgColoursLeft",
                                                           "WindowCfgColoursTop",
                                                           "WindowCfgPerfLeft",
                                                           "WindowCfgPerfTop",
                                                           "WindowCfgKinetraceLeft",
                                                           "WindowCfgKinetraceTop",
                                                           "WindowCfgDrumLeft",
                                                           "WindowCfgDrumTop",
                                                           "WindowCfgBassLeft",
                                                           "WindowCfgBassTop",
                                                           "WindowCfgBehaviourLeft",
                                                           "WindowCfgBehaviourTop",
                                                           "WindowCfgMChanLeft",
                                                           "WindowCfgMChanTop",
                                                           "WindowCfgTimingLeft",
                                                           "WindowCfgTimingTop",
                                                           "WindowCfgVKbdLeft",
                                                           "WindowCfgVKbdTop"};
  return set;
}

// A scale type by its settings name or its label; unknown text is illegal.
bool FtsType(TCfgLoad& L, std::string_view kw, int32_t& out) {
  if (!L.Error.empty()) return false;
  const std::string text = Get(L, kw, FtsCodeCfgName(7));
  const uint8_t code = FtsTypeCodeFromLabel(text);
  if (code < 7 || code > 70) return L.Illegal();
  out = code;
  return true;
}

// A pitch class from a note text; a text that names no note gives C.
bool FtsRoot(TCfgLoad& L, std::string_view kw, int32_t& out) {
  if (!L.Error.empty()) return false;
  const int32_t n = NoteNameToNo(Get(L, kw, "C"));
  out = n < 0 ? 0 : n % 12;
  return true;
}

void RecalcBarTicks() {
  Cfg.BeatTicks = Cfg.NoteLenFrac > 0 ? kWholeNoteTicks / Cfg.NoteLenFrac : 3840;
  Cfg.BarTicks = Cfg.BeatTicks * Cfg.BeatsPerBar;
  Cfg.NQTicks = Cfg.NQNoteLenFrac > 0 ? kWholeNoteTicks / Cfg.NQNoteLenFrac : 0;
  Cfg.SQTicks = Cfg.SQNoteLenFrac > 0 ? kWholeNoteTicks / Cfg.SQNoteLenFrac : 0;
}

}  // namespace

// ---------------------------------------------------------------------------------------------------
// Sections

bool CheckCfgVersion(TCfgLoad& L) {
  const std::string v = L.GetCfgValue("Version");
  if (v.empty()) {
    L.Error = "Missing or invalid 'Version' entry in config file";
    return false;
  }
  const std::optional<int32_t> parsed = CfgVersionToInt(v);
  if (!parsed) return L.Illegal();
  const int32_t version = *parsed;
  L.Version = version;
  const std::string minor = PadStr(N(version % 100), -2, '0');
  LogCfgIfDiag("Config file version: " + N(version / 100) + "." + minor);
  int32_t minimum = 622;
  if (L.Kind == CfgDrumsOnly) minimum = 1212;
  if (L.Kind == CfgBassOnly) minimum = 1300;
  if (L.Kind > CfgBassOnly) L.Error = "LoadConfigFile error: unexpected ConfigFileSubSection";
  if (version < minimum) {
    LogCfgIfDiag("Config file too old to convert");
    L.Error =
        "Load config error: Config file is too out-of-date to convert automatically.\r\n\r\nTry creating a "
        "new file "
        "by resetting to factory settings and saving,\r\nthen compare/convert manually...\r\n\r\n...or "
        "contact me if "
        "you need assistance.";
    return false;
  }
  if (!L.Error.empty()) return false;
  if (version < kCfgVersion) {
    const std::string w =
        "Warning: Config converted; please re-save config file when convenient to keep it up-to-date";
    if (CfgLink().SetStatusText) CfgLink().SetStatusText(w);
    LogCfgIfDiag(w);
  }
  return true;
}

bool LoadCfgGeneral(TCfgLoad& L) {
  for (const CfgScalar& s : CfgScalars)
    if (GeneralKeywords().count(s.Keyword) && !ReadScalar(L, s)) return false;
  if (L.Version < 1021 && L.Index.count("templateanimatereqd"))
    Cfg.TemplateAnimateSize = Bool(L, "TemplateAnimateReqd", true) ? 4 : 1;
  for (int n = 0; n < kCfgProgs; ++n) {
    // "Unused" is a name the user emptied; a missing or empty value takes the General MIDI name.
    const std::string kw = "ProgName-" + N(n);
    const std::string v = L.GetCfgValue(kw);
    const auto it = L.Index.find(LowerCase(kw));
    const bool unused = it != L.Index.end() && EqualsNoCase(L.Entries[it->second].Value, "Unused");
    Cfg.UserProgNames[n] = unused      ? std::string()
                           : v.empty() ? std::string(GMProgNamesFactory[n])
                                       : CfgFreeText(v, 16);
  }
  int32_t size = 40;
  if (!Int(L, "TemplateKeySize", 40, 1, 1000, size)) return false;
  Cfg.TemplateKeySizeLoaded = size;
  return L.Error.empty();
}

bool LoadCfgColours(TCfgLoad& L) {
  for (const CfgColour& c : CfgColours) {
    const std::string v = Get(L, c.Keyword, ColourToText(c.Factory));
    if (!TextToColour(v, *c.Var)) return L.Illegal();
  }
  for (int c = 0; c < kChans; ++c) {
    const std::string v = Get(L, "ClKinetrace-Chan" + N(c + 1), ColourToText(KinetraceChanColoursFactory[c]));
    if (!TextToColour(v, Cfg.ClKinetraceChan[c])) return L.Illegal();
  }
  return true;
}

namespace {

bool ReadSeqCount(TCfgLoad& L) {
  int32_t seqs = 4;
  if (!Int(L, "MaxActiveSeqs", 4, INT32_MIN, INT32_MAX, seqs)) return false;
  if (seqs < 2 || seqs > 4) {
    L.Boxes.push_back({"Load config warning: MaxActiveSeqs out of range for this build (" + N(2) + ".." +
                           N(4) + ")" + "\r\n\r\n" + "Resetting to " + N(4) + " for now...",
                       true});
    seqs = 4;
  }
  Cfg.MaxActiveSeqs = seqs - 1;
  return true;
}

bool ReadPortCounts(TCfgLoad& L, TCfgEngineVals& e) {
  for (int dir = 0; dir < 2; ++dir) {
    const std::string name = dir == 0 ? "InPortsAllocated" : "OutPortsAllocated";
    int32_t n = 0;
    if (!Int(L, name, 0, INT32_MIN, INT32_MAX, n)) return false;
    if (n < 0 || n > kPorts) {
      L.Boxes.push_back({"Load config warning: " + name + " out of range (0.." + N(kPorts) + ")" +
                             "\r\n\r\n" + "Resetting to " + N(0) + " for now...",
                         true});
      n = 0;
    }
    (dir == 0 ? Cfg.InPortsLoaded : Cfg.OutPortsLoaded) = static_cast<int8_t>(n - 1);
    (dir == 0 ? e.InPortsAllocated : e.OutPortsAllocated) = static_cast<int8_t>(n - 1);
  }
  return true;
}

void ReadPortNames(TCfgLoad& L, TCfgEngineVals& e, int ins, int outs) {
  for (int n = 0; n < ins; ++n) {
    Cfg.InPortDevNames[n] = e.InPortDevNames[n] = Get(L, "InPort" + N(n + 1) + "-DevName", "undefined");
    Cfg.InPortNames[n] = e.InPortNames[n] = Get(L, "InPort" + N(n + 1) + "-PortName", "undefined");
  }
  for (int n = 0; n < outs; ++n) {
    Cfg.OutPortDevNames[n] = e.OutPortDevNames[n] = Get(L, "OutPort" + N(n + 1) + "-DevName", "undefined");
    Cfg.OutPortNames[n] = e.OutPortNames[n] = Get(L, "OutPort" + N(n + 1) + "-PortName", "undefined");
  }
}

bool ReadLiveAndTarloPorts(TCfgLoad& L, TCfgEngineVals& e) {
  int32_t v = 0;
  if (!Int(L, "Live-PortNo", 1, 0, kPorts, v)) return false;
  Cfg.LivePortNoLoaded = e.LivePort = static_cast<int8_t>(v - 1);
  Cfg.TarloOnRequested = e.TarloOn = Bool(L, "TarloOn", false);
  if (!Int(L, "TarloSysEx-PortNo", 1, 0, kPorts, v)) return false;
  Cfg.TarloSysExPortNo = static_cast<int8_t>(v - 1);
  e.TarloPortIndex = v - 1;
  // A SysEx device id is one data byte: the main window's id list offers 0..127.
  if (!Int(L, "TarloSysEx-DevId", 1, 0, 127, v)) return false;
  Cfg.TarloSysExDevId = v;
  e.TarloDevIdText = N(v);
  return true;
}

bool ReadPartPorts(TCfgLoad& L, TCfgEngineVals& e) {
  int32_t v = 0;
  for (int p = 0; p < kCfgParts; ++p)
    for (int s = 0; s < kCfgSeqs; ++s) {
      if (!Int(L, "Part" + N(p + 1) + "-Seq" + N(s + 1) + "-PortNo", 1, 0, kPorts, v)) return false;
      e.Parts[p][s].Port = static_cast<int8_t>(v - 1);
    }
  return true;
}

// Clocks, sync and multi-channel play of each output port.
bool ReadOutPortChannels(TCfgLoad& L, int outs) {
  int32_t v = 0;
  for (int n = 0; n < outs; ++n) {
    const std::string k = "Port" + N(n + 1);
    Cfg.MIDIOutClocksEnabled[n] = Bool(L, k + "-MIDIOutClocksEnabled", false);
    Cfg.MidiOutSyncEnabled[n] = Bool(L, k + "-MidiOutSyncEnabled", false);
    Cfg.MChanEnabled[n] = Bool(L, L.Version < 808 ? k + "-MultiChanEnabled" : k + "-MChanEnabled", false);
    if (!Int(L, k + "-MChanMin", 1, 1, kChans, v)) return false;
    Cfg.MChanMin[n] = static_cast<int8_t>(v - 1);
    if (!Int(L, L.Version < 808 ? k + "-MultiChanMax" : k + "-MChanMax", 1, 1, kChans, v)) return false;
    Cfg.MChanMax[n] = static_cast<int8_t>(v - 1);
    for (int c = 0; c < kChans; ++c)
      if (!Int(L, k + "-Chan" + N(c + 1) + "-MChanPitchOffset", 0, -12, 36, Cfg.MChanPitchOffset[n][c]))
        return false;
  }
  return true;
}

bool ReadProgChanges(TCfgLoad& L, TCfgEngineVals& e, int outs) {
  for (int n = 0; n < outs; ++n)
    Cfg.ProgChangesEnabled[n] = e.ProgChangesEnabled[n] =
        Bool(L, "Port" + N(n + 1) + "-ProgChangesEnabled", true);
  for (int n = 0; n < outs; ++n)
    for (int c = 0; c < kChans; ++c)
      if (!Int(L, "Port" + N(n + 1) + "-Chan" + N(c + 1) + "-Prog", 0, -1, 127, e.PortChanProgs[n][c]))
        return false;
  return true;
}

bool ReadLiveVals(TCfgLoad& L, TCfgEngineVals& e, int outs) {
  int32_t v = 0;
  for (int n = 0; n < outs; ++n) {
    if (!Int(L, "Live-Port" + N(n + 1) + "-Chan", 1, 0, kChans, v)) return false;
    e.LiveChan[n] = static_cast<int8_t>(v - 1);
  }
  if (!Int(L, "Live-SVel", 5, 0, 9, e.LiveSVel)) return false;
  e.LivePitchLocked = Bool(L, "Live-PitchLocked", false);
  return FtsRoot(L, "Live-FtsRoot", e.LiveFtsRoot) && FtsType(L, "Live-FtsType", e.LiveFtsType);
}

bool ReadPartVals(TCfgLoad& L, TCfgEngineVals& e, int outs) {
  int32_t v = 0;
  for (int p = 0; p < kCfgParts; ++p)
    for (int s = 0; s < kCfgSeqs; ++s) {
      TCfgPartVals& pv = e.Parts[p][s];
      const std::string k = "Part" + N(p + 1) + "-Seq" + N(s + 1);
      for (int n = 0; n < outs; ++n) {
        if (!Int(L, k + "-Port" + N(n + 1) + "-Chan", 1, 0, kChans, v)) return false;
        pv.Chan[n] = static_cast<int8_t>(v - 1);
      }
      if (!Int(L, k + "-SVel", 5, 0, 9, pv.SVel)) return false;
      pv.Muted = Bool(L, k + "-Muted", false);
      if (!FtsRoot(L, k + "-FtsRoot", pv.FtsRoot) || !FtsType(L, k + "-FtsType", pv.FtsType)) return false;
      pv.PitchLocked = Bool(L, k + "-PitchLocked", false);
    }
  return true;
}

bool ReadPerformanceScalars(TCfgLoad& L) {
  for (const CfgScalar& s : CfgScalars)
    if (!GeneralKeywords().count(s.Keyword) && s.Keyword != "MaxActiveSeqs" && !ReadScalar(L, s))
      return false;
  return true;
}

// Values that only make sense together with others; a beat length no bar can hold is illegal.
bool MendPerformanceScalars(TCfgLoad& L) {
  if (Cfg.CCFullPedalMin < 0) Cfg.CCFullPedalMin = 64;
  if (Cfg.CCFullPedalMin > 127) Cfg.CCFullPedalMin = 127;
  if (Cfg.CCHalfPedalMin < 0) Cfg.CCHalfPedalMin = 50;
  if (Cfg.CCHalfPedalMin > Cfg.CCFullPedalMin) Cfg.CCHalfPedalMin = Cfg.CCFullPedalMin;
  // MetrNoteOnPercent takes the gate times the metronome window offers.
  if (Cfg.MetrNoteOnPercent != 5 && Cfg.MetrNoteOnPercent != 25 && Cfg.MetrNoteOnPercent != 50 &&
      Cfg.MetrNoteOnPercent != 75 && Cfg.MetrNoteOnPercent != 95 && Cfg.MetrNoteOnPercent != 99)
    Cfg.MetrNoteOnPercent = 75;
  if (Cfg.InPortsLoaded >= 0 && Cfg.ClocksExtPNo > Cfg.InPortsLoaded) Cfg.ClocksExtPNo = Cfg.InPortsLoaded;
  if (!IsValidBeatLen(Cfg.NoteLenFrac)) {
    L.GetCfgValue("NoteLenFrac");
    return L.Illegal();
  }
  if (Cfg.KinetraceImgFile.empty()) Cfg.KinetraceImgVisible = 0;
  Cfg.TargetTempo = Cfg.Tempo;
  RecalcBarTicks();
  return true;
}

// Control inputs 1 and 2: octave offsets and calibrate keys.
bool ReadControlInputs(TCfgLoad& L, int ins) {
  int32_t v = 0;
  for (int n = 0; n < std::min(ins, kCfgControlInputs); ++n) {
    if (!Int(L, "InPort" + N(n + 1) + "-OctaveOffset", 0, -9, 9, v)) return false;
    Cfg.InPortOctaveOffset[n].store(v, std::memory_order_relaxed);
    if (!Key(L, "InPort" + N(n + 1) + "-LiveCmdKey", "C1", v)) return false;
    Cfg.InPortLiveCmdKey[n].store(v, std::memory_order_relaxed);
  }
  return true;
}

}  // namespace

bool LoadCfgPerformance(TCfgLoad& L) {
  TCfgEngineVals& e = CfgEngine;
  // Counts first: the per-port entries depend on them.
  if (!ReadSeqCount(L) || !ReadPortCounts(L, e)) return false;
  const int ins = Cfg.InPortsLoaded + 1;
  const int outs = Cfg.OutPortsLoaded + 1;
  ReadPortNames(L, e, ins, outs);
  if (!ReadLiveAndTarloPorts(L, e) || !ReadPartPorts(L, e) || !ReadOutPortChannels(L, outs)) return false;
  e.LocalControlOn = Bool(L, "LocalControlOn", true);
  if (!ReadProgChanges(L, e, outs) || !ReadLiveVals(L, e, outs) || !ReadPartVals(L, e, outs)) return false;
  if (!ReadPerformanceScalars(L) || !MendPerformanceScalars(L) || !ReadControlInputs(L, ins)) return false;
  return L.Error.empty();
}

namespace {

// The style and pattern in use and the switches of the style window.
bool ReadStyleChoice(TCfgLoad& L, TStyleStore& st, const std::string& f, bool drum) {
  int32_t style = 0;
  int32_t pat = 0;
  if (!Int(L, f + "StyleNo", 1, INT32_MIN, INT32_MAX, style) ||
      !Int(L, f + "PatNo", kStylePatShownBase, INT32_MIN, INT32_MAX, pat))
    return false;
  style -= 1;
  pat -= kStylePatShownBase;
  // A style left without patterns stays chosen, as the window keeps it.
  if (!IsSelectableStylePattern(st, style, pat)) style = pat = 0;
  st.StyleNo = style;
  st.PatNo = pat;
  st.ShowPatterns = Bool(L, "Show" + f + "Patterns", false);
  st.AccentEnabled = Bool(L, f + "AccentEnabled", true);
  if (drum) st.DspGMNames = Bool(L, "DspDrumGMNames", true);
  st.UsePatTSig = Bool(L, "Use" + f + "PatTSig", true);
  if (!Clamped(L, drum ? "DrumFlamSpeed" : "BassGraceSpeed", st.Traits->FlamSpeedFactory, 0, 100,
               st.FlamSpeed) ||
      !Clamped(L, f + "VelVar", kStyleVelVarFactory, 0, 100, st.VelVar))
    return false;
  st.ShowChains = Bool(L, "Show" + f + "Chains", false);
  return true;
}

bool ReadInstRows(TCfgLoad& L, TStyleStore& st, const std::string& f) {
  for (int n = 1; n <= kStyleInstRows; ++n) {
    const std::string k = f + "Inst" + N(n);
    int32_t note = 0;
    if (!Key(L, k, KeyText(st.Traits->Notes[n], false), note)) return false;
    if (note < 0) return L.Illegal();
    TStyleRowDef& d = st.RowMap[n];
    if (d.Note != note) {
      d.Note = note;
      d.NoteName = KeyNoToNote(note);
    }
    st.RowOn[n - 1] = Bool(L, k + "Enabled", true);
    int32_t vel = 0;
    if (!Int(L, k + "Vel", 80, 0, 127, vel)) return false;
    st.RowVel[n - 1] = static_cast<uint8_t>(vel);
    if (!Int(L, k + "AccVel", 100, 0, 127, vel)) return false;
    st.RowAccVel[n - 1] = static_cast<uint8_t>(vel);
  }
  return true;
}

// One chain step; a pattern or jump out of range falls back to the first pattern or no jump.
bool ReadChainStep(TCfgLoad& L, TChainStep& step, const std::string& k) {
  int32_t x = 0;
  if (!Clamped(L, k + "-Style", 1, 1, kStyleCount, x)) return false;
  step.Style = x - 1;
  if (!Int(L, k + "-Patt", kStylePatShownBase, INT32_MIN, INT32_MAX, x)) return false;
  x -= kStylePatShownBase;
  step.Pattern = x < 0 || x >= kStylePatternCount ? 0 : x;
  if (!Clamped(L, k + "-Rpts", 0, 0, kChainMaxRepeats, step.Repeats)) return false;
  if (!Int(L, k + "-Jump", 0, INT32_MIN, INT32_MAX, x)) return false;
  x -= 1;
  step.Jump = x < -1 || x >= kChainCount ? -1 : x;
  return true;
}

bool LoadChains(TCfgLoad& L, TStyleStore& st) {
  const std::string f(st.Traits->Name);
  if (!ReadStyleChoice(L, st, f, f == "Drum") || !ReadInstRows(L, st, f)) return false;
  int32_t start = 1;
  if (!Int(L, f + "ChainNoStart", 1, INT32_MIN, INT32_MAX, start)) return false;
  SetChainNoStart(st, start - 1);
  for (int c = 0; c < kChainCount; ++c)
    for (int s = 0; s < kChainStepCount; ++s)
      if (!ReadChainStep(L, st.Chains[c][s], f + "Chain" + N(c + 1) + "-Step" + N(s + 1))) return false;
  st.ChainOn = Bool(L, f + "ChainOn", false);
  return L.Error.empty();
}

}  // namespace

bool LoadCfgDrumChains(TCfgLoad& L) {
  return LoadChains(L, DrumStore);
}
bool LoadCfgBassChains(TCfgLoad& L) {
  return LoadChains(L, BassStore);
}

bool LoadCfgKeyMaps(TCfgLoad& L) {
  ClearKeyMaps();
  std::string bad;
  std::string badLog;
  const bool ok = LoadCfgKeyMapLists(
      [&](std::string_view kw) {
        // Seq keys for seqs this build does not hold are not read.
        if (kw.substr(0, 6) == "CmdSeq" && kw.size() > 6 && !(kw.size() == 7 && kw[6] >= '1' && kw[6] <= '4'))
          return std::string();
        return L.GetCfgValue(kw);
      },
      L.Version, bad, badLog);
  ResolveKeyMapSentinels();
  if (!ok) {
    LogCfgIfDiag(badLog);
    return L.IllegalKeyMap(bad);
  }
  return true;
}

// ---------------------------------------------------------------------------------------------------
// Whole loads

namespace {

bool ApplyConfigEntries(TCfgLoad& L) {
  const uint8_t k = L.Kind;
  L.Error.clear();
  if (!CheckCfgVersion(L)) return false;
  if (k == CfgFull && !LoadCfgGeneral(L)) return false;
  if ((k == CfgFull || k == CfgColoursOnly) && !LoadCfgColours(L)) return false;
  if (k == CfgFull && !LoadCfgPerformance(L)) return false;
  if ((k == CfgFull || k == CfgBassOnly) && !LoadCfgBassChains(L)) return false;
  if ((k == CfgFull || k == CfgDrumsOnly) && !LoadCfgDrumChains(L)) return false;
  if ((k == CfgFull || k == CfgKeyMapsOnly) && !LoadCfgKeyMaps(L)) return false;
  return true;
}

void ShowBoxes(TCfgLoad& L) {
  for (const auto& b : L.Boxes) {
    LogCfgIfDiag(b.Text);
    ShowMessage(b.Text, b.Warning ? MsgKind::Warning : MsgKind::Error);
  }
  L.Boxes.clear();
}

}  // namespace

bool LoadConfigText(std::string_view bytes, uint8_t kind, const std::string& fileName) {
  TCfgLoad L;
  L.FileName = fileName;
  L.Kind = kind;
  const std::string text = DecodeCfgBytes(bytes);
  auto fail = [&L] {
    LogCfgIfDiag(L.Error);
    ShowMessage(L.Error, MsgKind::Error);
    return false;
  };
  if (!ReadCfgEntries(L, text)) return fail();
  // The pattern sections are parsed into copies, so the stores in use are never half-loaded.
  auto parse = [&](bool wanted, const TStyleFamilyTraits& traits, std::unique_ptr<TStyleStore>& store) {
    if (!wanted) return true;
    store = std::make_unique<TStyleStore>(traits);
    return ParseCfgPatterns(text, *store, L.FileName, L.Error);
  };
  std::unique_ptr<TStyleStore> drum;
  std::unique_ptr<TStyleStore> bass;
  if (!parse(kind == CfgFull || kind == CfgDrumsOnly, kDrumTraits, drum) ||
      !parse(kind == CfgFull || kind == CfgBassOnly, kBassTraits, bass))
    return fail();
  LogCfgIfDiag("Config entries: non-pattern " + N(static_cast<int32_t>(L.Entries.size())) +
               ", drum patterns " + N(drum && drum->LastStyle >= 0 ? 1 : 0) + ", bass patterns " +
               N(bass && bass->LastStyle >= 0 ? 1 : 0));
  bool ok = false;
  {
    // The timer and MIDI-in threads see the stores and maps before or after, never between.
    std::lock_guard lock(EngineLock);
    if (drum) TakeCfgPatterns(DrumStore, *drum);
    if (bass) TakeCfgPatterns(BassStore, *bass);
    ok = ApplyConfigEntries(L);
    if (ok && kind == CfgFull && CfgLink().Apply) CfgLink().Apply(CfgEngine);
  }
  if (!L.Error.empty()) L.Boxes.push_back({L.Error, false});
  ShowBoxes(L);
  if (kind == CfgFull || kind == CfgKeyMapsOnly) PublishTopic(TTopic::KeyMaps);
  PublishTopic(TTopic::DrumStyles);
  PublishTopic(TTopic::BassStyles);
  return ok;
}

bool IsRefusedCfgFile(const std::string& fileName) {
  return std::any_of(CfgFiles.RefusedFiles.begin(), CfgFiles.RefusedFiles.end(),
                     [&](const std::string& f) { return SameFile(f, fileName); });
}

void NoteRefusedCfgFile(const std::string& fileName) {
  if (!fileName.empty() && !IsRefusedCfgFile(fileName)) CfgFiles.RefusedFiles.push_back(fileName);
}

void ForgetRefusedCfgFile(const std::string& fileName) {
  auto& v = CfgFiles.RefusedFiles;
  v.erase(std::remove_if(v.begin(), v.end(), [&](const std::string& f) { return SameFile(f, fileName); }),
          v.end());
}

bool LoadConfigFile(bool autoRun, uint8_t kind) {
  static constexpr const char* kTitles[] = {"Load full config", "Load colour config", "Load keymap config",
                                            "Load drums config", "Load bass config"};
  if (kind > CfgBassOnly) ReportDesignError("LoadConfigFile error: unexpected ConfigFileSubSection");
  CfgFiles.LastLoadCancelled = false;
  // Ask for the name before anything changes: cancelling a subset load leaves everything as it was.
  std::string name = CfgFiles.ConfigFileName;
  if (name.empty()) {
    if (CfgLink().OpenDialog)
      name =
          CfgLink().OpenDialog(kind <= CfgBassOnly ? kTitles[kind] : kTitles[0], Cfg.LastLoadedConfigFolder);
    if (name.empty()) {
      // Nothing has changed yet, and nothing will: the settings in use stay, whatever the kind.
      LogCfgIfDiag("Load config cancelled");
      CfgFiles.LastLoadCancelled = true;
      return true;
    }
  }
  if (kind == CfgFull && CfgLink().SetProgState) CfgLink().SetProgState(1);
  LogCfgIfDiag("Configuring from file " + name);
  std::string bytes;
  std::string error;
  if (::access(name.c_str(), F_OK) != 0)
    error = FormatFileMsg("Cannot find config file", name);
  else if (!ReadFileBytes(name, bytes))
    error = FormatFileMsg("Cannot open config file", name);
  if (!error.empty()) {
    LogCfgIfDiag(error);
    ShowMessage(error, MsgKind::Error);
    return false;
  }
  CfgFiles.ConfigFileName = name;
  if (!autoRun) Cfg.LastLoadedConfigFolder = FolderOf(name);
  Ui().BusyCursor(true);
  const bool ok = LoadConfigText(bytes, kind, name);
  Ui().BusyCursor(false);
  if (ok)
    ForgetRefusedCfgFile(name);
  else
    NoteRefusedCfgFile(name);
  return ok;
}

bool LoadConfig(bool factory, bool autoRun, uint8_t kind, bool& ok) {
  if (factory) {
    CfgFiles.ConfigFileName.clear();
    const TUiAfterLock after;
    std::lock_guard lock(EngineLock);
    LoadConfigFactory();
    ok = true;
    return true;
  }
  ok = LoadConfigFile(autoRun, kind);
  if (ok && CfgLink().ValidateConfig && !CfgLink().ValidateConfig()) {
    ok = false;
    NoteRefusedCfgFile(CfgFiles.ConfigFileName);
  }
  if (!ok) {
    CfgFiles.ConfigFileName.clear();
    const std::string word(CfgKindWord(kind));
    std::string msg =
        autoRun ? "Problems loading default auto-run config file\r\nYou can delete this file if reqd. "
                  "via 'Config, Default, Delete'"
                : "Problems loading " + word + "config file";
    if (DiagOn())
      LogCfgIfDiag(msg);
    else
      msg +=
          "\r\n\r\nFor more details (possibly), try the Diagnostics log:\r\nClick 'Tools, Diagnostics', "
          "then " +
          std::string(autoRun ? "click 'Config, Default, Load...'" : "try again");
    msg += "\r\n\r\nReverting to factory " + word + "settings for now...";
    ShowMessage(msg, MsgKind::Error);
    const TUiAfterLock after;
    std::lock_guard lock(EngineLock);
    switch (kind) {
      case CfgFull:
        LoadConfigFactory();
        break;
      case CfgColoursOnly:
        LoadColoursFactory();
        break;
      case CfgKeyMapsOnly:
        LoadKeyMapsFactory();
        break;
      case CfgDrumsOnly:
        LoadDrumFactoryAll();
        break;
      case CfgBassOnly:
        LoadBassFactoryAll();
        break;
      default:
        ReportDesignError("LoadConfig error-2: unexpected ConfigFileSubSection");
    }
  }
  return true;
}

}  // namespace vel
