#include "settings/forms/CfgTiming.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QRadioButton>
#include <utility>
#include <vector>

#include "base/Showing.h"
#include "engine/MidiIn.h"
#include "engine/PlayCycle.h"
#include "mainwindow/forms/Main.h"
#include "mainwindow/forms/MainInput.h"
#include "mainwindow/forms/MainViewMenus.h"
#include "settings/CfgWindowsBehaviour.h"
#include "settings/Settings.h"
#include "ui_CfgTiming.h"

namespace vel {

namespace {

QButtonGroup* GroupOf(QWidget* window, const char* prefix, const std::vector<int32_t>& values) {
  auto* group = new QButtonGroup(window);
  for (int32_t v : values)
    group->addButton(window->findChild<QAbstractButton*>(QString(prefix) + QString::number(v)), v);
  return group;
}

}  // namespace

TfrmCfgTiming::TfrmCfgTiming(TfrmMain& main)
    : TCfgWindow(main, {"mnuCfgTiming", &Showing.CfgTimingShowing, &Cfg.WindowCfgTimingLeft,
                        &Cfg.WindowCfgTimingTop, TRefresh::FillClockPortCombo}),
      ui(std::make_unique<Ui::frmCfgTiming>()) {
  ui->setupUi(this);
  setObjectName("frmCfgTiming");
  StepLen = GroupOf(this, "rbSRecNoteLenFrac", StepLenFracs());
  Gate = GroupOf(this, "rbSRecNoteOnPercent", GatePercents());
  FillCombos();
  WireChecks();
  WireCombos();
  Wire(ui->sbtnSaveConfig);
}

TfrmCfgTiming::~TfrmCfgTiming() = default;

void TfrmCfgTiming::FillCombos() {
  FillIntCombo(ui->cboLnTempoSteps, 1, 1, 99);
  FillIntCombo(ui->cboLgTempoSteps, 1, 1, 99);
  FillIntCombo(ui->cboTempoSlewTimes, 0, 1, 99);
  FillIntCombo(ui->cboSRecChordDetectThreshold, 10, 10, 500);
  FillIntCombo(ui->cboFtnTimerThreshold, 10, 10, 150);
  ui->cboClocksExtPNos->setMaxVisibleItems(9);
}

void TfrmCfgTiming::WireChecks() {
  const std::pair<QCheckBox*, uint8_t*> plain[] = {
      {ui->chkTapTempoOnBeats, &Cfg.TapTempoOnBeats},
      {ui->chkMidiInSyncContEnabled, &Cfg.MidiInSyncContEnabled},
      {ui->chkRecIntSyncReqd, &Cfg.RecIntSyncReqd},
      {ui->chkRecRawSyncReqd, &Cfg.RecRawSyncReqd},
  };
  for (auto [box, setting] : plain)
    connect(box, &QCheckBox::toggled, this, [setting](bool on) { StoreLocked(*setting, on ? 1 : 0); });
  TViewMenus& views = main_.Views();
  connect(ui->chkUseLgTempos, &QCheckBox::toggled, this, [this](bool on) { ApplyUseLgTempos(on); });
  connect(ui->chkSRecChordDetectReqd, &QCheckBox::toggled, this, [this] { ApplySRecChordDetect(); });
  connect(ui->chkIgnoreDriverTStamps, &QCheckBox::toggled, this,
          [&views](bool on) { views.SetIgnoreDriverTStamps(on); });
  connect(ui->chkInterpretLocalControl, &QCheckBox::toggled, this,
          [&views](bool on) { views.SetInterpretLocalControl(on); });
  connect(ui->chkLocalControlOn, &QCheckBox::toggled, this,
          [&views](bool on) { views.SetLocalControlOn(on); });
  connect(StepLen, &QButtonGroup::idClicked, this, [](int n) { StoreLocked(Cfg.SRecNoteLenFrac, n); });
  connect(Gate, &QButtonGroup::idClicked, this, [](int n) { StoreLocked(Cfg.SRecNoteOnPercent, n); });
}

void TfrmCfgTiming::WireCombos() {
  const std::pair<QComboBox*, int32_t*> plain[] = {
      {ui->cboLnTempoSteps, &Cfg.LnTempoStep},
      {ui->cboLgTempoSteps, &Cfg.LgTempoStep},
      {ui->cboSRecChordDetectThreshold, &Cfg.SRecChordDetectThreshold},
      {ui->cboFtnTimerThreshold, &Cfg.FtnTimerThreshold},
  };
  for (auto [combo, setting] : plain)
    connect(combo, &QComboBox::activated, this,
            [combo, setting](int) { StoreLocked(*setting, combo->currentText().toInt()); });
  connect(ui->cboTempoSlewTimes, &QComboBox::activated, this, [this](int) {
    StoreLocked(Cfg.TempoSlewTime, ui->cboTempoSlewTimes->currentText().toInt() * 1000);
  });
  connect(ui->cboClocksExtPNos, &QComboBox::activated, this, [](int i) {
    StoreLocked(Cfg.ClocksExtPNo, i);
    ResetExtClock();
  });
}

bool TfrmCfgTiming::Serves(TRefresh which) const {
  switch (which) {
    case TRefresh::ShowSRecNoteLenFrac:
    case TRefresh::ShowSRecNoteOnPercent:
    case TRefresh::ShowSRecChordDetect:
    case TRefresh::ShowTempoSlewTime:
    case TRefresh::FillClockPortCombo:
      return isVisible();
    default:
      return false;
  }
}

void TfrmCfgTiming::Refresh(TRefresh which) {
  switch (which) {
    case TRefresh::ShowSRecNoteLenFrac:
      return ShowSRecNoteLenFrac();
    case TRefresh::ShowSRecNoteOnPercent:
      return ShowSRecNoteOnPercent();
    case TRefresh::ShowSRecChordDetect:
      return ShowSRecChordDetect();
    case TRefresh::ShowTempoSlewTime:
      return ShowTempoSlewTime();
    case TRefresh::FillClockPortCombo:
      return FillClockPortCombo();
    default:
      return;
  }
}

void TfrmCfgTiming::ApplyUseLgTempos(bool on) {
  StoreLocked(Cfg.UseLgTempos, on ? 1 : 0);
  ui->cboLgTempoSteps->setEnabled(on);
  ui->lblLgTempoSteps->setEnabled(on);
  ui->cboLnTempoSteps->setEnabled(!on);
  ui->lblLnTempoSteps->setEnabled(!on);
}

void TfrmCfgTiming::ApplySRecChordDetect() {
  const bool on = ui->chkSRecChordDetectReqd->isChecked();
  ui->cboSRecChordDetectThreshold->setEnabled(on);
  ui->lblSRecChordDetectThreshold->setEnabled(on);
  main_.Views().SetSRecChordDetectReqd(on);
}

void TfrmCfgTiming::ShowSRecNoteLenFrac() {
  FocusCfgControl(StepLen->button(StepLenButton(Cfg.SRecNoteLenFrac)));
}

void TfrmCfgTiming::ShowSRecNoteOnPercent() {
  FocusCfgControl(Gate->button(GateButton(Cfg.SRecNoteOnPercent)));
}

void TfrmCfgTiming::ShowSRecChordDetect() {
  const bool on = Cfg.SRecChordDetectReqd != 0;
  const QSignalBlocker block(ui->chkSRecChordDetectReqd);
  ui->chkSRecChordDetectReqd->setChecked(on);
  ui->cboSRecChordDetectThreshold->setEnabled(on);
  ui->lblSRecChordDetectThreshold->setEnabled(on);
}

void TfrmCfgTiming::ShowTempoSlewTime() {
  SelectComboByValue(ui->cboTempoSlewTimes, Cfg.TempoSlewTime / 1000);
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
  const std::pair<QCheckBox*, uint8_t> boxes[] = {
      {ui->chkTapTempoOnBeats, Cfg.TapTempoOnBeats},
      {ui->chkUseLgTempos, Cfg.UseLgTempos},
      {ui->chkIgnoreDriverTStamps, Cfg.IgnoreDriverTStamps},
      {ui->chkInterpretLocalControl, Cfg.InterpretLocalControl},
      {ui->chkLocalControlOn, PlayCycle.LocalControlOn.load()},
      {ui->chkMidiInSyncContEnabled, Cfg.MidiInSyncContEnabled},
      {ui->chkRecRawSyncReqd, Cfg.RecRawSyncReqd},
      {ui->chkRecIntSyncReqd, Cfg.RecIntSyncReqd},
  };
  for (auto [box, on] : boxes) box->setChecked(on != 0);
  ShowSRecChordDetect();
  ShowTempoSlewTime();
  SelectComboByValue(ui->cboLnTempoSteps, Cfg.LnTempoStep);
  SelectComboByValue(ui->cboLgTempoSteps, Cfg.LgTempoStep);
  SelectComboByValue(ui->cboSRecChordDetectThreshold, Cfg.SRecChordDetectThreshold);
  SelectComboByValue(ui->cboFtnTimerThreshold, Cfg.FtnTimerThreshold);
  ShowSRecNoteLenFrac();
  ShowSRecNoteOnPercent();
  FillClockPortCombo();
}

void TfrmCfgTiming::Load() {
  LoadCfgTimingControls();
  // The enabling follows the boxes; nothing is stored or applied while loading.
  const bool lg = ui->chkUseLgTempos->isChecked();
  ui->cboLgTempoSteps->setEnabled(lg);
  ui->lblLgTempoSteps->setEnabled(lg);
  ui->cboLnTempoSteps->setEnabled(!lg);
  ui->lblLnTempoSteps->setEnabled(!lg);
}

}  // namespace vel
