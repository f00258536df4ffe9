// The strongest test of the settings file: what is saved loads back into the same settings, so a
// second save gives the same bytes.
#include "keymaps/KeyMaps.h"
#include "settings/CfgKeyLists.h"
#include "settings/CfgTestState.h"
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

TEST_F(CfgRoundTrip, EverySubset) {
  for (uint8_t kind : {CfgColoursOnly, CfgKeyMapsOnly, CfgDrumsOnly, CfgBassOnly}) {
    SCOPED_TRACE(int(kind));
    ExpectRoundTrip(*this, kind);
  }
}

}  // namespace
}  // namespace vel::test
