// The strongest test of the settings file: what is saved loads back into the same settings, so a
// second save gives the same bytes.
#include "keymaps/KeyMaps.h"
#include "settings/CfgKeyLists.h"
#include "settings/CfgTestState.h"
#include "styles/StyleEdit.h"
#include "styles/StyleStore.h"

namespace vel::test {
namespace {

using CfgRoundTrip = CfgTest;

// Saves, loads and saves again; the two texts must be the same bytes.
void ExpectRoundTrip(CfgTest& t, uint8_t kind = CfgFull) {
  const std::string first = BuildCfgText(InitialSaveState(kind));
  ASSERT_TRUE(LoadConfigText(first, kind, t.Path("a.txt"))) << (t.ui.boxes.empty() ? "" : t.ui.boxes[0].text);
  const std::string second = BuildCfgText(InitialSaveState(kind));
  EXPECT_EQ(first, second);
  EXPECT_TRUE(t.ui.boxes.empty());
}

TEST_F(CfgRoundTrip, FactorySettings) {
  ExpectRoundTrip(*this);
}

TEST_F(CfgRoundTrip, OneValueOfEveryKind) {
  const std::string factory = Full();
  Cfg.KeepAwake = 0;                                      // Y/N
  Cfg.DspStatusInterval = 75;                             // integer
  Cfg.Tempo = Cfg.TargetTempo = 9505;                     // tempo
  Cfg.TempoSlewTime = 7000;                               // seconds
  Cfg.MetrDrumBarNote = 60;                               // key
  Cfg.LastSavedMidiFolder = "/music/in";                  // folder
  Cfg.HotkeysTargetWinName = "Synth Editor";              // window title
  Cfg.UserProgNames[5] = "My Pad";                        // free text
  Cfg.UserProgNames[6] = "";                              // empty free text
  Cfg.ClStError = Rgb(1, 2, 3);                           // colour
  Cfg.ClKinetraceChan[15] = SysColour(7);                 // system colour
  Cfg.MChanPitchOffset[0][3] = -12;                       // per port
  CfgEngine.Parts[1][2].FtsType = 23;                     // a per-seq scale (chord "M")
  CfgEngine.Parts[0][3].FtsRoot = 10;                     // root A#
  CfgEngine.Parts[0][0].Chan[0] = 9;                      // channel
  CfgEngine.PortChanProgs[0][4] = 127;                    // program
  SetKeyFnCmd(100, 2, "play");                            // a key list
  DrumStore.Patterns[0][0].Rows[5] = "x...x...x...x...";  // a pattern row
  DrumStore.Styles[0].Name = "";                          // an empty style name
  BassStore.Chains[0][1] = {0, 0, kStyleFirstBreak, 7};   // a chain step
  DrumStore.RowMap[5].Note = 50;                          // a re-mapped row
  ExpectRoundTrip(*this);
  const std::string changed = Full();
  EXPECT_NE(factory, changed);
  EXPECT_EQ(ValueOf(changed, "KeepAwake"), "N");
  EXPECT_EQ(ValueOf(changed, "Tempo"), "95.05");
  EXPECT_EQ(ValueOf(changed, "TempoSlewTime"), "7");
  EXPECT_EQ(ValueOf(changed, "MetrDrumBarNote"), "C3");
  EXPECT_EQ(ValueOf(changed, "HotkeysTargetWinName"), "'Synth Editor'");
  EXPECT_EQ(ValueOf(changed, "ProgName-6"), "Unused");
  EXPECT_EQ(ValueOf(changed, "ClStError"), "1, 2, 3");
  EXPECT_EQ(ValueOf(changed, "ClKinetrace-Chan16"), "7");
  EXPECT_EQ(ValueOf(changed, "Part2-Seq3-FtsType"), "M");
  EXPECT_EQ(ValueOf(changed, "Part1-Seq4-FtsRoot"), "A#");
  EXPECT_EQ(ValueOf(changed, "CmdPlay"), "C#1, E6");
  EXPECT_EQ(ValueOf(changed, "BassChain1-Step2-Rpts"), "7");
  EXPECT_EQ(ValueOf(changed, "Style"), "Unused");
  EXPECT_EQ(ValueOf(changed, "r6  "), "x...x...x...x...");
  // Loading the changed file over factory settings gives the changed settings back.
  LoadConfigFactory();
  ASSERT_TRUE(LoadConfigText(changed, CfgFull, Path("b.txt")));
  EXPECT_EQ(Full(), changed);
  EXPECT_EQ(Cfg.UserProgNames[6], "");
  EXPECT_EQ(Cfg.HotkeysTargetWinName, "Synth Editor");
  EXPECT_EQ(CfgEngine.Parts[1][2].FtsType, 23);
}

TEST_F(CfgRoundTrip, NumericKeysAndNonFactoryShift) {
  Cfg.KeyDefsNumeric = 1;
  Cfg.InPortOctaveOffset[0] = 1;
  Cfg.InPortOctaveOffset[1] = 2;
  TCfgSaveState st = InitialSaveState(CfgFull);
  ApplyNormalise(st);
  EXPECT_EQ(st.KeyShift, 12);
  const std::string shifted = BuildCfgText(st);
  EXPECT_EQ(ValueOf(shifted, "InPort1-OctaveOffset"), "0");
  EXPECT_EQ(ValueOf(shifted, "InPort2-OctaveOffset"), "1");
  EXPECT_EQ(ValueOf(shifted, "InPort1-LiveCmdKey"), "48");
  EXPECT_EQ(ValueOf(shifted, "CmdEsc"), "48");
  ASSERT_TRUE(LoadConfigText(shifted, CfgFull, Path("s.txt")));
  EXPECT_EQ(Cfg.InPortOctaveOffset[0].load(), 0);
  EXPECT_EQ(KeyCodeAt(MtCmd, 48), 0);
  ExpectRoundTrip(*this);
  EXPECT_EQ(Full(), shifted);
}

// Names in the pattern sections, as a hand-edited file may hold them: each is read into the form in
// which it is written again, and that form reads back to itself.
TEST_F(CfgRoundTrip, PatternSectionNamesReadBackToThemselves) {
  struct Case {
    uint8_t kind;
    const char* from;   // a line of the factory subset file
    const char* to;     // as edited
    const char* saved;  // the line as the next save writes it, and the name as then held:
    std::string (*held)();
    const char* heldText;
  };
  const Case cases[] = {
      // Cut to their lengths (10, 7, 3, 16) where a blank falls at the cut.
      {CfgDrumsOnly, "Style = Rock", "Style = Slow Rock Ballad", "Style = Slow Rock",
       [] { return DrumStore.Styles[0].Name.Str(); }, "Slow Rock"},
      {CfgDrumsOnly, "Main = 4/4, Main1", "Main = 4/4, Intro   X", "Main = 4/4, Intro",
       [] { return DrumStore.Patterns[0][0].Name.Str(); }, "Intro"},
      {CfgDrumsOnly, "C#2  = CC, Crash Cym 1", "C#2  = C  X, Crash", "C#2  = C, Crash",
       [] { return DrumStore.RowMap[1].ShortName.Str(); }, "C"},
      {CfgDrumsOnly, "C#2  = CC, Crash Cym 1", "C#2  = CC, Crash Cymbal    Two", "C#2  = CC, Crash Cymbal",
       [] { return DrumStore.RowMap[1].LongName.Str(); }, "Crash Cymbal"},
      // A carriage return inside a name, and one where the cut leaves it last.
      {CfgDrumsOnly, "Break = 4/4, Break1", "Break = 4/4, Fi\rll", "Break = 4/4, Fi ll",
       [] { return DrumStore.Patterns[0][kStyleFirstBreak].Name.Str(); }, "Fi ll"},
      {CfgDrumsOnly, "Style = Rock", "Style = Rock Pop1\r\rX", "Style = Rock Pop1",
       [] { return DrumStore.Styles[0].Name.Str(); }, "Rock Pop1"},
      // A re-mapped row is named by its row number alone; a name that only looks like one stays a name.
      {CfgDrumsOnly, "D#2  = RC, Ride Cym 1", "D#2  = r3", "D#2  = r3",
       [] { return DrumStore.RowMap[2].ShortName.Str(); }, "r3"},
      {CfgDrumsOnly, "D#2  = RC, Ride Cym 1", "D#2  = r 3", "D#2  = r 3",
       [] { return DrumStore.RowMap[2].ShortName.Str(); }, "r 3"},
      {CfgBassOnly, "F#1  = r10", "F#1  = r+10", "F#1  = r+1",
       [] { return BassStore.RowMap[9].ShortName.Str(); }, "r+1"},
      // Program names, cut to 16, alike.
      {CfgFull, "ProgName-2 = El Grand Piano", "ProgName-2 = El Grand Piano\r\rX",
       "ProgName-2 = El Grand Piano", [] { return Cfg.UserProgNames[2]; }, "El Grand Piano"},
      {CfgFull, "ProgName-3 = Honky-tonk Piano", "ProgName-3 = Honky   tonk     Piano",
       "ProgName-3 = Honky   tonk", [] { return Cfg.UserProgNames[3]; }, "Honky   tonk"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.to);
    LoadConfigFactory();
    std::string text = BuildCfgText(InitialSaveState(c.kind));
    const std::size_t at = text.find(std::string("\r\n") + c.from + "\r\n");
    ASSERT_NE(at, std::string::npos);
    text.replace(at + 2, std::string_view(c.from).size(), c.to);
    ASSERT_TRUE(LoadConfigText(text, c.kind, Path("n.txt")));
    EXPECT_EQ(c.held(), c.heldText);
    const std::string first = BuildCfgText(InitialSaveState(c.kind));
    const std::string head = std::string(c.saved).substr(0, std::string_view(c.saved).find('='));
    EXPECT_EQ(First(first, head), c.saved);
    ASSERT_TRUE(LoadConfigText(first, c.kind, Path("n.txt")));
    EXPECT_EQ(FirstDiff(first, BuildCfgText(InitialSaveState(c.kind))), "");
  }
  // A row without a short name keeps its steps under its row number.
  LoadConfigFactory();
  DrumStore.RowMap[3].ShortName = "";
  const std::string unnamed = BuildCfgText(InitialSaveState(CfgDrumsOnly));
  EXPECT_EQ(First(unnamed, "F#1 "), "F#1  = Unused, Closed HiHat");
  EXPECT_EQ(First(unnamed, "r4 "), "r4   = x.x.x.x.x.x.x.x.");
  ASSERT_TRUE(LoadConfigText(unnamed, CfgDrumsOnly, Path("n.txt")));
  EXPECT_EQ(FirstDiff(unnamed, BuildCfgText(InitialSaveState(CfgDrumsOnly))), "");
  // A name that the accent row or another row answers to: each row keeps its own steps.
  for (const char* name : {"AC", "r9"}) {
    SCOPED_TRACE(name);
    LoadConfigFactory();
    DrumStore.RowMap[3].ShortName = name;
    DrumStore.RowMap[8].Note = 60;  // re-mapped: its rows are written as "r9", or "C3" if "r9" is a name
    const std::string text = BuildCfgText(InitialSaveState(CfgDrumsOnly));
    ASSERT_TRUE(LoadConfigText(text, CfgDrumsOnly, Path("n.txt")));
    EXPECT_EQ(DrumStore.Patterns[0][0].Rows[3], "x.x.x.x.x.x.x.x.");
    EXPECT_EQ(DrumStore.Patterns[0][0].Rows[8], "....x.......x...");
    EXPECT_EQ(FirstDiff(text, BuildCfgText(InitialSaveState(CfgDrumsOnly))), "");
  }
}

// A name typed into the style windows' editors is held as the file will give it back: saved to a
// file through the writer and loaded through the reader (drum file, bass file and full file), every
// style and pattern name comes back as the window showed it, and a second save writes the same bytes.
TEST_F(CfgRoundTrip, EveryNameTypedIntoTheStyleEditorsReadsBackAsShown) {
  struct Case {
    const char* typed;
    const char* style;    // as held after accepting, at most 10 characters
    const char* pattern;  // at most 7
  };
  const Case cases[] = {
      {"Rockabill\xC3\xA9", "Rockabill\xC3\xA9", "Rockabi"},  // 10 characters in 11 bytes
      {"Caf\xC3\xA9", "Caf\xC3\xA9", "Caf\xC3\xA9"},          // accented
      {"\xE6\x9D\xB1\xE4\xBA\xAC\xE3\x83\xAD\xE3\x83\x83\xE3\x82\xAF\xE3\x83\x93\xE3\x83\xBC\xE3\x83\x88",
       "\xE6\x9D\xB1\xE4\xBA\xAC\xE3\x83\xAD\xE3\x83\x83\xE3\x82\xAF\xE3\x83\x93\xE3\x83\xBC\xE3\x83\x88",
       "\xE6\x9D\xB1\xE4\xBA\xAC\xE3\x83\xAD\xE3\x83\x83\xE3\x82\xAF\xE3\x83\x93\xE3\x83\xBC"},  // CJK
      {"\xF0\x9F\xA5\x81 Beat \xF0\x9F\xA5\x81\xF0\x9F\xA5\x81",
       "\xF0\x9F\xA5\x81 Beat \xF0\x9F\xA5\x81\xF0\x9F\xA5\x81",
       "\xF0\x9F\xA5\x81 Beat"},  // emoji, pattern cut after a blank
      {"123456789\xF0\x9F\xA5\x81x", "123456789\xF0\x9F\xA5\x81", "1234567"},  // one past, 4-byte last
      {"\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9x",
       "\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9x",
       "\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9"},  // pattern one past its limit
      {"ABCDEFGHIJ", "ABCDEFGHIJ", "ABCDEFG"},                       // style exactly at its limit
      {"ABCDEFGHIJK", "ABCDEFGHIJ", "ABCDEFG"},                      // one past
      {"Intro  X", "Intro  X", "Intro"},                             // the cut leaves blanks last
      {"Slow Rock Ballad", "Slow Rock", "Slow Ro"},
      {"  Blues  ", "Blues", "Blues"},  // leading and trailing blanks
      {"=", "Unnamed", ""},
      {"a=b", "ab", "ab"},
      {";", "Unnamed", ""},
      {"Pop; Rock", "Pop", "Pop"},
      {"Tab\tHere", "Tab Here", "Tab Her"},
      {"unUsed", "Unnamed", "unUsed"},  // the word the file writes for a style without a name
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.typed);
    LoadConfigFactory();
    for (TStyleStore* store : {&DrumStore, &BassStore}) {
      SetStyleName(*store, 0, c.typed, true);
      SetPatternName(*store, 0, kStyleFirstBreak, c.typed);
      EXPECT_EQ(store->Styles[0].Name, c.style);
      EXPECT_EQ(store->Patterns[0][kStyleFirstBreak].Name, c.pattern);
    }
    for (uint8_t kind : {CfgDrumsOnly, CfgBassOnly, CfgFull}) {
      SCOPED_TRACE(int(kind));
      const std::string file = Path("names.txt");
      ASSERT_TRUE(SaveConfigFileAs(file, kind, true));
      const std::string saved = ReadAll(file);
      TStyleStore& store = kind == CfgBassOnly ? BassStore : DrumStore;
      const std::string shown[] = {store.Styles[0].Name.Str(),
                                   store.Patterns[0][kStyleFirstBreak].Name.Str()};
      store.Styles[0].Name = "Old";
      store.Patterns[0][kStyleFirstBreak].Name = "Old";
      ASSERT_TRUE(LoadConfigText(saved, kind, file));
      EXPECT_EQ(store.Styles[0].Name, shown[0]);
      EXPECT_EQ(store.Patterns[0][kStyleFirstBreak].Name, shown[1]);
      EXPECT_EQ(FirstDiff(saved, BuildCfgText(InitialSaveState(kind))), "");
    }
  }
  EXPECT_TRUE(ui.boxes.empty());
}

// A style whose last main and last break were deleted stays the window's choice, and the file keeps
// it so: saved, loaded and saved again it is still the current style, with pattern 0.
TEST_F(CfgRoundTrip, StyleLeftWithoutPatternsStaysChosen) {
  for (uint8_t kind : {CfgDrumsOnly, CfgBassOnly, CfgFull}) {
    SCOPED_TRACE(int(kind));
    LoadConfigFactory();
    TStyleStore& store = kind == CfgBassOnly ? BassStore : DrumStore;
    ASSERT_TRUE(InsertStyle(store, 1));
    ASSERT_TRUE(DeletePattern(store, 1, 0));
    ASSERT_TRUE(DeletePattern(store, 1, kStyleFirstBreak));
    ASSERT_EQ(store.Styles[1].LastMain, -1);
    ASSERT_EQ(store.Styles[1].LastBreak, -1);
    EXPECT_EQ(store.StyleNo, 1);
    EXPECT_EQ(store.PatNo, 0);
    const std::string first = BuildCfgText(InitialSaveState(kind));
    const std::string family(store.Traits->Name);
    EXPECT_EQ(ValueOf(first, family + "StyleNo"), "2");
    EXPECT_EQ(ValueOf(first, family + "PatNo"), "40");
    store.StyleNo = store.PatNo = 0;
    ASSERT_TRUE(LoadConfigText(first, kind, Path("p.txt")));
    EXPECT_EQ(store.StyleNo, 1);
    EXPECT_EQ(store.PatNo, 0);
    EXPECT_EQ(FirstDiff(first, BuildCfgText(InitialSaveState(kind))), "");
  }
}

// The settings fuzz target's seeds, each through the target's own check: a file is refused with its
// message, or it loads, saves, loads again and saves the same text.
TEST_F(CfgRoundTrip, FuzzSeeds) {
  const std::filesystem::path data = VELLORINE_TEST_DATA;
  int seeds = 0;
  for (const auto& f : std::filesystem::directory_iterator(data / "settings-fuzz-seeds")) {
    const std::string name = f.path().filename().string();
    SCOPED_TRACE(name);
    const std::string bytes = ReadAll(f.path().string());
    ASSERT_FALSE(bytes.empty());
    const uint8_t kind = static_cast<uint8_t>(bytes[0]) % 5;
    const bool refused = name.rfind("refused-", 0) == 0;
    LoadConfigFactory();
    EXPECT_EQ(LoadConfigText(std::string_view(bytes).substr(1), kind, Path("seed.txt")), !refused);
    if (!refused) {
      const std::string first = BuildCfgText(InitialSaveState(kind));
      ASSERT_TRUE(LoadConfigText(first, kind, Path("seed.txt")));
      EXPECT_EQ(FirstDiff(first, BuildCfgText(InitialSaveState(kind))), "");
    }
    ++seeds;
  }
  EXPECT_EQ(seeds, 8);
}

// The saved settings file that test.sh puts in the home it gives the suite: a file the program
// loads, with its own ports and tempo, so that a test that read it would see them.
TEST_F(CfgRoundTrip, TheSuitesPlantedSettingsFileLoadsWithItsPortsAndTempo) {
  const std::filesystem::path file =
      std::filesystem::path(VELLORINE_TEST_DATA) / "saved-home" / "SeqDefaults.txt";
  ASSERT_TRUE(LoadConfigText(ReadAll(file.string()), CfgFull, Path("SeqDefaults.txt")));
  EXPECT_EQ(Cfg.Tempo, 9700);
  EXPECT_EQ(Cfg.InPortNames[0], "Stage Keys");
  EXPECT_EQ(Cfg.OutPortNames[0], "Stage Synth");
  EXPECT_EQ(Cfg.OutPortDevNames[0], "Loopback Out 1");
}

TEST_F(CfgRoundTrip, EverySubset) {
  for (uint8_t kind : {CfgColoursOnly, CfgKeyMapsOnly, CfgDrumsOnly, CfgBassOnly}) {
    SCOPED_TRACE(int(kind));
    ExpectRoundTrip(*this, kind);
  }
}

}  // namespace
}  // namespace vel::test
