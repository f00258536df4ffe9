// The settings reader: line forms, values, illegal values with their lines, range warnings, the
// version check and older keywords, subsets, the fallback to factory settings, bad files.
#include <atomic>
#include <mutex>
#include <thread>

#include "base/EngineLock.h"
#include "keymaps/KeyMaps.h"
#include "settings/CfgTestState.h"
#include "styles/StyleStore.h"

namespace vel::test {
namespace {

class CfgReader : public CfgTest {
 public:
  // The text with the value of one entry replaced; the entry must exist.
  static std::string Set(std::string text, const std::string& keyword, const std::string& value) {
    const std::string head = "\r\n" + keyword + " = ";
    const std::size_t at = text.find(head);
    EXPECT_NE(at, std::string::npos) << keyword;
    if (at == std::string::npos) return text;
    const std::size_t from = at + head.size();
    return text.replace(from, text.find("\r\n", from) - from, value);
  }
  // The line number of an entry.
  static int LineOf(const std::string& text, const std::string& keyword) {
    const std::size_t at = text.find("\r\n" + keyword + " = ");
    return 2 + static_cast<int>(std::count(text.begin(), text.begin() + at, '\n'));
  }
  std::string Illegal(const std::string& value, int line, const std::string& file = "r.txt") {
    return "Illegal value '" + value + "' at line " + std::to_string(line) + " in config file " + file +
           "\r\nin folder " + dir_.string();
  }
  bool Load(const std::string& text, uint8_t kind = CfgFull) {
    return LoadConfigText(text, kind, Path("r.txt"));
  }
  std::string BoxText(std::size_t i = 0) const { return i < ui.boxes.size() ? ui.boxes[i].text : "<no box>"; }
};

TEST_F(CfgReader, LineForms) {
  struct Case {
    const char* line;
    bool entry;  // a valid entry (or skipped)
    const char* keyword;
    const char* value;
  };
  const Case cases[] = {
      {"Key = a = b", true, "Key", "a"},
      {"  Tempo=  120.00   ; a comment", true, "Tempo", "120.00"},
      {"a=", true, "a", ""},
      {"=5", false, "", ""},
      {"ab", false, "", ""},
  };
  for (const Case& c : cases) {
    TCfgLoad L;
    L.FileName = Path("x.txt");
    const bool ok = ReadCfgEntries(L, std::string("; only a comment\r\n\r\n") + c.line + "\r\n");
    EXPECT_EQ(ok, c.entry) << c.line;
    if (c.entry) {
      ASSERT_EQ(L.Entries.size(), 1u);
      EXPECT_EQ(L.Entries[0].Keyword, c.keyword);
      EXPECT_EQ(L.Entries[0].Value, c.value);
      EXPECT_EQ(L.Entries[0].LineNo, 3);
    } else {
      EXPECT_EQ(L.Error, std::string("Invalid entry '") + c.line +
                             "' at line 3 in config file x.txt\r\nin folder " + dir_.string());
    }
  }
  // Case-insensitive keywords, the first of two wins, "Unused" is empty, nothing after PatternSection.
  TCfgLoad L;
  ASSERT_TRUE(ReadCfgEntries(
      L, "KEEPAWAKE = N\r\nKeepAwake = Y\r\nFolder = unused\r\nPatternSection = Drum\r\nLate = 1\r\n"));
  EXPECT_EQ(L.GetCfgValue("keepawake"), "N");
  EXPECT_EQ(L.LineNo, 1);
  EXPECT_EQ(L.GetCfgValue("Folder"), "");
  EXPECT_EQ(L.GetCfgValue("Late"), "");
  EXPECT_EQ(L.Entries.size(), 3u);
}

TEST_F(CfgReader, ValuesOfEachForm) {
  std::string t = Full();
  t = Set(t, "KeepAwake", "no");
  t = Set(t, "AutoHints", "1");
  t = Set(t, "DspScale", "True");
  t = Set(t, "FtnLiveNotesReqd", "yes");
  t = Set(t, "Tempo", "95.5");
  t = Set(t, "TempoSlewTime", "2");
  t = Set(t, "MetrBassBarNote", "c#3");
  t = Set(t, "MetrDrumBarNote", "Fs1");
  t = Set(t, "MetrDrumBeatNote", "nonsense");
  t = Set(t, "MetrNoteOnPercent", "99");
  t = Set(t, "HotkeysTargetWinName", "\"Editor 'X'\"");
  t = Set(t, "ClText", "7");
  t = Set(t, "Part2-Seq4-FtsType", "Major");
  t = Set(t, "Part2-Seq3-FtsType", "har min");
  t = Set(t, "Live-FtsRoot", "G#2");
  t = Set(t, "ProgName-3", "A name that is far too long");
  t = Set(t, "MetrSeqNo", "0");
  ASSERT_TRUE(Load(t)) << BoxText();
  EXPECT_EQ(Cfg.KeepAwake, 0);
  EXPECT_EQ(Cfg.AutoHints, 0);
  EXPECT_EQ(Cfg.DspScale, 1);
  EXPECT_EQ(Cfg.FtnLiveNotesReqd, 1);
  EXPECT_EQ(Cfg.Tempo, 9550);
  EXPECT_EQ(Cfg.TargetTempo, 9550);
  EXPECT_EQ(Cfg.TempoSlewTime, 2000);
  EXPECT_EQ(Cfg.MetrBassBarNote, 61);
  EXPECT_EQ(Cfg.MetrDrumBarNote, 42);
  EXPECT_EQ(Cfg.MetrDrumBeatNote, -1);
  EXPECT_EQ(Cfg.MetrNoteOnPercent, 99);
  EXPECT_EQ(Cfg.HotkeysTargetWinName, "Editor 'X'");
  EXPECT_EQ(Cfg.ClText, SysColour(7));
  EXPECT_EQ(CfgEngine.Parts[1][3].FtsType, 8);
  EXPECT_EQ(CfgEngine.Parts[1][2].FtsType, 10);
  EXPECT_EQ(CfgEngine.LiveFtsRoot, 8);
  EXPECT_EQ(Cfg.UserProgNames[3], "A name that is f");
  EXPECT_EQ(Cfg.MetrSeqNo, -1);
  // A note that names no note is written "-1" and reads back as itself.
  const std::string again = Full();
  EXPECT_EQ(ValueOf(again, "MetrDrumBeatNote"), "-1");
  ASSERT_TRUE(Load(again)) << BoxText();
  EXPECT_EQ(Full(), again);
}

TEST_F(CfgReader, IllegalValuesNameValueAndLine) {
  const std::string base = Full();
  struct Case {
    const char* keyword;
    const char* value;
    bool keyMap;
  };
  const Case cases[] = {
      {"Live-SVel", "12", false},
      {"Port1-Chan1-MChanPitchOffset", "37", false},
      {"Port1-Chan16-MChanPitchOffset", "-13", false},
      {"Port1-Chan1-Prog", "128", false},
      {"Port1-Chan2-Prog", "-2", false},
      {"InPort1-OctaveOffset", "10", false},
      {"InPort2-OctaveOffset", "-10", false},
      {"InPort1-LiveCmdKey", "G9", false},
      {"MetrDrumBarNote", "128", false},
      {"Tempo", "fast", false},
      {"ClText", "300, 0, 0", false},
      {"ClText", "1, 2", false},
      {"Part1-Seq1-FtsType", "Nonsense", false},
      {"DrumChain1-Step1-Rpts", "x", false},
      {"DrumInst3Vel", "128", false},
      {"MetrDrumChan", "0", false},
      {"TarloSysEx-DevId", "128", false},
      {"TarloSysEx-DevId", "-1", false},
      {"CmdPlay", "C1..G9", true},
      {"LiveN", "36, 40, ,44", true},
      {"RecN", "128", true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.keyword) + " = " + c.value);
    ui.boxes.clear();
    const std::string t = Set(base, c.keyword, c.value);
    EXPECT_FALSE(Load(t));
    const std::string kind = c.keyMap ? "Illegal Key Map value '" : "Illegal value '";
    EXPECT_EQ(BoxText(), kind + c.value + "' at line " + std::to_string(LineOf(t, c.keyword)) +
                             " in config file r.txt\r\nin folder " + dir_.string());
    EXPECT_EQ(ui.boxes.size(), 1u);
  }
}

TEST_F(CfgReader, RangeWarningsAndClamps) {
  std::string t = Full();
  t = Set(t, "MaxActiveSeqs", "7");
  t = Set(t, "KinetraceSize", "9");
  t = Set(t, "KinetracePosn", "0");
  t = Set(t, "CCVolResetValue", "10");
  t = Set(t, "CCFullPedalMin", "200");
  t = Set(t, "CCHalfPedalMin", "-3");
  t = Set(t, "MetrNoteOnPercent", "42");
  t = Set(t, "DrumChain1-Step1-Style", "40");
  t = Set(t, "DrumChain1-Step2-Style", "41");
  t = Set(t, "DrumChain1-Step1-Jump", "5");
  t = Set(t, "BassChain1-Step1-Patt", "99");
  t = Set(t, "BassVelVar", "150");
  t = Set(t, "ClocksExtPNo", "9");
  ASSERT_TRUE(Load(t)) << BoxText();
  ASSERT_EQ(ui.boxes.size(), 1u);
  EXPECT_EQ(ui.boxes[0].kind, MsgKind::Warning);
  EXPECT_EQ(BoxText(),
            "Load config warning: MaxActiveSeqs out of range for this build (2..4)\r\n\r\nResetting to 4 for "
            "now...");
  EXPECT_EQ(Cfg.MaxActiveSeqs, 3);
  EXPECT_EQ(Cfg.KinetraceSize, 6);
  EXPECT_EQ(Cfg.KinetracePosn, 1);
  EXPECT_EQ(Cfg.CCVolResetValue, 64);
  EXPECT_EQ(Cfg.CCFullPedalMin, 127);
  EXPECT_EQ(Cfg.CCHalfPedalMin, 50);
  EXPECT_EQ(Cfg.MetrNoteOnPercent, 75);
  EXPECT_EQ(DrumStore.Chains[0][0].Style, 39);  // the fortieth style is a style
  EXPECT_EQ(DrumStore.Chains[0][1].Style, 39);
  EXPECT_EQ(DrumStore.Chains[0][0].Jump, -1);
  EXPECT_EQ(BassStore.Chains[0][0].Pattern, 0);
  EXPECT_EQ(BassStore.VelVar, 100);
  EXPECT_EQ(Cfg.ClocksExtPNo, 1);  // two input ports loaded
}

TEST_F(CfgReader, PortsAllocatedOutOfRange) {
  ASSERT_TRUE(Load(Set(Full(), "OutPortsAllocated", "10")));
  EXPECT_EQ(BoxText(),
            "Load config warning: OutPortsAllocated out of range (0..9)\r\n\r\nResetting to 0 for now...");
  EXPECT_EQ(Cfg.OutPortsLoaded, -1);
}

// ---- versions ----

TEST_F(CfgReader, VersionMinimaAndErrors) {
  std::string status;
  CfgLink().SetStatusText = [&](const std::string& s) { status = s; };
  const std::string tooOld =
      "Load config error: Config file is too out-of-date to convert automatically.\r\n\r\nTry creating a new "
      "file "
      "by resetting to factory settings and saving,\r\nthen compare/convert manually...\r\n\r\n...or contact "
      "me if "
      "you need assistance.";
  const std::string converted =
      "Warning: Config converted; please re-save config file when convenient to keep it up-to-date";
  struct Case {
    uint8_t kind;
    const char* version;
    bool ok;
    std::string box;
    std::string status;
  };
  const Case cases[] = {
      {CfgFull, "6.21", false, tooOld, ""},
      {CfgFull, "6.22", true, "<no box>", converted},
      {CfgColoursOnly, "6.22", true, "<no box>", converted},
      {CfgDrumsOnly, "12.11", false, tooOld, ""},
      {CfgDrumsOnly, "12.12", true, "<no box>", converted},
      {CfgBassOnly, "12.99", false, tooOld, ""},
      {CfgBassOnly, "13.00", true, "<no box>", converted},
      {CfgFull, "13.03", true, "<no box>", ""},
      {CfgFull, "14.01", true, "<no box>", ""},
      {CfgFull, "13", false, Illegal("13", 1), ""},
      {CfgFull, "Unused", false, "Missing or invalid 'Version' entry in config file", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.version) + " kind " + std::to_string(c.kind));
    ui.boxes.clear();
    status.clear();
    EXPECT_EQ(Load(std::string("Version = ") + c.version + "\r\n", c.kind), c.ok);
    EXPECT_EQ(BoxText(), c.box);
    EXPECT_EQ(status, c.status);
  }
}

TEST_F(CfgReader, OlderKeywords) {
  const std::string t =
      "Version = 6.30\r\nBeginnersMode = Y\r\nDiscardMidiProgChanges = Y\r\nNoDefSelPitch = Y\r\n"
      "TemplateAnimateReqd = N\r\nKinetracePosn = 9\r\nHotkeysTargetWinName = 'Bare'\r\n"
      "DPressInterval-DeleteSeqs = 0\r\nDPressInterval-ResetSeqs = 250\r\nTempoIncrement = 3\r\n"
      "StepRecChordDetectThreshold = 99\r\nRecAttribSrcLive = N\r\nKinetraceFullPedalMin = 70\r\n"
      "CmdResetSeqs = C2\r\nCmdPitchInc = 50\r\nCmdStepRec = 51\r\nRecStepRec = 52\r\nMetrN = 70..71\r\n"
      "PitchOrigin = C3\r\nPitchRel = 58..62, 120\r\nTreatExtMidiAsFull = Y\r\n";
  ASSERT_TRUE(Load(t)) << BoxText();
  EXPECT_EQ(Cfg.StandardMode, 0) << BoxText();
  EXPECT_EQ(Cfg.LoadProgChanges, 0);
  EXPECT_EQ(Cfg.DefSelSeqsPitch, 0);
  EXPECT_EQ(Cfg.DefSelSeqsTime, 1);
  EXPECT_EQ(Cfg.TemplateAnimateSize, 1);
  EXPECT_EQ(Cfg.KinetracePosn, 20);
  EXPECT_EQ(Cfg.HotkeysTargetWinName, "'Bare'");
  EXPECT_EQ(Cfg.DPressDeleteSeqsReqd, 0);
  EXPECT_EQ(Cfg.DPressResetSeqsReqd, 1);
  EXPECT_EQ(Cfg.DPressCalibrateReqd, 1);
  EXPECT_EQ(Cfg.DPressLoadReqd, 1);  // before 6.33: on without reading
  EXPECT_EQ(Cfg.LnTempoStep, 3);
  EXPECT_EQ(Cfg.SRecChordDetectThreshold, 99);
  EXPECT_EQ(Cfg.RecIntAttribSrcLive, 0);
  EXPECT_EQ(Cfg.CCFullPedalMin, 70);
  EXPECT_EQ(Cfg.LoadExtScenes, 1);
  struct Key {
    TModeType mode;
    int key;
    int code;
    const char* label;
  };
  const Key keys[] = {
      {MtCmd, 48, 138, "rst"}, {MtCmd, 50, 91, "oct +"}, {MtCmd, 51, 60, "srec"}, {MtRec, 52, 39, "srec"},
      {MtMetr, 70, 82, "A#3"}, {MtMetr, 71, 83, "B3"},   {MtPitch, 58, 65, "-2"}, {MtPitch, 60, 15, "+0"},
      {MtPitch, 62, 17, "+2"}, {MtPitch, 120, 112, " "}, {MtPitch, 61, 16, "+1"},
  };
  for (const Key& k : keys) {
    EXPECT_EQ(KeyCodeAt(k.mode, k.key), k.code) << int(k.mode) << " " << k.key;
    EXPECT_EQ(KeyLabelsOf(k.mode)[k.key], k.label) << int(k.mode) << " " << k.key;
  }
}

TEST_F(CfgReader, DoublePressKeywordsFrom633To801) {
  ASSERT_TRUE(Load("Version = 7.00\r\nDPressInterval-Load = 0\r\nDPressInterval-Save = \r\n"));
  EXPECT_EQ(Cfg.DPressLoadReqd, 0);
  EXPECT_EQ(Cfg.DPressSaveReqd, 1);
}

// ---- whole loads ----

TEST_F(CfgReader, FallbackToFactoryWithItsMessage) {
  Cfg.KeepAwake = 0;
  const std::string file = Path("bad.txt");
  WriteAll(file, Set(Full(), "Live-SVel", "12"));
  CfgFiles.ConfigFileName = file;
  bool ok = true;
  EXPECT_TRUE(LoadConfig(false, false, CfgFull, ok));
  EXPECT_FALSE(ok);
  ASSERT_EQ(ui.boxes.size(), 2u);
  EXPECT_EQ(
      BoxText(1),
      "Problems loading config file\r\n\r\nFor more details (possibly), try the Diagnostics log:\r\nClick "
      "'Tools, Diagnostics', then try again\r\n\r\nReverting to factory settings for now...");
  EXPECT_EQ(Cfg.KeepAwake, 1);
  EXPECT_EQ(CfgFiles.ConfigFileName, "");

  // A colour subset that fails reverts the colours only.
  ui.boxes.clear();
  Cfg.KeepAwake = 0;
  Cfg.ClText = Rgb(9, 9, 9);
  WriteAll(file, "Version = 13.03\r\nClBgForm = 1, 2\r\n");
  CfgFiles.ConfigFileName = file;
  EXPECT_TRUE(LoadConfig(false, true, CfgColoursOnly, ok));
  EXPECT_FALSE(ok);
  EXPECT_EQ(BoxText(1),
            "Problems loading default auto-run config file\r\nYou can delete this file if reqd. via 'Config, "
            "Default, "
            "Delete'\r\n\r\nFor more details (possibly), try the Diagnostics log:\r\nClick 'Tools, "
            "Diagnostics', then "
            "click 'Config, Default, Load...'\r\n\r\nReverting to factory colour settings for now...");
  EXPECT_EQ(Cfg.ClText, clDefault);
  EXPECT_EQ(Cfg.KeepAwake, 0);
}

// A refused file leaves nothing of itself behind: every value its kind holds is back at factory,
// the stores' own options (velocity variation, flam speed, current pattern...) as much as the styles.
TEST_F(CfgReader, FallbacksLeaveEveryValueOfTheirKindAtFactory) {
  struct Case {
    uint8_t kind;
    const char* keyword;  // a late entry made illegal, so all before it is applied
    const char* value;
  };
  const Case cases[] = {
      {CfgFull, "CmdPlay", "C1..G9"},
      {CfgDrumsOnly, "DrumChain1-Step2-Jump", "x"},
      {CfgBassOnly, "BassChain1-Step2-Jump", "x"},
  };
  const std::string file = Path("refused.txt");
  for (const Case& c : cases) {
    SCOPED_TRACE(int(c.kind));
    const std::string factory = BuildCfgText(InitialSaveState(c.kind));
    for (TStyleStore* st : {&DrumStore, &BassStore}) {
      st->VelVar = 39;
      st->FlamSpeed = 20;
      st->AccentEnabled = 0;
      st->DspGMNames = 0;
      st->UsePatTSig = 0;
      st->ShowChains = 1;
      st->ShowPatterns = 1;
      st->PatNo = kStyleFirstBreak;
      st->RowVel[2] = 7;
    }
    Cfg.KeepAwake = 0;
    WriteAll(file, Set(BuildCfgText(InitialSaveState(c.kind)), c.keyword, c.value));
    CfgFiles.ConfigFileName = file;
    bool ok = true;
    EXPECT_TRUE(LoadConfig(false, false, c.kind, ok));
    EXPECT_FALSE(ok);
    EXPECT_EQ(FirstDiff(BuildCfgText(InitialSaveState(c.kind)), factory), "");
    const TStyleStore& st = c.kind == CfgBassOnly ? BassStore : DrumStore;
    EXPECT_EQ(st.VelVar, 40);
    EXPECT_EQ(st.FlamSpeed, st.Traits->FlamSpeedFactory);
    EXPECT_EQ(st.PatNo, 0);
    LoadConfigFactory();
  }
  // "Factory settings" alone as well.
  DrumStore.VelVar = 39;
  BassStore.UsePatTSig = 0;
  bool ok = false;
  LoadConfig(true, false, CfgFull, ok);
  EXPECT_EQ(DrumStore.VelVar, 40);
  EXPECT_EQ(BassStore.UsePatTSig, 1);
}

TEST_F(CfgReader, MissingEmptyAndJunkFiles) {
  bool ok = true;
  CfgFiles.ConfigFileName = Path("none.txt");
  EXPECT_TRUE(LoadConfig(false, false, CfgKeyMapsOnly, ok));
  EXPECT_FALSE(ok);
  EXPECT_EQ(BoxText(), "Cannot find config file none.txt\r\nin folder " + dir_.string());
  ui.boxes.clear();
  EXPECT_FALSE(Load(""));
  EXPECT_EQ(BoxText(), "Missing or invalid 'Version' entry in config file");
  ui.boxes.clear();
  Cfg.KeepAwake = 0;
  EXPECT_FALSE(Load(std::string("\x7f\x45\x4c\x46\x02\x01\x01\0\0\0=\xff\xfe\r\nmore\r\n", 20)));
  EXPECT_EQ(BoxText(), "Invalid entry 'more' at line 2 in config file r.txt\r\nin folder " + dir_.string());
  EXPECT_EQ(Cfg.KeepAwake, 0);  // nothing applied
}

TEST_F(CfgReader, SubsetsTouchOnlyTheirOwnStores) {
  DrumStore.Patterns[0][0].Rows[3] = "x";
  BassStore.Patterns[0][0].Rows[3] = "x";
  Cfg.KeepAwake = 0;
  const std::string colours = BuildCfgText(InitialSaveState(CfgColoursOnly));
  const std::string keys = BuildCfgText(InitialSaveState(CfgKeyMapsOnly));
  ASSERT_TRUE(Load(colours, CfgColoursOnly));
  ASSERT_TRUE(Load(keys, CfgKeyMapsOnly));
  EXPECT_EQ(DrumStore.Patterns[0][0].Rows[3], "x");
  EXPECT_EQ(BassStore.Patterns[0][0].Rows[3], "x");
  EXPECT_EQ(Cfg.KeepAwake, 0);
  LoadDrumFactory();
  const std::string drums = BuildCfgText(InitialSaveState(CfgDrumsOnly));
  DrumStore.Patterns[0][0].Rows[3] = "x";
  ASSERT_TRUE(Load(drums, CfgDrumsOnly));
  EXPECT_EQ(DrumStore.Patterns[0][0].Rows[3], "x.x.x.x.x.x.x.x.");
  EXPECT_EQ(BassStore.Patterns[0][0].Rows[3], "x");
}

TEST_F(CfgReader, CancelledDialogChangesNothing) {
  Cfg.KeepAwake = 0;
  std::string title;
  CfgLink().OpenDialog = [&](const std::string& t, const std::string&) {
    title = t;
    return std::string();
  };
  for (uint8_t kind : {CfgFull, CfgKeyMapsOnly}) {
    bool ok = false;
    EXPECT_TRUE(LoadConfig(false, false, kind, ok));
    EXPECT_TRUE(CfgFiles.LastLoadCancelled);
  }
  EXPECT_EQ(title, "Load keymap config");
  EXPECT_EQ(Cfg.KeepAwake, 0);
  EXPECT_TRUE(ui.boxes.empty());
}

TEST_F(CfgReader, PatternSectionFaults) {
  const std::string base = BuildCfgText(InitialSaveState(CfgDrumsOnly));
  struct Case {
    const char* from;
    const char* to;
  };
  const Case cases[] = {
      {"SD   = ....x.......x...", "SD   = ....x......."},      // uneven rows
      {"SD   = ....x.......x...", "XX   = ....x.......x..."},  // unknown row
      {"SD   = ....x.......x...", "AC   = ....b.......x..."},  // accent with a flam
      {"Main = 4/4, Main1", "Main = 4/5, Main1"},              // time signature
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.to);
    ui.boxes.clear();
    std::string t = base;
    const std::size_t at = t.find(c.from);
    ASSERT_NE(at, std::string::npos);
    t.replace(at, std::string_view(c.from).size(), c.to);
    const int line = 1 + static_cast<int>(std::count(t.begin(), t.begin() + at, '\n'));
    DrumStore.Patterns[0][0].Rows[3] = "x";
    EXPECT_FALSE(Load(t, CfgDrumsOnly));
    EXPECT_EQ(BoxText(), Illegal(c.to, line));
    EXPECT_EQ(DrumStore.Patterns[0][0].Rows[3], "x");  // the store in use is untouched
  }
}

TEST_F(CfgReader, WindowTitleLosesOneMatchingPairOfQuotes) {
  const std::pair<const char*, const char*> cases[] = {
      {"'Editor'", "Editor"}, {"\"Editor\"", "Editor"}, {"'Editor\"", "'Editor\""}, {"''", ""}, {"'", "'"},
      {"''x''", "'x'"},       {"Bare", "Bare"},
  };
  for (const auto& [value, title] : cases) {
    ASSERT_TRUE(Load(Set(Full(), "HotkeysTargetWinName", value))) << value;
    EXPECT_EQ(Cfg.HotkeysTargetWinName, title) << value;
  }
}

TEST_F(CfgReader, ByteOrderMarkIsSkipped) {
  ASSERT_TRUE(Load("\xEF\xBB\xBFVersion = 13.03\r\nClText = 1, 2, 3\r\n", CfgColoursOnly)) << BoxText();
  EXPECT_EQ(Cfg.ClText, Rgb(1, 2, 3));
}

TEST_F(CfgReader, WindowsCodePageFallback) {
  ASSERT_TRUE(Load(Set(Full(), "ProgName-1", "Caf\xe9 \x80")));
  EXPECT_EQ(Cfg.UserProgNames[1], "Caf\xc3\xa9 \xe2\x82\xac");
  ASSERT_TRUE(Load(Set(Full(), "ProgName-1", "Caf\xc3\xa9")));
  EXPECT_EQ(Cfg.UserProgNames[1], "Caf\xc3\xa9");
  // The choice is made line by line: a line that is not UTF-8 (here a name an older save cut inside
  // its last character) is read as the code page, and leaves the UTF-8 names of the file alone.
  std::string full = Set(Set(Full(), "ProgName-1", "Caf\xc3\xa9"), "ProgName-2", "Rockabill\xc3");
  ASSERT_TRUE(Load(full));
  EXPECT_EQ(Cfg.UserProgNames[1], "Caf\xc3\xa9");
  EXPECT_EQ(Cfg.UserProgNames[2], "Rockabill\xc3\x83");
  DrumStore.Patterns[0][0].Name = "\xc3\xa9t\xc3\xa9";
  std::string drum = BuildCfgText(InitialSaveState(CfgDrumsOnly));
  drum.replace(drum.find("Style = Rock"), 12, "Style = Rockabill\xc3");
  ASSERT_TRUE(Load(drum, CfgDrumsOnly));
  EXPECT_EQ(DrumStore.Styles[0].Name, "Rockabill\xc3\x83");
  EXPECT_EQ(DrumStore.Patterns[0][0].Name, "\xc3\xa9t\xc3\xa9");
}

}  // namespace
}  // namespace vel::test

namespace vel::test {
namespace {

// A key-map load swaps the maps in whole under the engine lock: a thread that reads them under the
// lock sees the old map or the new one, never one half-cleared.
TEST_F(CfgReader, KeyMapLoadIsSeenWholeUnderTheLock) {
  auto countPlay = [] {
    int n = 0;
    for (int k = 0; k < 128; ++k) n += KeyCodeAt(MtCmd, k) == 2;
    return n;
  };
  const std::string oldMaps = BuildCfgText(InitialSaveState(CfgKeyMapsOnly));
  ASSERT_EQ(countPlay(), 1);
  const std::string newMaps = "Version = 13.03\r\nCmdPlay = 60..70\r\n";
  std::atomic<bool> stop{false};
  std::atomic<int> bad{0};
  std::atomic<int> reads{0};
  std::thread reader([&] {
    while (!stop.load()) {
      std::lock_guard lock(EngineLock);
      const int n = countPlay();
      if (n != 1 && n != 11) ++bad;
      ++reads;
    }
  });
  for (int i = 0; i < 20; ++i) {
    ASSERT_TRUE(Load(i % 2 == 0 ? newMaps : oldMaps, CfgKeyMapsOnly));
    EXPECT_EQ(countPlay(), i % 2 == 0 ? 11 : 1);
  }
  stop = true;
  reader.join();
  EXPECT_EQ(bad.load(), 0);
  EXPECT_GT(reads.load(), 0);
}

TEST_F(CfgReader, FullLoadHandsTheEngineItsValuesUnderTheLock) {
  bool held = false;
  int calls = 0;
  CfgLink().Apply = [&](const TCfgEngineVals& e) {
    held = EngineLock.HeldByMe();
    calls += e.LiveSVel == 7;
  };
  ASSERT_TRUE(Load(Set(Full(), "Live-SVel", "7")));
  EXPECT_TRUE(held);
  EXPECT_EQ(calls, 1);
}

}  // namespace
}  // namespace vel::test
