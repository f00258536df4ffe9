// Factory settings: the whole set by mode, the colours alone, and the reset through the main
// window's loader.
#include "keymaps/KeyMaps.h"
#include "settings/CfgTestState.h"

namespace vel::test {
namespace {

using CfgFactory = CfgTest;

TEST_F(CfgFactory, ModeDecidesNoteDisplayAndKeyMaps) {
  struct Case {
    uint8_t standard;
    uint8_t kinetrace;
    int cmdKey35;  // the calibrate key of the standard command map
  };
  const Case cases[] = {{1, 1, 120}, {0, 0, 147}};
  for (const Case& c : cases) {
    Cfg.StandardMode = c.standard;
    Cfg.KeepAwake = 0;
    Cfg.ClText = Rgb(1, 1, 1);
    Cfg.UserProgNames[0] = "x";
    Cfg.InPortOctaveOffset[0] = 3;
    DrumStore.LastStyle = -1;
    LoadConfigFactory();
    EXPECT_EQ(Cfg.StandardMode, c.standard);
    EXPECT_EQ(Cfg.DspKinetrace, c.kinetrace);
    EXPECT_EQ(KeyCodeAt(MtCmd, 35), c.cmdKey35);
    EXPECT_EQ(Cfg.KeepAwake, 1);
    EXPECT_EQ(Cfg.ClText, clDefault);
    EXPECT_EQ(Cfg.UserProgNames[0], "Ac Grand Piano");
    EXPECT_EQ(Cfg.InPortOctaveOffset[0].load(), 0);
    EXPECT_EQ(Cfg.LastSavedConfigFolder, dir_.string() + "/Vellorine");
    EXPECT_EQ(DrumStore.LastStyle, 0);
  }
}

TEST_F(CfgFactory, ColoursAloneChangeOnlyColours) {
  Cfg.KeepAwake = 0;
  Cfg.ClStError = Rgb(1, 2, 3);
  Cfg.ClKinetraceChan[3] = 0;
  Cfg.ClSysBgWindow = Rgb(4, 5, 6);
  LoadColoursFactory();
  EXPECT_EQ(Cfg.ClStError, Rgb(255, 0, 0));
  EXPECT_EQ(Cfg.ClKinetraceChan[3], Rgb(0, 255, 255));
  EXPECT_EQ(Cfg.ClSysBgWindow, SysColour(5));
  EXPECT_EQ(Cfg.KeepAwake, 0);
}

TEST_F(CfgFactory, ResetAllGoesThroughTheMainWindowsLoader) {
  CfgFiles.ConfigFileName = "/some/file.txt";
  int calls = 0;
  CfgLink().LoadConfigAndApplyFactory = [&] { ++calls; };
  ResetAllToFactory();
  EXPECT_EQ(calls, 1);
  EXPECT_EQ(CfgFiles.ConfigFileName, "");
  // Without a main window the factory settings are loaded directly.
  CfgLink().LoadConfigAndApplyFactory = nullptr;
  Cfg.KeepAwake = 0;
  ResetAllToFactory();
  EXPECT_EQ(Cfg.KeepAwake, 1);
}

}  // namespace
}  // namespace vel::test
