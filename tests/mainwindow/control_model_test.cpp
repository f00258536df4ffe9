#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "mainwindow/ControlModel.h"
#include "settings/Settings.h"

namespace vel {
namespace {

TEST(ControlModel, ProgramStateLines) {
  TCfg cfg;
  cfg.ClStNoMidi = Rgb(1, 0, 0);
  cfg.ClStStopped = Rgb(2, 0, 0);
  cfg.ClStRunWithDiag = Rgb(3, 0, 0);
  cfg.ClStRunWithKeyMapper = Rgb(4, 0, 0);
  cfg.ClStRunning = Rgb(5, 0, 0);
  struct Case {
    uint8_t state;
    int8_t in, out;
    bool diag, tracing, mapper;
    std::string text;
    TColor colour;
  };
  const std::vector<Case> cases = {
      {0, 0, 0, false, false, false, "Initialising", cfg.ClStInitialising},
      {1, 0, 0, false, false, false, "Loading settings...", cfg.ClStLoading},
      {2, 0, 0, false, false, false, "Running", cfg.ClStRunning},
      {2, 0, 0, true, true, true, "Running with MIDI tracing", cfg.ClStRunWithDiag},
      {2, 0, 0, true, false, true, "Running with diagnostics", cfg.ClStRunWithDiag},
      {2, 0, 0, false, true, true, "Running with Key Mapper", cfg.ClStRunWithKeyMapper},
      {3, 0, 0, false, false, false, "Stopping...", cfg.ClStStopping},
      {4, -1, -1, false, false, false, "No MIDI ports allocated", cfg.ClStNoMidi},
      {4, -1, 0, false, false, false, "No MIDI inputs allocated", cfg.ClStNoMidi},
      {4, 0, -1, false, false, false, "No MIDI outputs allocated", cfg.ClStNoMidi},
      {4, 0, 2, false, false, false, "Stopped, config mode", cfg.ClStStopped},
  };
  for (const Case& c : cases) {
    const TProgStateLine l = ProgStateLine(c.state, c.in, c.out, c.diag, c.tracing, c.mapper, cfg);
    EXPECT_EQ(l.Text, c.text);
    EXPECT_EQ(l.Colour, c.colour) << c.text;
    EXPECT_EQ(l.Error, "");
  }
  const TProgStateLine bad = ProgStateLine(9, 0, 0, false, false, false, cfg);
  EXPECT_EQ(bad.Error, "UpdateDspStatus-1 error: Invalid ProgState");
  EXPECT_EQ(bad.Colour, cfg.ClText);
}

TEST(ControlModel, PromptsAndModeColours) {
  TCfg cfg;
  TStatusSnapshot s;
  auto prompt = [&](int mode) {
    s.KeyMode = KeyModeFromNo(mode);
    return KeyModePrompt(s, cfg, "Press live Cmd key (C1)");
  };
  s.RecPitchOffset = 0;
  EXPECT_EQ(prompt(2).Text, "Real-time record, pit +0");
  EXPECT_EQ(prompt(2).Mode, cfg.ClKtBgRecPrimed);
  s.RecActive = true;
  s.RecRawMode = true;
  s.RecAutoIncSeq = true;
  s.RecPitchOffset = -12;
  EXPECT_EQ(prompt(2).Text, "Raw recording+, pit -12");
  EXPECT_EQ(prompt(2).Mode, cfg.ClKtBgRecFcn);
  cfg.StandardMode = 0;
  EXPECT_EQ(prompt(2).Text, "Raw recording+");
  s.RecActive = false;
  s.RecAutoIncSeq = false;
  s.SRecNoteLenFrac = 16;
  s.SRecNoteOnPercent = 75;
  s.RecPitchOffset = 3;
  EXPECT_EQ(prompt(3).Text, "Step record, step 1/16, 75%, pit +3");
  s.SRecNoteLenFrac = 7;  // no such step: left out
  s.SRecNoteOnPercent = 60;
  EXPECT_EQ(prompt(3).Text, "Step record, pit +3");
  EXPECT_EQ(prompt(4).Text, "Command? ");
  EXPECT_EQ(prompt(4).Mode, cfg.ClKtBgCmdMode);
  s.Entry.DPressPendingCmd = "Delete";
  EXPECT_EQ(prompt(4).Text, "Delete (double-press reqd)");
  EXPECT_EQ(prompt(101).Text, "Press live Cmd key (C1)");
  EXPECT_EQ(prompt(101).Mode, cfg.ClKtBgCalibrate);
  EXPECT_EQ(prompt(0).Mode, cfg.ClKtBgWarnFcn);
  EXPECT_EQ(prompt(104).Mode, cfg.ClKtBgTimeFcn);
  EXPECT_EQ(prompt(112).Mode, cfg.ClKtBgNoteFcn);
  EXPECT_EQ(prompt(111).Mode, cfg.ClKtBgPitchFcn);
  EXPECT_EQ(prompt(80).Mode, cfg.ClKtBgDigitFcn);
  const TPrompt bad = prompt(122);
  EXPECT_EQ(bad.Error, "UpdateDspStatus-2 error: Invalid KeyMode");
  EXPECT_EQ(bad.Mode, cfg.ClKtBgNone);
}

TEST(ControlModel, TempoEntryFillsInFromTheLeft) {
  TCfg cfg;
  TStatusSnapshot s;
  auto at = [&](int mode, int32_t entry, bool started) {
    s.KeyMode = KeyModeFromNo(mode);
    s.Entry.TempoEntry = entry;
    s.Entry.TempoEntryStarted = started;
    return KeyModePrompt(s, cfg, "").Text;
  };
  EXPECT_EQ(at(6, 0, true), "Tempo nnnnn?");
  EXPECT_EQ(at(7, 10000, true), "Tempo 1nnnn?");
  EXPECT_EQ(at(8, 0, true), "Tempo 00nnn?");
  EXPECT_EQ(at(10, 1200, true), "Tempo 0120n?");
  EXPECT_EQ(at(8, 0, false), "Tempo nnn, +/-, 3 taps?");
  cfg.StandardMode = 0;
  EXPECT_EQ(at(8, 0, false), "Tempo nnn, +/- ?");
  EXPECT_EQ(at(9, 100, false), "Tempo 1nn?");
  EXPECT_EQ(at(10, 120, false), "Tempo 12n?");
  s.Entry.TempoSweepBothWays = true;
  EXPECT_EQ(at(14, 100, false), "Tempo sweep 1nn <--> mmm?");
  s.Entry.TempoSweepTo = 100;
  EXPECT_EQ(at(19, 100, false), "Tempo sweep 100 <--> 1mm?");
  // Program and channel entries the same way; a cycle hint only while nothing but zeros is keyed.
  s.Entry.ProgEntry = 100;
  EXPECT_EQ(at(22, 0, false), "Prog 1nn?");
  s.Entry.ChanEntry = 10;
  EXPECT_EQ(at(33, 0, false), "Channel 1n?");
  s.Entry.PlayCyclesEntry = 0;
  EXPECT_EQ(at(37, 0, false), "Play cycles:0n?  0=forever");
  s.Entry.PlayCyclesEntry = 10;
  EXPECT_EQ(at(37, 0, false), "Play cycles:1n?");
  s.Entry.MuteCyclesEntry = 20;
  EXPECT_EQ(at(43, 0, false), "MutePlay cycles:2n, a/b?");
  EXPECT_EQ(at(40, 0, false), "PlayMute cycles:nn, a/b?  0=forever");
}

// The separate cycle counts, the one-place sweeps and the repeating time shift fill in as their
// keys arrive.
TEST(ControlModel, CountsSweepsAndRepeatFillIn) {
  TCfg cfg;
  struct Case {
    int mode;
    int32_t first, second;  // the entry's first and second accumulators
    bool flag;              // both ways, or repeat
    std::string text;
  };
  const std::vector<Case> cases = {
      {67, 99, 99, false, "PlayMute cycles:pp/mm?  0=forever"},  // stale values are not shown
      {68, 0, 99, false, "PlayMute cycles:0p/mm?  0=forever"},
      {68, 40, 0, false, "PlayMute cycles:4p/mm?"},
      {69, 4, 99, false, "PlayMute cycles:04/mm?"},
      {70, 4, 20, false, "PlayMute cycles:04/2m?"},
      {70, 0, 0, false, "PlayMute cycles:00/0m?  0=forever"},
      {71, 0, 0, false, "MutePlay cycles:mm/pp?  0=forever"},
      {72, 10, 0, false, "MutePlay cycles:1m/pp?"},
      {74, 12, 30, false, "MutePlay cycles:12/3p?"},
      {77, 7, 0, false, "PlayMuteTog cycles:07/mm?"},
      {78, 7, 10, false, "PlayMuteTog cycles:07/1m?"},
      {95, 9, 9, false, "PlayMute cycles:p/m?  0=forever"},
      {96, 3, 9, false, "PlayMute cycles:3/m?"},
      {96, 0, 9, false, "PlayMute cycles:0/m?  0=forever"},
      {98, 5, 0, false, "MutePlay cycles:5/p?"},
      {100, 2, 0, false, "PlayMuteTog cycles:2/m?"},
      {89, 0, 0, false, "Part sweep n --> m?"},
      {89, 0, 0, true, "Part sweep n <--> m?"},
      {90, 2, 0, false, "Part sweep 2 --> m?"},
      {90, 1, 0, true, "Part sweep 1 <--> m?"},
      {91, 0, 0, true, "Port sweep n <--> m?"},
      {92, 3, 0, false, "Port sweep 3 --> m?"},
      {93, 0, 0, false, "Vel sweep n --> m?"},
      {94, 0, 0, false, "Vel sweep 0 --> m?"},
      {94, 7, 0, true, "Vel sweep 7 <--> m?"},
      {106, 0, 0, false, "Time shift fwds n x 1/n?"},
      {106, 0, 0, true, "Time shift fwds  rept n x 1/n?"},
      {107, 3, 0, true, "Time shift fwds  rept 3 x 1/n?"},
      {109, 1, 0, true, "Time shift back  rept 1 x 1/n?"},
      {109, 1, 0, false, "Time shift back 1 x 1/n?"},
  };
  for (const Case& c : cases) {
    TStatusSnapshot s;
    TEntrySnap& e = s.Entry;
    s.KeyMode = KeyModeFromNo(c.mode);
    if (c.mode >= 67 && c.mode <= 100) {
      e.PlayCyclesEntry = e.MuteCyclesEntry = e.PmtCyclesEntry = c.first;
      e.PlayMuteMuteEntry = e.MutePlayPlayEntry = e.PmtMuteEntry = c.second;
      e.PartSweepFrom = e.PortSweepFrom = e.VelSweepFrom = c.first;
      e.PartSweepBothWays = e.PortSweepBothWays = e.VelSweepBothWays = c.flag;
    } else {
      e.TimeShiftBeatsEntry = c.first;
      e.TimeShiftRepeat = c.flag;
    }
    EXPECT_EQ(KeyModePrompt(s, cfg, "").Text, c.text) << "mode " << c.mode;
  }
}

TEST(ControlModel, SecondStepsShowTheFirstStepsValue) {
  TCfg cfg;
  TStatusSnapshot s;
  auto at = [&](int mode) {
    s.KeyMode = KeyModeFromNo(mode);
    return KeyModePrompt(s, cfg, "").Text;
  };
  s.Entry.TSigBeatsEntry = 7;
  s.Entry.TimeShiftBeatsEntry = 2;
  s.Entry.FtsRootEntry = 9;
  s.Entry.MetrBarNoteEntry = 36;
  s.Entry.MetrBeatNoteEntry = 38;
  EXPECT_EQ(at(104), "Time signature n/m?");
  EXPECT_EQ(at(105), "Time signature 7/m?");
  EXPECT_EQ(at(109), "Time shift back 2 x 1/n?");
  EXPECT_EQ(at(111), "Fts A type n?  curr=unchanged");
  EXPECT_EQ(at(114), "Quantise nq off, sq 1/n?  0=curr");
  s.Entry.QuantNoteEntry = 16;
  EXPECT_EQ(at(114), "Quantise nq 1/16, sq 1/n?  0=curr");
  EXPECT_EQ(at(116), "Metr basic bar C1, beat note?");
  EXPECT_EQ(at(117), "Metr basic C1, D1, length 1/n?");
  EXPECT_EQ(at(48), "Load all from scene nn, ext?");
  s.Entry.CurScene = 3;
  EXPECT_EQ(at(48), "Load all from scene nn, +/-, ext?  0=curr");
  EXPECT_EQ(at(58), "Save to scene nn, +/- ?  0=curr");
  s.Entry.LoadSceneEntry = 10;
  EXPECT_EQ(at(49), "Load all from scene nn, ext?");
  EXPECT_EQ(at(62), "Tempo clock div 1/n ?");
  EXPECT_EQ(at(112), "Ftn notes n..n?");
}

TEST(ControlModel, ControlGroupAndLiveRow) {
  TCfg cfg;
  cfg.ClStFlashPend = Rgb(7, 0, 0);
  cfg.ClStSelected = Rgb(8, 0, 0);
  cfg.DspPortNames = 0;
  TStatusSnapshot s;
  s.BeatsPerBar = 3;
  s.ActBeatsPerBar = 4;
  s.NQNoteLenFrac = 0;
  s.NQActNoteLenFrac = 0;
  s.KeyHold = true;
  s.Live.Port = 1;
  s.Live.Chan = 4;
  s.Live.MChanApplies = true;
  s.Live.ChanSweep.On = true;
  s.Live.ChanSweep.Down = true;
  s.Live.HasDevice = true;
  s.Live.ProgOk = false;
  s.Live.Selected = true;
  s.Live.Pitch = 3;
  s.Live.TransposeBase = 5;
  TControlView on, off;
  BuildControlView(s, cfg, true, false, false, false, "", on);
  BuildControlView(s, cfg, false, false, false, false, "", off);
  EXPECT_EQ(on.TSig.Text, "4/4");
  EXPECT_EQ(off.TSig.Text, "3/4");
  EXPECT_EQ(on.QuantN.Text, "off");
  EXPECT_FALSE(on.QuantNoteOffsVisible);
  EXPECT_EQ(on.KeyModeCaption.Text, "Held -");
  EXPECT_TRUE(on.KeyModeCaption.Visible);
  EXPECT_FALSE(off.KeyModeCaption.Visible);
  EXPECT_EQ(on.LiveChan.Text, "<*5");
  EXPECT_EQ(on.LiveChan.Colour, cfg.ClStSelected);
  EXPECT_EQ(off.LiveChan.Colour, cfg.ClStFlashPend);
  EXPECT_EQ(on.LiveProg.Text, "-");
  EXPECT_EQ(on.LivePort.Text, "2");
  EXPECT_TRUE(on.LivePort.Bold);
  EXPECT_EQ(on.LivePitch.Text, "-2");
  EXPECT_EQ(on.LiveTrans.Text, "+5");
  EXPECT_EQ(on.LivePanel, cfg.ClPanelLiveSel);
  // Key mode 0: the control button blinks, never in a colour that reads as disabled; the
  // prompt's blue font without the input colours.
  EXPECT_EQ(on.ControlFont, cfg.ClStIgnore);
  EXPECT_EQ(off.ControlFont, cfg.ClText);
  cfg.DspKModeInputColours = 0;
  BuildControlView(s, cfg, true, false, false, false, "", on);
  EXPECT_EQ(on.KeyMode.Colour, 0xFF0000u);
  EXPECT_EQ(on.KeyModeBg, cfg.ClKtBgNone);
}

TEST(ControlModel, OneWarningPerClockLoss) {
  bool told = false;
  std::vector<bool> warned;
  // lost, may switch: ticks of a loss, a return of the clock, a second loss, a locked source.
  const std::vector<std::pair<bool, bool>> ticks = {
      {true, true}, {true, true}, {false, false}, {true, true}, {true, true}, {false, false}, {true, false}};
  for (auto [lost, sw] : ticks) warned.push_back(ClockLossIsNew(lost, sw, told));
  EXPECT_EQ(warned, (std::vector<bool>{true, false, false, true, false, false, false}));
  EXPECT_EQ(ClockLossText(1), "No MIDI clocks from input P2; switching to internal clock source");
}

}  // namespace
}  // namespace vel
