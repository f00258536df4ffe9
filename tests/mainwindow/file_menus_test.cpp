#include <gtest/gtest.h>

#include <string>

#include "engine/EngineTestState.h"
#include "engine/PartBufs.h"
#include "mainwindow/FileMenus.h"
#include "mainwindow/ResetViewState.h"
#include "mainwindow/ViewTestState.h"
#include "settings/Settings.h"

namespace vel {
namespace {

TEST(FileMenuTexts, BoxesAndQuestionsAsShown) {
  struct Case {
    std::string got;
    std::string want;
  };
  const Case cases[] = {
      {MetrSeqOverwrittenText(1, true),
       "MIDI data has just been loaded into the sequence allocated as the audible metronome (seq 2)\r\n"
       "The metronome pattern will overwrite this unless you turn it off before clicking Run\r\n"
       "(see 'Settings, Metronome, Seq no.')"},
      {MetrSeqOverwrittenText(0, false),
       "MIDI data has just been loaded into the sequence allocated as the audible metronome (seq 1)\r\n"
       "The metronome pattern will overwrite this when you click Run (novice mode only)"},
      // A box shows "&" as it stands, so the text carries one.
      {ModeSwitchQuestion(true, true),
       "About to turn on novice mode, ok?\r\n\r\nPlease stop all seqs first to reduce chance of stuck notes"
       "\r\n\r\nConfiguration & key maps will be reset to novice factory settings"},
      {ModeSwitchQuestion(false, false),
       "About to turn off novice mode and revert to full operation, ok?\r\n\r\nConfiguration & key maps will "
       "be reset to standard factory settings,\r\nso check/adjust your settings afterwards and re-save the "
       "config"},
      {ViewEditQuestion("SeqDefaults.txt", true),
       "About to view/edit the default auto-run config file, ok?\r\n\r\nIf you make any changes, save the "
       "file in plain text format,\r\n(most text editors do this automatically),\r\nthen reload it via "
       "'Config, Load...', or restart Vellorine"},
      {ViewEditQuestion("Gig.txt", false),
       "About to view/edit file 'Gig.txt', ok?\r\n\r\nIf you make any changes, save the file in plain text "
       "format,\r\n(most text editors do this automatically),\r\nthen reload it via 'Config, Load...'"},
      {SaveRefusalText(true), "Unable to save config file while Port allocation screen is active"},
      {SaveRefusalText(false), "Unable to save config file while main 'Config' menu is disabled"},
      {StyleRefusalText(true, true), "Can't load drum styles while metronome drum seq running"},
      {StyleRefusalText(false, false), "Can't reset bass styles while metronome bass seq running"},
      {PortsMenuHint(TProgState::Config), "Allocate & rename MIDI ports, clocks, sync, Tarlo"},
      {PortsMenuHint(TProgState::Running),
       "Allocate & rename MIDI ports, clocks, sync, Tarlo (only port names, clock & sync can be changed in "
       "Run "
       "mode)"},
  };
  for (const Case& c : cases) EXPECT_EQ(c.got, c.want);
}

TEST(FileMenuTexts, FiltersInTheToolkitsForm) {
  EXPECT_EQ(QtFileFilter("MIDI files (*.mid)|*.mid"), "MIDI files (*.mid)");
  EXPECT_EQ(QtFileFilter("Text files|*.txt;*.log|All files (*)|*"),
            "Text files (*.txt *.log);;All files (*)");
  EXPECT_EQ(QtFileFilter(""), "");
}

// The rules read the settings and the engine: each case starts from a fresh program.
class FileMenuRules : public ::testing::Test {
 protected:
  void SetUp() override { ResetViewState(); }
  void TearDown() override { ResetViewState(); }
};

TEST_F(FileMenuRules, DialogsMenusAndDrops) {
  Cfg.LastLoadedMidiFolder = "/in";
  Cfg.LastSavedMidiFolder = "/out";
  EXPECT_EQ(MidiFileDialog(false, true), (TFileDialog{false, "MIDI load - all parts of all seqs", "/in",
                                                      "mid", "MIDI files (*.mid)|*.mid"}));
  EXPECT_EQ(MidiFileDialog(true, false), (TFileDialog{true, "MIDI save - active parts of selected seqs only",
                                                      "/out", "mid", "MIDI files (*.mid)|*.mid"}));
  Cfg = TCfg{};

  // Drops: from the first Running or Config on, never while the settings load.
  for (auto [state, accepted] : {std::pair{TProgState::Initialising, false},
                                 {TProgState::LoadingConfig, false},
                                 {TProgState::Running, true},
                                 {TProgState::Stopping, true},
                                 {TProgState::Config, true}})
    EXPECT_EQ(DropsAccepted(state), accepted) << int(state);
  EXPECT_EQ(FileMenuEnabling(true, -1), (TFileMenuEnabling{true, false}));
  EXPECT_EQ(FileMenuEnabling(false, 0), (TFileMenuEnabling{false, true}));
  EXPECT_TRUE(SweepExampleEnabled(true, TProgState::Running));
  EXPECT_FALSE(SweepExampleEnabled(true, TProgState::Config));
  EXPECT_FALSE(SweepExampleEnabled(false, TProgState::Running));
}

TEST_F(FileMenuRules, ConfigMenuAsItOpens) {
  const std::string fromDefault =
      "Load full configuration from the default auto-run file (mimics the auto-run start-up process)";
  struct Case {
    bool exists;
    TProgState state;
    bool standard;
    bool loadFromDefault;
    const char* tail;
    const char* mode;
  };
  const Case cases[] = {
      {true, TProgState::Config, true, true, "", "standard"},
      {true, TProgState::Running, true, false, " (must be stopped first)", "standard"},
      {false, TProgState::Config, false, false, " (must be stopped first)", "novice"},
  };
  for (const Case& c : cases) {
    TConfigMenuInput in;
    in.DefaultFileExists = c.exists;
    in.AppDataFolderExists = !c.exists;
    in.State = c.state;
    in.StandardMode = c.standard;
    in.LoadNamedEnabled = c.state == TProgState::Config;
    in.ResetAllEnabled = c.state == TProgState::Config;
    const TConfigMenuView v = ConfigMenuView(in);
    EXPECT_EQ(v.EditDefault, c.exists);
    EXPECT_EQ(v.DeleteDefault, c.exists);
    EXPECT_EQ(v.ExploreDefault, !c.exists);
    EXPECT_EQ(v.LoadFromDefault, c.loadFromDefault);
    EXPECT_EQ(v.LoadFromDefaultHint, fromDefault + c.tail);
    const std::string running = c.state == TProgState::Config ? "" : " (must be stopped first)";
    EXPECT_EQ(v.LoadNamedHint, "Load full configuration from any previously saved file" + running);
    EXPECT_EQ(v.ResetAllHint,
              "Reset full current configuration to " + std::string(c.mode) + " factory settings" + running);
    EXPECT_EQ(v.ResetKMapsHint, "Reset key maps only to " + std::string(c.mode) + " factory settings");
    EXPECT_EQ(v.ResetColoursHint,
              "Reset screen colours only to " + std::string(c.mode) + " factory settings");
    EXPECT_EQ(v.ModeHint,
              c.standard
                  ? "Turn on novice mode for training with the novice keyboard template & reduced display"
                  : "Turn off novice mode and revert to full operation");
  }
}

TEST_F(FileMenuRules, SettingsCaptions) {
  Cfg.DspProgVersionReqd = 0;
  EXPECT_EQ(SettingsCaption("Settings - Colours"), "Settings - Colours");
  Cfg.DspProgVersionReqd = 1;
  EXPECT_EQ(SettingsCaption("Key Mapper").rfind("Vellorine ", 0), 0u);
  EXPECT_EQ(SettingsCaption("Key Mapper").substr(SettingsCaption("Key Mapper").size() - 11), " Key Mapper");
}

class SelectionRuleTest : public test::ViewEngineTest {};

std::string Selected() {
  std::string s;
  for (int32_t seq = 0; seq < kSeqs; ++seq) s += SeqBuf(seq).Selected ? '1' : '0';
  return s;
}

TEST_F(SelectionRuleTest, NoneSelectedMeansAllForTheOperationThenNone) {
  Cfg.MaxActiveSeqs = 2;  // seqs 1..3 in use
  {
    const TSelectionRule rule;
    EXPECT_TRUE(rule.SelectedAll());
    EXPECT_EQ(Selected(), "1110");
  }
  EXPECT_EQ(Selected(), "0000");
  SeqBuf(1).Selected = 1;
  {
    const TSelectionRule rule;
    EXPECT_FALSE(rule.SelectedAll());
    EXPECT_EQ(Selected(), "0100");
  }
  EXPECT_EQ(Selected(), "0100");
}

TEST_F(SelectionRuleTest, StyleChangesWaitForTheirOwnFamilysRunningSeq) {
  struct Case {
    uint8_t drumDrives;
    int32_t metrSeq;
    TSeqState state;
    bool drumRefused;
    bool bassRefused;
  };
  const Case cases[] = {
      {1, 0, TSeqState::Playing, true, false},   {0, 0, TSeqState::Playing, false, true},
      {1, 0, TSeqState::Stopped, false, false},  {1, -1, TSeqState::Playing, false, false},
      {0, 3, TSeqState::Recording, false, true},
  };
  for (const Case& c : cases) {
    Cfg.MetrTypePitchLocked = c.drumDrives;
    Cfg.MetrSeqNo = c.metrSeq;
    for (int32_t s = 0; s < kSeqs; ++s) SeqBuf(s).SeqState = c.state;
    EXPECT_EQ(MetrSeqRunning(), c.metrSeq >= 0 && c.state != TSeqState::Stopped);
    EXPECT_EQ(StyleChangeRefused(true), c.drumRefused);
    EXPECT_EQ(StyleChangeRefused(false), c.bassRefused);
  }
}

}  // namespace
}  // namespace vel
