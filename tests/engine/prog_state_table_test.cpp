// What the main window offers in each program state: the pure table that SetProgState's window
// side applies.
#include <gtest/gtest.h>

#include <string>
#include <utility>

#include "engine/ProgStateTable.h"
#include "engine/RunControl.h"

namespace vel {
namespace {

TCtlState S(std::optional<bool> shown, std::optional<bool> enabled = std::nullopt) {
  TCtlState c;
  c.Shown = shown;
  c.Enabled = enabled;
  return c;
}

TProgStateInputs OnePortEach() {
  TProgStateInputs in;
  in.InPortsAllocated = 0;
  in.OutPortsAllocated = 0;
  in.LivePort = 0;
  in.LiveChan = 9;
  in.LiveSVel = 7;
  return in;
}

TEST(ProgStateTable, TheStatesRunFromInitialisingToConfig) {
  const std::pair<TProgState, bool> table[] = {
      {TProgState::Initialising, true},
      {TProgState::LoadingConfig, true},
      {TProgState::Running, true},
      {TProgState::Stopping, true},
      {TProgState::Config, true},
      {static_cast<TProgState>(5), false},
      {static_cast<TProgState>(255), false},
  };
  for (auto [state, valid] : table) EXPECT_EQ(IsValidProgState(state), valid) << static_cast<int>(state);
}

TEST(ProgStateTable, StatesAboveConfigChangeNothing) {
  const TProgStateView v = ProgStateControls(static_cast<TProgState>(5), OnePortEach());
  EXPECT_FALSE(v.Valid);
  EXPECT_TRUE(v.Controls.empty());
  EXPECT_FALSE(v.HideSeqRows);
}

TEST(ProgStateTable, ControlButtonStopsWhileRunningAndRunsInConfigOnlyWithAnOutput) {
  TProgStateInputs in = OnePortEach();
  const TProgStateView run = ProgStateControls(TProgState::Running, in);
  EXPECT_EQ(run.Controls.at("sbtnControl").Caption, "Stop");
  EXPECT_EQ(run.Controls.at("sbtnControl").Hint,
            "Stop & return to config mode; all sequences will stop & MIDI input will be ignored");
  EXPECT_EQ(run.Controls.at("sbtnControl").Enabled, true);
  EXPECT_EQ(run.Controls.at("mnuActionControl"), run.Controls.at("sbtnControl"));
  EXPECT_EQ(run.Controls.at("mnuActionEsc").Enabled, true);

  TProgStateView cfg = ProgStateControls(TProgState::Config, in);
  EXPECT_EQ(cfg.Controls.at("sbtnControl").Caption, "Run");
  EXPECT_EQ(cfg.Controls.at("sbtnControl").Hint,
            "Start running & processing MIDI input data; this is the normal state of Vellorine");
  EXPECT_EQ(cfg.Controls.at("sbtnControl").Enabled, true);
  EXPECT_EQ(cfg.Controls.at("mnuActionEsc").Enabled, false);
  in.OutPortsAllocated = -1;
  cfg = ProgStateControls(TProgState::Config, in);
  EXPECT_EQ(cfg.Controls.at("sbtnControl").Enabled, false);
  EXPECT_EQ(cfg.Controls.at("mnuActionControl").Enabled, false);
}

TEST(ProgStateTable, RunningShowsValueLabelsWhereConfigShowsEditingControls) {
  const TProgStateInputs in = OnePortEach();
  const TProgStateView run = ProgStateControls(TProgState::Running, in);
  const TProgStateView cfg = ProgStateControls(TProgState::Config, in);
  for (const char* combo : {"cboTempoIntLSB", "cboTSigBeats", "cboQuantN", "cboLiveChans", "cboLiveProgs"}) {
    EXPECT_EQ(run.Controls.at(combo), S(false)) << combo;
    EXPECT_EQ(cfg.Controls.at(combo).Shown, true) << combo;
    EXPECT_EQ(cfg.Controls.at(combo).Enabled, true) << combo;
  }
  for (const char* label :
       {"lblvTempoInt", "lblvBar", "lblvQuantN", "lblvLiveChan", "lblvLiveProg", "lblvLivePitch"}) {
    EXPECT_EQ(run.Controls.at(label), S(true)) << label;
    EXPECT_EQ(cfg.Controls.at(label), S(false)) << label;
  }
  EXPECT_EQ(run.TempoIntLsbAlign, TLsbAlign::RightOfTempoInt);
  EXPECT_EQ(cfg.TempoIntLsbAlign, TLsbAlign::AtCombo);
  EXPECT_EQ(run.Controls.at("lblSeqPartNos").Caption, "Sq.Pt");
  EXPECT_EQ(cfg.Controls.at("lblSeqPartNos").Caption, "Part");
  EXPECT_EQ(run.Controls.at("lblClocksSource").Caption, "Source");
  EXPECT_EQ(cfg.Controls.at("lblMidiInSync").Caption, "Syn");
  EXPECT_EQ(run.UpdateMetrControls, true);
  EXPECT_EQ(cfg.UpdateMetrControls, false);
  EXPECT_EQ(run.Controls.at("sbtnRescanInDevs").Enabled, false);
  EXPECT_EQ(cfg.Controls.at("sbtnRescanOutDevs").Enabled, true);
  EXPECT_EQ(run.Controls.at("mnuConfigResetAll").Enabled, false);
  EXPECT_EQ(cfg.Controls.at("mnuConfigResetAll").Enabled, true);
  EXPECT_EQ(run.Controls.at("chkAuxInPortReqd").Enabled, false);
  EXPECT_FALSE(run.HideWaitMessage);
  EXPECT_TRUE(cfg.HideWaitMessage);
  EXPECT_EQ(run.AcceptDroppedFiles, true);
  // The driver's time stamps may change only in Config.
  EXPECT_EQ(run.Controls.at("chkIgnoreDriverTStamps").Enabled, false);
  EXPECT_EQ(cfg.Controls.at("chkIgnoreDriverTStamps").Enabled, true);
}

TEST(ProgStateTable, ConfigCombosAreDisabledWithoutAnOutputPort) {
  TProgStateInputs in = OnePortEach();
  in.OutPortsAllocated = -1;
  const TProgStateView cfg = ProgStateControls(TProgState::Config, in);
  EXPECT_EQ(cfg.Controls.at("cboMaxActiveSeqs"), S(true, false));
  EXPECT_EQ(cfg.Controls.at("cboLiveSVels").Enabled, false);
  EXPECT_EQ(cfg.Controls.at("chkQuantNoteOffs"), S(std::nullopt, false));
  EXPECT_EQ(cfg.SeqRows[0].ChanCombo, S(true, false));
  EXPECT_EQ(cfg.ShowTarloControls, false);
  // Running keeps the quantise box enabled whatever the ports.
  EXPECT_EQ(ProgStateControls(TProgState::Running, in).Controls.at("chkQuantNoteOffs"),
            S(std::nullopt, true));
}

TEST(ProgStateTable, LiveCombosShowTheLiveChannelAndVelocityScale) {
  TProgStateInputs in = OnePortEach();
  TProgStateView cfg = ProgStateControls(TProgState::Config, in);
  EXPECT_EQ(cfg.Controls.at("cboLiveChans").Text, "10");
  EXPECT_EQ(cfg.Controls.at("cboLiveSVels").Text, "7");
  in.LivePort = -1;
  cfg = ProgStateControls(TProgState::Config, in);
  EXPECT_EQ(cfg.Controls.at("cboLiveChans").Text, "");
}

TEST(ProgStateTable, PortChoicesShowOnlyWithSeveralOutputs) {
  TProgStateInputs in = OnePortEach();
  EXPECT_EQ(ProgStateControls(TProgState::Config, in).Controls.at("cboLivePorts").Shown, false);
  EXPECT_EQ(ProgStateControls(TProgState::Config, in).SeqRows[2].PortCombo.Shown, false);
  EXPECT_EQ(ProgStateControls(TProgState::Running, in).SeqRows[2].PortLabel.Shown, false);
  in.OutPortsAllocated = 1;
  EXPECT_EQ(ProgStateControls(TProgState::Config, in).Controls.at("cboLivePorts"), S(true, true));
  EXPECT_EQ(ProgStateControls(TProgState::Config, in).SeqRows[2].PortCombo, S(true, true));
  EXPECT_EQ(ProgStateControls(TProgState::Running, in).SeqRows[2].PortLabel, S(true));
  EXPECT_EQ(ProgStateControls(TProgState::Running, in).Controls.at("lblvLivePort"), S(true));
}

TEST(ProgStateTable, NoviceModeHidesTheDetail) {
  TProgStateInputs in = OnePortEach();
  in.StandardMode = false;
  const TProgStateView run = ProgStateControls(TProgState::Running, in);
  const TProgStateView cfg = ProgStateControls(TProgState::Config, in);
  for (const char* name :
       {"lblQuantN", "lblSeqChans", "lblvLiveTrans", "rbClocksExt", "lblFilterChan", "lblTempoSlew"}) {
    EXPECT_EQ(run.Controls.at(name).Shown, false) << name;
    EXPECT_EQ(cfg.Controls.at(name).Shown, false) << name;
  }
  // The pitch heading stays while running; the pitch values show in both modes.
  EXPECT_EQ(run.Controls.at("lblSeqPitches").Shown, true);
  EXPECT_EQ(cfg.Controls.at("lblSeqPitches").Shown, false);
  EXPECT_EQ(run.SeqRows[0].PitchLabel, S(true));
  EXPECT_EQ(run.SeqRows[0].ChanLabel, S(false));
  EXPECT_EQ(cfg.SeqRows[0].MutedCheck, S(false, true));
  EXPECT_EQ(cfg.ShowTarloControls, false);
  // Input controls follow the input ports, not the mode.
  EXPECT_EQ(cfg.Controls.at("sbtnCalibrate").Shown, true);
}

TEST(ProgStateTable, InputControlsFollowTheInputPorts) {
  TProgStateInputs in = OnePortEach();
  in.InPortsAllocated = -1;
  const TProgStateView cfg = ProgStateControls(TProgState::Config, in);
  EXPECT_EQ(cfg.Controls.at("rbClocksInt"), S(true, false));
  EXPECT_EQ(cfg.Controls.at("chkMidiInSyncExt").Shown, false);
  EXPECT_EQ(cfg.Controls.at("cboClocksExtPNos").Enabled, false);
  EXPECT_EQ(cfg.Controls.at("mnuActionCalibrate").Shown, false);
  EXPECT_EQ(cfg.Controls.at("cboInPort0FilterChan").Shown, false);
  in.InPort1NameVisible = true;
  in.AuxInPortReqdChecked = true;
  EXPECT_EQ(ProgStateControls(TProgState::Config, in).Controls.at("cboInPort1FilterChan").Shown, true);
  in.AuxInPortReqdChecked = false;
  EXPECT_EQ(ProgStateControls(TProgState::Running, in).Controls.at("cboInPort1FilterChan").Shown, false);
}

TEST(ProgStateTable, MetronomeButtonsFollowTheMetronomeSeq) {
  TProgStateInputs in = OnePortEach();
  EXPECT_EQ(ProgStateControls(TProgState::Running, in).Controls.at("sbtnMetrTypePitched"), S(false, true));
  EXPECT_EQ(ProgStateControls(TProgState::Running, in).Controls.at("sbtnMetrBars2"), S(false, false));
  EXPECT_EQ(ProgStateControls(TProgState::Config, in).Controls.at("sbtnMetrBars2"), S(true, false));
  in.MetrSeqSet = true;
  EXPECT_EQ(ProgStateControls(TProgState::Running, in).Controls.at("sbtnMetrTypePitched"), S(true, true));
  EXPECT_EQ(ProgStateControls(TProgState::Running, in).Controls.at("sbtnMetrBars2"), S(true, false));
  in.OutPortsAllocated = -1;
  EXPECT_EQ(ProgStateControls(TProgState::Running, in).Controls.at("sbtnMetrTypePitched"), S(false, true));
  EXPECT_EQ(ProgStateControls(TProgState::Config, in).Controls.at("sbtnMetrTypePitched"), S(true, false));
}

TEST(ProgStateTable, SeqRowsBeyondTheSeqsInUseAreLeftAlone) {
  TProgStateInputs in = OnePortEach();
  in.LastSeq = 1;
  const TProgStateView cfg = ProgStateControls(TProgState::Config, in);
  EXPECT_EQ(cfg.SeqRows[1].PartNoCombo, S(true, true));
  EXPECT_EQ(cfg.SeqRows[2], TSeqRowCtls{});
  // The velocity label is hidden in Config and left as it was while running.
  EXPECT_EQ(cfg.SeqRows[0].SVelLabel, S(false));
  EXPECT_EQ(ProgStateControls(TProgState::Running, in).SeqRows[0].SVelLabel, TCtlState{});
}

TEST(ProgStateTable, InitialisingHidesTheValueControlsAndLocksTheMenus) {
  const TProgStateView v = ProgStateControls(TProgState::Initialising, OnePortEach());
  EXPECT_EQ(v.WaitMessage, "Initialising...");
  EXPECT_EQ(v.AcceptDroppedFiles, false);
  EXPECT_TRUE(v.HideSeqRows);
  EXPECT_EQ(v.ShowTarloControls, false);
  EXPECT_EQ(v.Controls.at("cboInPort1FilterChan"), S(false));
  EXPECT_EQ(v.Controls.at("shpLiveMidiActivity"), S(false));
  EXPECT_EQ(v.Controls.at("mnuActionCalibrate"), S(false));
  EXPECT_EQ(v.Controls.at("sbtnControl"), S(std::nullopt, false));
  EXPECT_EQ(v.Controls.at("mnuActionControl"), S(std::nullopt, false));
  EXPECT_EQ(v.Controls.at("mnuFileLoadPatterns"), S(std::nullopt, false));
  EXPECT_EQ(v.Controls.at("cboClocksExtPNos"), S(std::nullopt, false));
  // The designed labels that stay are not touched.
  EXPECT_EQ(v.Controls.count("lblSeqChans"), 0u);
  EXPECT_EQ(v.Controls.count("mnuTools"), 0u);
}

TEST(ProgStateTable, LoadingAndStoppingOnlyLockTheMenusAndTheButton) {
  const TProgStateView load = ProgStateControls(TProgState::LoadingConfig, OnePortEach());
  const TProgStateView stop = ProgStateControls(TProgState::Stopping, OnePortEach());
  EXPECT_EQ(load.WaitMessage, "Loading config...");
  EXPECT_EQ(load.Controls.at("mnuWindows"), S(std::nullopt, false));
  EXPECT_EQ(load.Controls.count("sbtnControl"), 0u);
  EXPECT_FALSE(stop.WaitMessage.has_value());
  EXPECT_EQ(stop.Controls.at("mnuFile"), S(std::nullopt, false));
  EXPECT_EQ(stop.Controls.at("sbtnControl"), S(std::nullopt, false));
  EXPECT_EQ(stop.Controls.count("mnuView"), 0u);
}

}  // namespace
}  // namespace vel
