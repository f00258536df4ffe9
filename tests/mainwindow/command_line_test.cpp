#include <gtest/gtest.h>

#include <set>

#include "base/UiRecorder.h"
#include "mainwindow/CommandLine.h"

namespace vel {
namespace {

TEST(ParseCommandLine, ReadsSwitchesUntilTheFirstFault) {
  struct Case {
    std::vector<std::string> params;
    const char* config;
    const char* midi;
    int32_t delay;
    bool factory;
    bool syntax;
    const char* fault;
  };
  const Case cases[] = {
      {{}, "", "", 0, false, false, ""},
      {{"/cMy Set.txt", "-MRiff 1.mid", "/D5", "-r"}, "My Set.txt", "Riff 1.mid", 5, true, false, ""},
      {{"/c"}, "", "", 0, false, false, ""},
      {{"/cA", "x", "/mB"}, "A", "", 0, false, true, "Invalid parameter 'x'"},
      {{"/cA", "", "/mB"}, "A", "", 0, false, true, "Invalid parameter ''"},
      {{"+cA", "/mB"}, "", "", 0, false, true, "Invalid param prefix '+'"},
      {{"/d7", "/x1", "/mB"}, "", "", 7, false, true, "Invalid param switch 'x'"},
      {{"/dfive", "/mB"}, "", "", 0, false, true, "Startup delay parameter error; invalid number 'five'"},
      {{"/d"}, "", "", 0, false, true, "Startup delay parameter error; invalid number ''"},
      {{"/d5s"}, "", "", 0, false, true, "Startup delay parameter error; invalid number '5s'"},
      {{"/d+-5"}, "", "", 0, false, true, "Startup delay parameter error; invalid number '+-5'"},
      {{"/d99999999999"},
       "",
       "",
       0,
       false,
       true,
       "Startup delay parameter error; invalid number '99999999999'"},
      {{"/d+4"}, "", "", 4, false, false, ""},
      {{"/mA", "/?", "/x"}, "", "A", 0, false, true, ""},
      {{"-h", "/cA"}, "", "", 0, false, true, ""},
      {{"/H"}, "", "", 0, false, true, ""},
      {{"-c", "A", "--help"}, "A", "", 0, false, true, ""},
      {{"--helper"}, "", "", 0, false, true, "Invalid param switch '-'"},
  };
  for (const Case& c : cases) {
    const TCommandLine cl = ParseCommandLine(c.params);
    const std::string where = c.params.empty() ? "(none)" : c.params.front();
    EXPECT_EQ(cl.ConfigFileName, c.config) << where;
    EXPECT_EQ(cl.MidiFileName, c.midi) << where;
    EXPECT_EQ(cl.DelaySecs, c.delay) << where;
    EXPECT_EQ(cl.Factory, c.factory) << where;
    EXPECT_EQ(cl.ShowSyntax, c.syntax) << where;
    EXPECT_EQ(cl.Fault, c.fault) << where;
    // The help asked for is printed, where a fault keeps its box.
    EXPECT_EQ(cl.Help, c.syntax && c.fault[0] == 0) << where;
  }
}

TEST(ParseCommandLine, PathsAreFilesAndValuesMayFollowTheirSwitch) {
  const std::set<std::string> files = {"/home/u/My Songs/groove.mid", "/run/user/1000/set.txt", "song.mid",
                                       "Sets/live.txt", "/home/u/Take.MIDI"};
  auto exists = [&files](const std::string& path) { return files.count(path) > 0; };
  struct Case {
    std::vector<std::string> params;
    const char* config;
    const char* midi;
    int32_t delay;
    bool syntax;
    const char* fault;
  };
  const Case cases[] = {
      // Named on their own, existing or not, by the extension.
      {{"/home/u/My Songs/groove.mid"}, "", "/home/u/My Songs/groove.mid", 0, false, ""},
      {{"/run/user/1000/set.txt"}, "/run/user/1000/set.txt", "", 0, false, ""},
      {{"/home/u/Take.MIDI", "/d3"}, "", "/home/u/Take.MIDI", 3, false, ""},
      {{"/media/usb/Gone.mid", "/media/usb/gone.txt"},
       "/media/usb/gone.txt",
       "/media/usb/Gone.mid",
       0,
       false,
       ""},
      {{"song.mid"}, "", "song.mid", 0, false, ""},
      {{"Sets/missing.txt"}, "Sets/missing.txt", "", 0, false, ""},
      {{"songs.mid"}, "", "", 0, true, "Invalid param prefix 's'"},
      {{"/home/u/My Songs/groove.mid", "/mB"}, "", "B", 0, false, ""},
      // A value as the next parameter, unless that is a switch.
      {{"-m", "song.mid", "-c", "/run/user/1000/set.txt", "-d", "5"},
       "/run/user/1000/set.txt",
       "song.mid",
       5,
       false,
       ""},
      {{"/m", "/media/usb/Gone.mid", "/c", "x"}, "x", "/media/usb/Gone.mid", 0, false, ""},
      {{"/d", "-3"}, "", "", -3, false, ""},
      {{"-d", "-r"}, "", "", 0, true, "Startup delay parameter error; invalid number ''"},
      {{"/c", "/mB"}, "", "B", 0, false, ""},
      {{"-m", "/h", "/cA"}, "", "", 0, true, ""},
      // The value stuck to its switch, as the shell leaves /c"/path".
      {{"/c/run/user/1000/set.txt"}, "/run/user/1000/set.txt", "", 0, false, ""},
      {{"/M/home/u/none.mid"}, "", "/home/u/none.mid", 0, false, ""},
      {{"/cSets/live.txt"}, "Sets/live.txt", "", 0, false, ""},
      {{"/cSets/none.txt"}, "/cSets/none.txt", "", 0, false, ""},
      {{"/d/5"}, "/d/5", "", 0, false, ""},
  };
  for (const Case& c : cases) {
    const TCommandLine cl = ParseCommandLine(c.params, exists);
    const std::string where = c.params.front();
    EXPECT_EQ(cl.ConfigFileName, c.config) << where;
    EXPECT_EQ(cl.MidiFileName, c.midi) << where;
    EXPECT_EQ(cl.DelaySecs, c.delay) << where;
    EXPECT_FALSE(cl.Factory) << where;
    EXPECT_EQ(cl.ShowSyntax, c.syntax) << where;
    EXPECT_EQ(cl.Fault, c.fault) << where;
  }
}

TEST(ParseCommandLine, LongDelaysDoNotWrap) {
  EXPECT_EQ(StartupDelayMs(ParseCommandLine({"/d2148"})), 2148000);
  EXPECT_EQ(StartupDelayMs(ParseCommandLine({"/d2147483647"})), int64_t{2147483647} * 1000);
  EXPECT_EQ(StartupDelayMs(ParseCommandLine({"/d-3"})), 0);
}

TEST(ChooseConfig, NamedFileThenTxtThenDefault) {
  // "X" is missing, "X.txt" and the default file exist.
  const std::set<std::string> files = {"X.txt", "/cfg/SeqDefaults.txt", "Song.mid", "Plain"};
  auto exists = [&files](const std::string& path) { return files.count(path) > 0; };
  struct Case {
    std::vector<std::string> params;
    const char* config;
    const char* midi;
    bool defaultUsed;
    const char* configFault;
    const char* midiFault;
  };
  const Case cases[] = {
      {{}, "/cfg/SeqDefaults.txt", "", true, "", ""},
      {{"/c"}, "/cfg/SeqDefaults.txt", "", true, "", ""},
      {{"/cX"}, "X.txt", "", false, "", ""},
      {{"/cPlain"}, "Plain", "", false, "", ""},
      {{"/cX", "/r"}, "", "", false, "", ""},
      {{"/r"}, "", "", false, "", ""},
      {{"/cNone", "/mSong.mid"},
       "",
       "Song.mid",
       false,
       "Config file specified in parameter list not found\r\nNone",
       ""},
      {{"/mGone.mid"},
       "/cfg/SeqDefaults.txt",
       "",
       true,
       "",
       "Midi file specified in parameter list not found\r\nGone.mid"},
      {{"/media/usb/gone.txt"},
       "",
       "",
       false,
       "Config file specified in parameter list not found\r\n/media/usb/gone.txt",
       ""},
      {{"/media/usb/Gone.mid"},
       "/cfg/SeqDefaults.txt",
       "",
       true,
       "",
       "Midi file specified in parameter list not found\r\n/media/usb/Gone.mid"},
      {{"/cfg/SeqDefaults.txt"}, "/cfg/SeqDefaults.txt", "", false, "", ""},
  };
  for (const Case& c : cases) {
    const TConfigChoice choice = ChooseConfig(ParseCommandLine(c.params, exists), "/cfg/", exists);
    const std::string where = c.params.empty() ? "(none)" : c.params.front();
    EXPECT_EQ(choice.ConfigFileName, c.config) << where;
    EXPECT_EQ(choice.MidiFileName, c.midi) << where;
    EXPECT_EQ(choice.DefaultUsed, c.defaultUsed) << where;
    EXPECT_EQ(choice.ConfigFault, c.configFault) << where;
    EXPECT_EQ(choice.MidiFault, c.midiFault) << where;
  }
}

TEST(ChooseConfig, NoDefaultFileGivesFactory) {
  const TConfigChoice choice = ChooseConfig({}, "/cfg/", [](const std::string&) { return false; });
  EXPECT_EQ(choice.ConfigFileName, "");
  EXPECT_FALSE(choice.DefaultUsed);
  EXPECT_EQ(choice.ConfigFault, "");
}

TEST(ShowParamSyntax, ErrorBoxWithMessageThenHelp) {
  const std::string help =
      "Syntax: vellorine [/c<config filename>] [/m<midi filename>] [/d<secs>] [/r] [<filename>]\r\n"
      "  /d - startup delay for turnkey operation; e.g. allows slow USB drivers to start\r\n"
      "  /r - reset to factory, ignoring config file, e.g. if corrupted\r\n"
      "  '-' may stand for '/', and a switch's value may be the next parameter\r\n"
      "  A filename on its own is the midi file if it ends in .mid or .midi, else the config file\r\n"
      "  Use double quotes around filenames if they contain spaces\r\n"
      "  e.g. 1: vellorine /c\"/home/user/.config/Vellorine/Studio.txt\"\r\n"
      "  e.g. 2: vellorine -c \"/home/user/Seq Configs/Live Set.txt\" \\\r\n"
      "            -m \"/home/user/Midi Files/Groove1.mid\" -d 5\r\n"
      "  e.g. 3: vellorine \"/home/user/Midi Files/Groove1.mid\"";
  test::UiRecorder ui;
  ShowParamSyntax("Invalid param switch 'x'");
  ShowParamSyntax("");
  ASSERT_EQ(ui.boxes.size(), 2u);
  EXPECT_EQ(ui.boxes[0].text, "Invalid param switch 'x'\r\n\r\n" + help);
  EXPECT_EQ(ui.boxes[0].kind, MsgKind::Error);
  EXPECT_EQ(ui.boxes[0].buttons, MsgButtons::Ok);
  EXPECT_EQ(ui.boxes[1].text, help);
  // A terminal's lines end in LF alone, the last one too.
  std::string lines;
  for (char ch : help + "\r\n")
    if (ch != '\r') lines += ch;
  EXPECT_EQ(ParamSyntaxLines(), lines);
}

}  // namespace
}  // namespace vel
