#include "settings/forms/CfgTiming.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>

#include "engine/PlayCycle.h"
#include "mainwindow/SettingSetters.h"
#include "mainwindow/forms/Main.h"
#include "mainwindow/forms/MainInput.h"
#include "settings/CfgWindowsBehaviour.h"
#include "settings/Settings.h"
#include "ui_CfgTiming.h"

namespace vel {

TfrmCfgTiming::TfrmCfgTiming(TfrmMain& main)
    : TCfgWindow(main, {"mnuCfgTiming", &Cfg.WindowCfgTimingLeft,
                        &Cfg.WindowCfgTimingTop, TTopic::InPorts}),
      ui(std::make_unique<Ui::frmCfgTiming>()) {
  ui->setupUi(this);
  setObjectName("frmCfgTiming");
  StepLen = MakeRadioGroup(this, "rbSRecNoteLenFrac", StepLenFracs());
  Gate = MakeRadioGroup(this, "rbSRecNoteOnPercent", GatePercents());
  FillCombos();
  WireChecks();
  WireCombos();
  Wire(ui->sbtnSaveConfig);
}

TfrmCfgTiming::~TfrmCfgTiming() = default;

void TfrmCfgTiming::FillCombos() {
  ui->cboClocksExtPNos->setMaxVisibleItems(9);
  Bind({
      {ui->cboLnTempoSteps, BindCfg(&Cfg.LnTempoStep), {1, 1, 99}},
      {ui->cboLgTempoSteps, BindCfg(&Cfg.LgTempoStep), {1, 1, 99}},
      {ui->cboTempoSlewTimes, BindCfg(&Cfg.TempoSlewTime), {0, 1, 99}},
      {ui->cboSRecChordDetectThreshold, BindCfg(&Cfg.SRecChordDetectThreshold), {10, 10, 500}},
      {ui->cboFtnTimerThreshold, BindCfg(&Cfg.FtnTimerThreshold), {10, 10, 150}},
  });
}

void TfrmCfgTiming::WireChecks() {
  Bind({
      {ui->chkTapTempoOnBeats, BindCfg(&Cfg.TapTempoOnBeats)},
      {ui->chkMidiInSyncContEnabled, BindCfg(&Cfg.MidiInSyncContEnabled)},
      {ui->chkRecIntSyncReqd, BindCfg(&Cfg.RecIntSyncReqd)},
      {ui->chkRecRawSyncReqd, BindCfg(&Cfg.RecRawSyncReqd)},
      {ui->chkUseLgTempos,
       BindCfg(&Cfg.UseLgTempos),
       {},
       {},
       [this](int32_t on) { EnableTempoSteps(on != 0); }},
      {ui->chkSRecChordDetectReqd,
       BindCfg(&Cfg.SRecChordDetectReqd),
       {},
       [](int32_t on) { SetSRecChordDetectReqd(on != 0); },
       [this](int32_t on) { EnableChordDetectThreshold(on != 0); }},
      {ui->chkIgnoreDriverTStamps,
       BindCfg(&Cfg.IgnoreDriverTStamps),
       {},
       [](int32_t on) { SetIgnoreDriverTStamps(on != 0); }},
      // The MIDI-in thread reads it for each controller 122.
      {ui->chkInterpretLocalControl, BindCfg(&Cfg.InterpretLocalControl)},
  });
  connect(ui->chkLocalControlOn, &QCheckBox::toggled, this, [](bool on) { SetLocalControlOn(on); });
  OnRadioPicked(StepLen, this, [](int32_t n) { StoreCfg(BindCfg(&Cfg.SRecNoteLenFrac), n); });
  OnRadioPicked(Gate, this, [](int32_t n) { StoreCfg(BindCfg(&Cfg.SRecNoteOnPercent), n); });
}

void TfrmCfgTiming::WireCombos() {
  connect(ui->cboClocksExtPNos, &QComboBox::activated, this, [](int i) { SetClocksExtPNo(i); });
}

void TfrmCfgTiming::OnShowing(TTopic topic) {
  switch (topic) {
    case TTopic::StepRecNoteLen:
      return ShowSRecNoteLenFrac();
    case TTopic::StepRecNoteOn:
      return ShowSRecNoteOnPercent();
    case TTopic::StepRecChord:
      return ShowSRecChordDetect();
    case TTopic::TempoSlew:
      return ShowTempoSlewTime();
    case TTopic::InPorts:
      return FillClockPortCombo();
    default:
      return;
  }
}

void TfrmCfgTiming::EnableTempoSteps(bool lg) {
  ui->cboLgTempoSteps->setEnabled(lg);
  ui->lblLgTempoSteps->setEnabled(lg);
  ui->cboLnTempoSteps->setEnabled(!lg);
  ui->lblLnTempoSteps->setEnabled(!lg);
}

void TfrmCfgTiming::EnableChordDetectThreshold(bool on) {
  ui->cboSRecChordDetectThreshold->setEnabled(on);
  ui->lblSRecChordDetectThreshold->setEnabled(on);
}

void TfrmCfgTiming::ShowSRecNoteLenFrac() {
  SelectRadio(StepLen, StepLenButton(Cfg.SRecNoteLenFrac));
}

void TfrmCfgTiming::ShowSRecNoteOnPercent() {
  SelectRadio(Gate, GateButton(Cfg.SRecNoteOnPercent));
}

void TfrmCfgTiming::ShowSRecChordDetect() {
  const QSignalBlocker block(ui->chkSRecChordDetectReqd);
  LoadBound(ui->chkSRecChordDetectReqd);
  EnableChordDetectThreshold(ui->chkSRecChordDetectReqd->isChecked());
}

void TfrmCfgTiming::ShowTempoSlewTime() {
  LoadBound(ui->cboTempoSlewTimes);
}

void TfrmCfgTiming::FillClockPortCombo() {
  vel::FillClockPortCombo(ui->cboClocksExtPNos);
  ui->lblClocksExtPNos->setEnabled(ui->cboClocksExtPNos->isEnabled());
}

void TfrmCfgTiming::ShowLocalControlOn() {
  const QSignalBlocker block(ui->chkLocalControlOn);
  ui->chkLocalControlOn->setChecked(PlayCycle.LocalControlOn != 0);
}

void TfrmCfgTiming::LoadCfgTimingControls() {
  LoadBound();
  ShowLocalControlOn();
  ShowSRecChordDetect();
  ShowSRecNoteLenFrac();
  ShowSRecNoteOnPercent();
  FillClockPortCombo();
}

void TfrmCfgTiming::Load() {
  LoadCfgTimingControls();
  // The enabling follows the boxes; nothing is stored or applied while loading.
  EnableTempoSteps(ui->chkUseLgTempos->isChecked());
}

}  // namespace vel
