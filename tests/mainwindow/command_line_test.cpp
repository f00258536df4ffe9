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
  };
  for (const Case& c : cases) {
    const TConfigChoice choice = ChooseConfig(ParseCommandLine(c.params), "/cfg/", exists);
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
      "Syntax: Vellorine [/c<config filename>] [/m<midi filename>] [/d<secs>] [/r]\r\n"
      "  /d - startup delay for turnkey operation; e.g. allows slow USB drivers to start\r\n"
      "  /r - reset to factory, ignoring config file, e.g. if corrupted\r\n"
      "  Use double quotes around filenames if they contain spaces\r\n"
      "  e.g. 1: Vellorine /c\"/home/user/Vellorine/MicroKorg.txt\"\r\n"
      "  e.g. 2: Vellorine /c\"/home/user/Seq Configs/Karma.txt\" /m\"/home/user/Midi Files/Riff1.mid\" /d5";
  test::UiRecorder ui;
  ShowParamSyntax("Invalid param switch 'x'");
  ShowParamSyntax("");
  ASSERT_EQ(ui.boxes.size(), 2u);
  EXPECT_EQ(ui.boxes[0].text, "Invalid param switch 'x'\r\n\r\n" + help);
  EXPECT_EQ(ui.boxes[0].kind, MsgKind::Error);
  EXPECT_EQ(ui.boxes[0].buttons, MsgButtons::Ok);
  EXPECT_EQ(ui.boxes[1].text, help);
}

}  // namespace
}  // namespace vel
