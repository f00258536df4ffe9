// The settings writer: line forms, key lists, colours, headers and sections of each kind, the
// normalise question, and saves that fail.
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>

#include <csignal>

#include "keymaps/KeyMaps.h"
#include "settings/CfgKeyLists.h"
#include "settings/CfgTestState.h"
#include "styles/StyleStore.h"

namespace vel::test {
namespace {

TEST(CfgLine, FourForms) {
  struct Case {
    const char* text;
    const char* value;
    std::string line;
  };
  const Case cases[] = {
      {"", "", "\r\n"},
      {"-", "ignored", "\r\n;" + std::string(80, '-') + "\r\n"},
      {"A comment", "", "; A comment\r\n"},
      {"Keyword", "Value", "Keyword = Value\r\n"},
  };
  for (const Case& c : cases) {
    TCfgText t;
    t.WriteCfgLine(c.text, c.value);
    EXPECT_EQ(t.Str(), c.line) << c.text;
  }
}

TEST(CfgValueForms, KeysColoursTempo) {
  EXPECT_EQ(KeyText(0, false), "C-2");
  EXPECT_EQ(KeyText(24, false), "C");
  EXPECT_EQ(KeyText(60, false), "C3");
  EXPECT_EQ(KeyText(127, false), "G8");
  EXPECT_EQ(KeyText(127, true), "127");
  EXPECT_EQ(ColourToText(clBtnFace), "15");
  EXPECT_EQ(ColourToText(Rgb(255, 0, 0)), "255, 0, 0");
  EXPECT_EQ(ColourToText(clDefault), "0, 0, 0");
  EXPECT_EQ(TempoToStr(12000), "120.00");
  EXPECT_EQ(TempoToStr(9505), "95.05");
}

using CfgKeyListText = CfgTest;

TEST_F(CfgKeyListText, RangesShiftsAndUnused) {
  ClearKeyMaps();
  ResolveKeyMapSentinels();
  for (int k : {36, 37, 38, 60}) SetKeyFnCmd(k, 2, "play");
  SetKeyFnCmd(70, 23, "mute");
  SetKeyFnCmd(71, 23, "mute");
  SetKeyFnCmd(127, 55, "stop");
  SetKeyFnLive(127, 0, "cmd");
  struct Case {
    TModeType mode;
    uint8_t code;
    int32_t shift;
    bool numeric;
    std::string list;
  };
  const Case cases[] = {
      {MtCmd, 2, 0, false, "C1..D1, C3"},
      {MtCmd, 2, 0, true, "36..38, 60"},
      {MtCmd, 23, 0, false, "A#3..B3"},
      {MtCmd, 55, 0, false, "G8"},
      {MtCmd, 55, 0, true, "127"},
      {MtCmd, 56, 0, false, "Unused"},
      {MtCmd, 2, 12, true, "48..50, 72"},
      // Keys shifted in from below the map carry the out-of-map function only.
      {MtLive, 2, 12, true, "0..11"},
      {MtCmd, 147, 12, true, "12..47, 51..71, 73..81, 84..127"},
      // A shift down: a function at source key 127 is written up to key 115.
      {MtLive, 0, -12, true, "115"},
      {MtLive, 2, -12, true, "116..127"},
      {MtCmd, 55, -12, true, "115"},
  };
  for (const Case& c : cases)
    EXPECT_EQ(BuildKeyList(c.mode, c.code, c.shift, c.numeric), c.list) << int(c.mode) << " " << int(c.code);
}

using CfgWriterText = CfgTest;

TEST_F(CfgWriterText, FullFileSectionsAndEntries) {
  const std::string t = Full();
  EXPECT_EQ(t.substr(0, t.find("\r\n")), "; Vellorine " + First(t, "; Vellorine ").substr(12));
  EXPECT_EQ(ValueOf(t, "Version"), "13.03");
  // The start-up example names the file on its own, as a Linux command line takes it.
  EXPECT_EQ(First(t, ";   vellorine "), ";   vellorine \"/home/user/Seq Configs/Live Set.txt\"");
  EXPECT_EQ(ValueOf(t, "NoviceMode"), "N");
  EXPECT_EQ(ValueOf(t, "ProgName-0"), "Ac Grand Piano");
  EXPECT_EQ(ValueOf(t, "ProgName-127"), "Gunshot");
  EXPECT_EQ(ValueOf(t, "KinetraceImgFile"), "Unused");
  EXPECT_EQ(ValueOf(t, "KinetraceImgVisible"), "N");
  EXPECT_EQ(ValueOf(t, "TempoSlewTime"), "3");
  EXPECT_EQ(ValueOf(t, "InPortsAllocated"), "2");
  EXPECT_EQ(ValueOf(t, "InPort2-DevName"), "Pads In");
  EXPECT_EQ(ValueOf(t, "OutPortsAllocated"), "1");
  EXPECT_EQ(ValueOf(t, "Port1-MChanEnabled"), "N");
  EXPECT_EQ(ValueOf(t, "Port2-MChanEnabled"), "<none>");
  EXPECT_EQ(ValueOf(t, "Part9-Seq16-PortNo"), "1");
  EXPECT_EQ(ValueOf(t, "Part1-Seq1-FtsType"), "off");
  EXPECT_EQ(ValueOf(t, "ClBgForm"), "15");
  EXPECT_EQ(ValueOf(t, "ClKinetrace-Chan1"), "0, 0, 255");
  EXPECT_EQ(ValueOf(t, "ClKinetrace-Chan16"), "0, 255, 128");
  EXPECT_EQ(ValueOf(t, "MetrDrumBeatNote"), "F#1");
  EXPECT_EQ(ValueOf(t, "DrumChain1-Step1-Jump"), "0");
  EXPECT_EQ(ValueOf(t, "KeyDefsNumeric"), "N");
  EXPECT_EQ(ValueOf(t, "InPort1-LiveCmdKey"), "C1");
  EXPECT_EQ(ValueOf(t, "CmdCalib"), "B, C4");
  EXPECT_EQ(ValueOf(t, "LiveN"), "C-2..B, C#1..G8");
  EXPECT_EQ(Lines(t, "CmdSeq").size(), 16u);
  for (int n = 5; n <= 16; ++n) EXPECT_EQ(ValueOf(t, "CmdSeq" + std::to_string(n)), "Unused");
  EXPECT_EQ(Lines(t, "CmdPart = ").size(), 2u);  // written twice, as the file always had it
  EXPECT_EQ(Lines(t, "PatternSection = ").size(), 2u);
  // Every entry of every key map, the three that stand twice included.
  std::size_t entries = 0;
  for (const auto& b : KeyMapBlocks())
    for (const auto& it : b.Items)
      if (it.K == TKeyBlockItem::Entry || it.K == TKeyBlockItem::Unused) ++entries;
  EXPECT_EQ(entries, 1484u);
}

TEST_F(CfgWriterText, SubsetKinds) {
  struct Case {
    uint8_t kind;
    const char* title;
    bool colours, keyIntro, keyMaps, drum, bass;
  };
  const Case cases[] = {
      {CfgColoursOnly, "Colours", true, false, false, false, false},
      {CfgKeyMapsOnly, "Key maps", false, false, true, false, false},
      {CfgDrumsOnly, "Drum patterns", false, false, false, true, false},
      {CfgBassOnly, "Bass patterns", false, false, false, false, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.title);
    const std::string t = BuildCfgText(InitialSaveState(c.kind));
    EXPECT_EQ(First(t, "; This is a "),
              std::string("; This is a ") + c.title + " subset of the full config file.");
    EXPECT_EQ(First(t, "; It can be loaded"),
              std::string("; It can be loaded via Config, Load, ") + c.title + " only...");
    EXPECT_EQ(ValueOf(t, "Version"), "13.03");
    EXPECT_EQ(ValueOf(t, "NoviceMode"), "<none>");
    EXPECT_EQ(ValueOf(t, "MaxActiveSeqs"), "<none>");
    EXPECT_EQ(ValueOf(t, "ClText") != "<none>", c.colours);
    EXPECT_EQ(ValueOf(t, "KeyDefsNumeric") != "<none>", c.keyIntro);
    EXPECT_EQ(ValueOf(t, "InPort1-OctaveOffset") != "<none>", c.keyIntro);
    EXPECT_EQ(ValueOf(t, "CmdPlay") != "<none>", c.keyMaps);
    EXPECT_EQ(ValueOf(t, "DrumStyleNo") != "<none>", c.drum);
    EXPECT_EQ(ValueOf(t, "BassStyleNo") != "<none>", c.bass);
    EXPECT_EQ(Lines(t, "PatternSection = Drum").size(), c.drum ? 1u : 0u);
    EXPECT_EQ(Lines(t, "PatternSection = Bass").size(), c.bass ? 1u : 0u);
    EXPECT_EQ(Lines(t, "; To merge your old").size(), 0u);
  }
}

TEST_F(CfgWriterText, PatternRows) {
  DrumStore.LastStyle = 0;
  DrumStore.Styles[0] = TStyleHeader{0, -1, "Plain"};
  TStylePattern& p = DrumStore.Patterns[0][0];
  p = TStylePattern{};
  p.Steps = 12;
  p.TSigNum = 3;
  p.TSigDen = 4;
  const std::string t = BuildCfgText(InitialSaveState(CfgDrumsOnly));
  const std::string rest = t.substr(t.find("Style = Plain"));
  // No row of the pattern holds a beat: one row of rests stands for it.
  EXPECT_EQ(First(rest, "Main = "), "Main = 3/4");
  EXPECT_EQ(First(rest, "BD  "), "BD   = ............");
  EXPECT_EQ(Lines(rest, "Break").size(), 0u);

  p.Name = "Intro";
  p.Rows[0] = "x...........";
  p.Rows[15] = "x.x.........";
  DrumStore.RowMap[15].Note = 35;  // re-mapped: written by row number
  const std::string t2 = BuildCfgText(InitialSaveState(CfgDrumsOnly));
  const std::string rest2 = t2.substr(t2.find("Style = Plain"));
  EXPECT_EQ(First(rest2, "Main = "), "Main = 3/4, Intro");
  EXPECT_EQ(First(rest2, "AC  "), "AC   = x...........");
  EXPECT_EQ(First(rest2, "r16 "), "r16  = x.x.........");
  EXPECT_EQ(First(t2, "B    = "), "B    = r16");
  EXPECT_EQ(First(t2, "C#2  = "), "C#2  = CC, Crash Cym 1");

  DrumStore.LastStyle = -1;
  const std::string t3 = BuildCfgText(InitialSaveState(CfgDrumsOnly));
  EXPECT_EQ(Lines(t3, "Style = ").size(), 0u);
  EXPECT_EQ(Lines(t3, "Main = ").size(), 0u);
  const std::string tail = "TAM, Tambourine\r\nB    = r16\r\n";
  EXPECT_EQ(t3.substr(t3.size() - tail.size()), tail);
}

// ---- the normalise question ----

TEST_F(CfgWriterText, NormaliseQuestionAndAnswers) {
  Cfg.InPortOctaveOffset[0] = 1;
  Cfg.InPortOctaveOffset[1] = -1;
  bool aux = false;
  int32_t v = 0;
  TCfgSaveState st = InitialSaveState(CfgFull);
  EXPECT_EQ(NormaliseQuestion(st, aux, v),
            "Saving key maps...\r\nMain port 1 has an octave offset of 1\r\nDo you want to normalise (i.e. "
            "adjust all "
            "keys at source so offset is 0 at next load)?\r\n(Aux port 2 offset will be saved as -2 to "
            "compensate)");
  Cfg.InPortOctaveOffset[1] = -9;
  const std::string q = NormaliseQuestion(st = InitialSaveState(CfgFull), aux, v);
  EXPECT_EQ(q.substr(q.find("\r\nWarning")),
            "\r\nWarning: Aux port 2 offset cannot be adjusted as it would be out of range");
  // Not a full save, no main offset, or a calibrate key pushed out of 0..127: no question.
  EXPECT_EQ(NormaliseQuestion(InitialSaveState(CfgKeyMapsOnly), aux, v), "");
  Cfg.InPortOctaveOffset[0] = 0;
  EXPECT_EQ(NormaliseQuestion(InitialSaveState(CfgFull), aux, v), "");
  Cfg.InPortOctaveOffset[0] = 9;
  EXPECT_EQ(NormaliseQuestion(InitialSaveState(CfgFull), aux, v), "");

  // Yes shifts, No writes as held, Cancel writes nothing.
  Cfg.InPortOctaveOffset[0] = 1;
  Cfg.InPortOctaveOffset[1] = 1;
  const std::string file = Path("n.txt");
  struct Case {
    MsgAnswer answer;
    std::string offset1, offset2, esc;
  };
  const Case cases[] = {
      {MsgAnswer::Yes, "0", "0", "C2"},
      {MsgAnswer::No, "1", "1", "C1"},
  };
  for (const Case& c : cases) {
    ui.Answer(c.answer);
    ASSERT_TRUE(SaveConfigFileAs(file, CfgFull, true));
    const std::string t = ReadAll(file);
    EXPECT_EQ(ValueOf(t, "InPort1-OctaveOffset"), c.offset1);
    EXPECT_EQ(ValueOf(t, "InPort2-OctaveOffset"), c.offset2);
    EXPECT_EQ(ValueOf(t, "CmdEsc"), c.esc);
  }
  EXPECT_EQ(Cfg.InPortOctaveOffset[0].load(), 1);  // held values never change
  WriteAll(file, "old");
  ui.Answer(MsgAnswer::Cancel);
  EXPECT_TRUE(SaveConfigFileAs(file, CfgFull, true));
  EXPECT_EQ(ReadAll(file), "old");
  EXPECT_EQ(ui.boxes.size(), 3u);
  EXPECT_EQ(ui.boxes[0].buttons, MsgButtons::YesNoCancel);
}

// ---- saves ----

TEST_F(CfgWriterText, DefaultFileNamedFileAndCancelledDialog) {
  ASSERT_TRUE(SaveConfigFile(true, CfgFull));
  EXPECT_EQ(ReadAll(Path("Vellorine/SeqDefaults.txt")), Full());
  // The save dialog: cancel touches nothing; a name is written and remembered as the last folder.
  std::string asked;
  CfgLink().SaveDialog = [&](const std::string& title, const std::string&) {
    asked = title;
    return std::string();
  };
  EXPECT_TRUE(SaveConfigFile(false, CfgColoursOnly));
  EXPECT_EQ(asked, "Save colour config");
  CfgLink().SaveDialog = [&](const std::string&, const std::string&) { return Path("c.txt"); };
  EXPECT_TRUE(SaveConfigFile(false, CfgColoursOnly));
  EXPECT_EQ(ReadAll(Path("c.txt")), BuildCfgText(InitialSaveState(CfgColoursOnly)));
  EXPECT_EQ(Cfg.LastSavedConfigFolder, dir_.string());
  EXPECT_TRUE(ui.boxes.empty());
}

// A file that failed to load is the user's work: the first save over it keeps it as <name>.bak.
TEST_F(CfgWriterText, FirstSaveOverARefusedFileKeepsItAsBak) {
  std::filesystem::create_directories(Path("Vellorine"));
  const std::string file = DefaultCfgFileName();
  const std::string bak = file + ".bak";
  Cfg.KeepAwake = 0;
  std::string user = Full();
  user.replace(user.find("Live-SVel = 5"), 13, "Live-SVel = 12");
  WriteAll(file, user);
  std::vector<std::string> status;
  CfgLink().SetStatusText = [&](const std::string& s) { status.push_back(s); };
  CfgFiles.ConfigFileName = file;
  bool ok = true;
  LoadConfig(false, true, CfgFull, ok);
  ASSERT_FALSE(ok);
  ASSERT_EQ(Cfg.KeepAwake, 1);  // factory settings now
  ui.boxes.clear();
  ASSERT_TRUE(SaveConfigFile(true, CfgFull));
  EXPECT_TRUE(ReadAll(bak) == user);
  EXPECT_EQ(FirstDiff(ReadAll(file), Full()), "");
  const std::string saved = "Settings saved to " + file;
  EXPECT_EQ(status, (std::vector<std::string>{"Previous settings file kept as SeqDefaults.txt.bak", saved}));
  // Only the first save keeps a copy; the next ones replace the file alone.
  WriteAll(bak, "kept");
  ASSERT_TRUE(SaveConfigFile(true, CfgFull));
  EXPECT_EQ(ReadAll(bak), "kept");
  EXPECT_EQ(status.size(), 3u);
  EXPECT_EQ(status.back(), saved);
  // A file that loaded is saved over without a copy.
  const std::string good = Path("good.txt");
  WriteAll(good, Full());
  CfgFiles.ConfigFileName = good;
  LoadConfig(false, false, CfgFull, ok);
  ASSERT_TRUE(ok);
  ASSERT_TRUE(SaveConfigFileAs(good, CfgFull, true));
  EXPECT_FALSE(std::filesystem::exists(good + ".bak"));
  EXPECT_EQ(status.back(), "Settings saved to " + good);
  EXPECT_TRUE(ui.boxes.empty());
}

// When the copy cannot be made, the refused file is not replaced either.
TEST_F(CfgWriterText, RefusedFileStaysWhenItsCopyCannotBeMade) {
  const std::string file = Path("drums.txt");
  WriteAll(file, "Version = 13.03\r\nDrumVelVar = x\r\n");
  std::filesystem::create_directories(file + ".bak");  // a folder in the copy's place
  CfgFiles.ConfigFileName = file;
  bool ok = true;
  LoadConfig(false, false, CfgDrumsOnly, ok);
  ASSERT_FALSE(ok);
  ui.boxes.clear();
  EXPECT_FALSE(SaveConfigFileAs(file, CfgDrumsOnly, true));
  EXPECT_TRUE(ReadAll(file) == "Version = 13.03\r\nDrumVelVar = x\r\n");
  ASSERT_EQ(ui.boxes.size(), 1u);
  EXPECT_EQ(ui.boxes[0].text,
            "Cannot close config file drums.txt.bak\r\nin folder " + dir_.string() + "\r\nIs a directory");
}

TEST_F(CfgWriterText, MissingFolderIsReported) {
  EXPECT_FALSE(SaveConfigFileAs(Path("none/s.txt"), CfgFull, true));
  ASSERT_EQ(ui.boxes.size(), 1u);
  EXPECT_EQ(ui.boxes[0].text,
            "Cannot create config file s.txt\r\nin folder " + Path("none") + "\r\nNo such file or directory");
  EXPECT_FALSE(std::filesystem::exists(Path("none")));
}

TEST_F(CfgWriterText, ReadOnlyFolderKeepsOldFile) {
  if (::geteuid() == 0) GTEST_SKIP() << "root writes into read-only folders";
  const std::string file = Path("ro/s.txt");
  std::filesystem::create_directories(Path("ro"));
  WriteAll(file, "old settings\r\n");
  ::chmod(Path("ro").c_str(), 0555);
  EXPECT_FALSE(SaveConfigFileAs(file, CfgFull, true));
  ::chmod(Path("ro").c_str(), 0755);
  EXPECT_EQ(ReadAll(file), "old settings\r\n");
  ASSERT_EQ(ui.boxes.size(), 1u);
  EXPECT_EQ(ui.boxes[0].text.substr(0, 37), "Cannot create config file s.txt\r\nin ");
}

TEST_F(CfgWriterText, FullDiskHalfWayKeepsOldFile) {
  const std::string file = Path("s.txt");
  const std::string old = "old settings\r\n";
  WriteAll(file, old);
  // A child process with a file-size limit below the file's size: the write fails half-way.
  const pid_t pid = ::fork();
  ASSERT_GE(pid, 0);
  if (pid == 0) {
    std::signal(SIGXFSZ, SIG_IGN);
    rlimit lim{20000, 20000};
    ::setrlimit(RLIMIT_FSIZE, &lim);
    std::string text;
    Ui().MessageBox = [&](const std::string& t, const std::string&, MsgKind, MsgButtons) {
      text = t;
      return MsgAnswer::Ok;
    };
    const bool ok = SaveConfigFileAs(file, CfgFull, true);
    _exit(!ok && text.rfind("Cannot write to config file s.txt\r\nin folder ", 0) == 0 ? 0 : 1);
  }
  int status = 0;
  ::waitpid(pid, &status, 0);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  EXPECT_EQ(ReadAll(file), old);
  // No temporary file is left behind.
  int files = 0;
  for ([[maybe_unused]] const auto& f : std::filesystem::directory_iterator(dir_)) ++files;
  EXPECT_EQ(files, 1);
}

}  // namespace
}  // namespace vel::test
