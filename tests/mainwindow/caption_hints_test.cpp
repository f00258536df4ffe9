#include <gtest/gtest.h>

#include <map>
#include <set>

#include "mainwindow/Caption.h"
#include "mainwindow/Hints.h"
#include "mainwindow/ResetViewState.h"
#include "platform/Version.h"
#include "settings/Settings.h"

namespace vel {
namespace {

class CaptionHintsTest : public ::testing::Test {
 protected:
  void SetUp() override { ResetViewState(); }
  void TearDown() override { ResetViewState(); }
};

TEST_F(CaptionHintsTest, Caption) {
  const std::string version = version::VersionText();
  struct Case {
    const char* file;
    bool withVersion;
    bool novice;
    std::string caption;
  };
  const Case cases[] = {
      {"", false, false, "Vellorine"},
      {"", false, true, "Vellorine  < novice mode > "},
      {"", true, false, "Vellorine " + version},
      {"/home/user/My Set.v2.txt", false, false, "Vellorine My Set.v2"},
      {"/home/user/Gig.txt", true, true, "Vellorine " + version + "  < novice mode >  Gig"},
      {"/home/user.d/Karma", false, false, "Vellorine Karma"},  // no "." in the name: whole
      {"Plain.txt", false, false, "Vellorine Plain"},
      {"/cfg/.hidden", false, false, "Vellorine .hidden"},
  };
  for (const Case& c : cases) {
    Cfg.DspProgVersionReqd = c.withVersion;
    Cfg.StandardMode = c.novice ? 0 : 1;
    EXPECT_EQ(SetMainCaption(c.file), c.caption) << c.file;
  }
  EXPECT_EQ(ProgVersionText(true, true),
            "Vellorine " + version + " (build " + std::to_string(version::BuildNumber()) + ")");
}

TEST_F(CaptionHintsTest, WaitMessage) {
  EXPECT_EQ(StartupDelayWaitText(5), "Startup delay 5 secs (via /d parameter)...");
  EXPECT_STREQ(kWaitInitialising, "Initialising...");
  EXPECT_STREQ(kWaitPreparingAutoRun, "Preparing to auto-run...");
  EXPECT_STREQ(kWaitClosingDown, "Closing down...");
  const TPoint p = WaitMessagePos(801, 300, 100, 17);
  EXPECT_EQ(p.X, 350);
  EXPECT_EQ(p.Y, 141);
  const TPoint wide = WaitMessagePos(100, 20, 103, 20);  // a label wider than the panel
  EXPECT_EQ(wide.X, -1);
  EXPECT_EQ(wide.Y, 0);
}

TEST_F(CaptionHintsTest, HintRows) {
  const std::vector<THintRow> rows = SetHints();
  std::map<std::string, std::string> hint;
  for (const THintRow& row : rows) {
    EXPECT_TRUE(hint.emplace(row.Name, row.Hint).second) << "twice: " << row.Name;
    EXPECT_FALSE(row.Hint.empty()) << row.Name;
    EXPECT_NE(row.Hint[0], '=') << row.Name;
  }
  // 235 designed controls and menu items, 9 clock and 9 sync boxes, and 25 run-time controls a seq.
  ASSERT_EQ(SeqHintFamilies.size(), 25u);
  EXPECT_EQ(rows.size(), 253u + 4 * 25);
  EXPECT_EQ(rows.front().Name, "lblStatus");
  EXPECT_EQ(rows.back().Name, "mnuHelpExamples");

  const std::string n = "C-2 = lowest, C3 = middle C, G8 = highest";
  EXPECT_EQ(NoteRangeText(), n);
  const std::map<std::string, std::string> quoted = {
      {"lblvProgState", "Vellorine status   Running: normal mode,  Stopped: configuration mode"},
      {"lblKeyMode", "Shows how incoming MIDI will be interpreted"},
      {"lblSeqStates",
       "States  pn: play n cycles,  p: play rpt,  mn: mute n cycles,  s: stopped (flash: pending),  r: rec "
       "primed "
       "(flash: recording)"},
      {"lblvQuantN", hint.at("cboQuantN")},
      {"lblvLiveSVel",
       "Set initial MIDI velocity adjustment for live output; range 0-9, 0=muted ('greyed out'), 1=quietest, "
       "5=as "
       "played, 9=loudest"},
      {"sbtnMetrBars4", hint.at("sbtnMetrBars1")},
      {"lstOutPNames",
       "Allocated ports; double-click, or select & click name button, to rename port; select & click left "
       "arrow to "
       "de-allocate it"},
      {"lblOut", hint.at("lblIn0")},
      {"edtOutPName",
       "Enter new port name, such as Synth, Drum machine etc; delete to revert to original device name"},
      {"lblvDspDiagLimit", "If lit, diagnostics display can't keep up; click Help, Performance"},
      {"cboMetrBarNote", "Audible metronome bar note, " + n + " (run-time metr command)"},
      {"lblvMetrBeatNote", "Audible metronome beat note, " + n + " (change with run-time metr command)"},
      {"cboTempoIntMSB",
       "High part of internal clock tempo in 1000x bpm units (change with run-time tempo command if internal "
       "clocks)"},
      {"chkMidiOutSync8", hint.at("lblMidiOutSync")},
      {"mnuKinetraceDecPosn", hint.at("mnuKinetraceIncPosn")},
      {"mnuFileExit", "Close program; all seqs & config will be lost unless saved"},
      {"mnuConfigSaveAllToDefault",
       "Save all settings to the default auto-run file (will automatically load & run at next restart)"},
      {"mnuViewAutoHints", "Show status bar hints for all Vellorine windows"},
      // Run-time controls: their own hint or their heading's.
      {"chkSeqMuted0",
       "Set initial mute status for this seq (change with run-time mute, play, tog variants)"},
      {"cboSeqProg3",
       "Set initial prog change to be sent on this seq port/channel, '-' = disabled for this port (run-time "
       "prog "
       "command)"},
      {"shpSeqPosn2",
       "Track playback position for this seq; use View,Track menu to display numeric posn if track too long"},
      {"lblSeqState1", hint.at("lblSeqStates")},
      {"lblSeqLen3", "Seq length indicator - <no. of bars>.<no. of SQ beats> (rounded down to whole number)"},
      {"lblSeqPort2", hint.at("lblSeqPorts")},
  };
  for (const auto& [name, text] : quoted) EXPECT_EQ(hint.at(name), text) << name;

  Cfg.MaxActiveSeqs = 1;
  const std::vector<THintRow> two = SetHints();
  EXPECT_EQ(two.size(), 253u + 2 * 25);
  std::set<std::string> names;
  for (const THintRow& row : two) names.insert(row.Name);
  EXPECT_EQ(names.count("chkSeqMuted1"), 1u);
  EXPECT_EQ(names.count("chkSeqMuted2"), 0u);
}

}  // namespace
}  // namespace vel
