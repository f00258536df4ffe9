#include "settings/forms/CfgBehaviour.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QRadioButton>
#include <QSignalBlocker>
#include <mutex>
#include <utility>

#include "base/EngineLock.h"
#include "base/Showing.h"
#include "mainwindow/InputProcs.h"
#include "mainwindow/forms/MainInput.h"
#include "settings/CfgWindowsBehaviour.h"
#include "settings/Settings.h"
#include "ui_CfgBehaviour.h"

namespace vel {

namespace {

// Each plain box and the flag it stores.
std::vector<std::pair<QCheckBox*, uint8_t*>> PlainChecks(Ui::frmCfgBehaviour& u) {
  return {
      {u.chkStopImmStop, &Cfg.StopImmStop},
      {u.chkDPressDeleteSeqs, &Cfg.DPressDeleteSeqsReqd},
      {u.chkDPressResetSeqs, &Cfg.DPressResetSeqsReqd},
      {u.chkDPressCalibrate, &Cfg.DPressCalibrateReqd},
      {u.chkDPressLoad, &Cfg.DPressLoadReqd},
      {u.chkDPressSave, &Cfg.DPressSaveReqd},
      {u.chkDPressHotkey, &Cfg.DPressHotkeyReqd},
      {u.chkDPressDeleteProgsInSeqs, &Cfg.DPressDeleteProgsInSeqsReqd},
      {u.chkAutoHoldFtn, &Cfg.AutoHoldFtn},
      {u.chkAutoHoldTimeSig, &Cfg.AutoHoldTimeSig},
      {u.chkAutoHoldTimeShift, &Cfg.AutoHoldTimeShift},
      {u.chkAutoHoldQuantise, &Cfg.AutoHoldQuantise},
      {u.chkAutoHoldFts, &Cfg.AutoHoldFts},
      {u.chkAutoHoldMetr, &Cfg.AutoHoldMetr},
      {u.chkAutoHoldPitch, &Cfg.AutoHoldPitch},
      {u.chkAutoHoldHotkey, &Cfg.AutoHoldHotkey},
      {u.chkAutoHoldDigit, &Cfg.AutoHoldDigit},
      {u.chkRecIntAttribSrcToLive, &Cfg.RecIntAttribSrcToLive},
      {u.chkDefSelSeqsTransport, &Cfg.DefSelSeqsTransport},
      {u.chkDefSelSeqsPitch, &Cfg.DefSelSeqsPitch},
      {u.chkDefSelSeqsTime, &Cfg.DefSelSeqsTime},
      {u.chkDefSelSeqsMidi, &Cfg.DefSelSeqsMidi},
      {u.chkDefSelSeqsPart, &Cfg.DefSelSeqsPart},
      {u.chkDefSelSeqsReset, &Cfg.DefSelSeqsReset},
      {u.chkDefSelSeqsDelete, &Cfg.DefSelSeqsDelete},
      {u.chkDefSelLivePitch, &Cfg.DefSelLivePitch},
      {u.chkDefSelLiveMidi, &Cfg.DefSelLiveMidi},
      {u.chkDefSelLiveReset, &Cfg.DefSelLiveReset},
      {u.chkProgChangeCalibReqd, &Cfg.ProgChangeCalibReqd},
      {u.chkFtnLiveNotesReqd, &Cfg.FtnLiveNotesReqd},
      {u.chkRecRawChanSrcData, &Cfg.RecRawChanSrcData},
      {u.chkRecRawAttribSrcToLive, &Cfg.RecRawAttribSrcToLive},
      {u.chkRecStopAllowSPTrigger, &Cfg.RecStopAllowSPTrigger},
      {u.chkRecStopCurrToDef, &Cfg.RecStopCurrToDef},
      {u.chkRecStopImmStop, &Cfg.RecStopImmStop},
  };
}

THotkeySettings HotkeySettings() {
  return {Cfg.DisableHotkeys, Cfg.HotkeysTargetActiveWin, Cfg.HotkeysTargetWinName};
}

}  // namespace

TfrmCfgBehaviour::TfrmCfgBehaviour(TfrmMain& main)
    : TCfgWindow(main, {"mnuCfgBehaviour", &Showing.CfgBehaviourShowing, &Cfg.WindowCfgBehaviourLeft,
                        &Cfg.WindowCfgBehaviourTop, TRefresh::LoadCfgBehaviourControls}),
      ui(std::make_unique<Ui::frmCfgBehaviour>()) {
  ui->setupUi(this);
  setObjectName("frmCfgBehaviour");
  ui->cboHotkeysTarget->clear();
  ui->cboHotkeysTarget->setMaxVisibleItems(20);
  ui->cboHotkeysTarget->setMinimumContentsLength(24);
  ui->cboHotkeysTargetHandles->hide();
  FillIntCombo(ui->cboDPressIntervals, 0, 50, 1000);
  FillIntCombo(ui->cboRecStopSeqNo, 0, 1, 4);
  WireChecks();
  WireRecording();
  WireHotkeys();
  Wire(ui->sbtnSaveConfig);
}

TfrmCfgBehaviour::~TfrmCfgBehaviour() = default;

void TfrmCfgBehaviour::WireChecks() {
  for (auto [box, setting] : PlainChecks(*ui))
    connect(box, &QCheckBox::toggled, this, [setting](bool on) { StoreLocked(*setting, on); });
  connect(ui->cboDPressIntervals, &QComboBox::activated, this,
          [this](int) { StoreLocked(Cfg.DPressInterval, ui->cboDPressIntervals->currentText().toInt()); });
}

void TfrmCfgBehaviour::WireRecording() {
  for (QRadioButton* b : {ui->rbRecIntAttribSrcLive, ui->rbRecIntAttribSrcSeq})
    connect(b, &QRadioButton::clicked, this, [this] { ApplyRecIntAttribSrc(); });
  for (QRadioButton* b : {ui->rbRecRawAttribSrcLive, ui->rbRecRawAttribSrcSeq})
    connect(b, &QRadioButton::clicked, this, [this] { ApplyRecRawAttribSrc(); });
  connect(ui->cboRecStopSeqNo, &QComboBox::activated, this, [this](int) {
    StoreLocked(Cfg.RecStopSeqNo, ui->cboRecStopSeqNo->currentText().toInt() - 1);
    ui->chkRecStopCurrToDef->setEnabled(Cfg.RecStopSeqNo >= 0);
  });
}

void TfrmCfgBehaviour::WireHotkeys() {
  Hotkeys = new QButtonGroup(this);
  Hotkeys->addButton(ui->rbDisableHotkeys, int(THotkeyTarget::Disabled));
  Hotkeys->addButton(ui->rbHotkeysToActiveWin, int(THotkeyTarget::ActiveWindow));
  Hotkeys->addButton(ui->rbHotkeysToNamedWin, int(THotkeyTarget::NamedWindow));
  connect(Hotkeys, &QButtonGroup::idClicked, this, [this](int) { ApplyHotkeyTarget(); });
  connect(ui->cboHotkeysTarget, &QComboBox::activated, this, [this](int) {
    // No look-up until the nominated window button or "Refresh" is used.
    std::lock_guard lock(EngineLock);
    Cfg.HotkeysTargetWinName = ui->cboHotkeysTarget->currentText().toStdString();
  });
  connect(ui->sbtnRefreshHotkeyTargets, &QAbstractButton::clicked, this, [this] { RefreshHotkeyTargets(); });
}

void TfrmCfgBehaviour::ApplyRecIntAttribSrc() {
  StoreLocked(Cfg.RecIntAttribSrcLive, ui->rbRecIntAttribSrcLive->isChecked());
  // Taking the attributes from the live settings leaves nothing to transfer back.
  ui->chkRecIntAttribSrcToLive->setEnabled(!Cfg.RecIntAttribSrcLive);
}

void TfrmCfgBehaviour::ApplyRecRawAttribSrc() {
  StoreLocked(Cfg.RecRawAttribSrcLive, ui->rbRecRawAttribSrcLive->isChecked());
  ui->chkRecRawAttribSrcToLive->setEnabled(!Cfg.RecRawAttribSrcLive);
}

void TfrmCfgBehaviour::ListHotkeyTargets() {
  const QSignalBlocker block(ui->cboHotkeysTarget);
  ui->cboHotkeysTarget->clear();
  for (const std::string& title : ListHotkeyTargetTitles(HotkeyDirectory()))
    ui->cboHotkeysTarget->addItem(QString::fromStdString(title));
  ui->cboHotkeysTarget->setCurrentIndex(ui->cboHotkeysTarget->findText(
      QString::fromStdString(Cfg.HotkeysTargetWinName), Qt::MatchExactly | Qt::MatchCaseSensitive));
}

void TfrmCfgBehaviour::LoadHotkeyTargetControls() {
  ListHotkeyTargets();
  const QSignalBlocker block(Hotkeys);
  Hotkeys->button(int(HotkeyTargetShown(HotkeySettings())))->setChecked(true);
}

void TfrmCfgBehaviour::FindTarget() {
  FindHotkeyTargetWindow();
  // The outcome shows now, not at the next status tick.
  LoadHotkeyTargetControls();
}

void TfrmCfgBehaviour::ApplyHotkeyTarget() {
  const int shown = ui->cboHotkeysTarget->currentIndex();
  const std::string title = ui->cboHotkeysTarget->currentText().toStdString();
  const auto target = THotkeyTarget(Hotkeys->checkedId());
  const THotkeySettings s = ChooseHotkeyTarget(HotkeySettings(), target, shown >= 0 ? &title : nullptr);
  {
    std::lock_guard lock(EngineLock);
    Cfg.DisableHotkeys = s.DisableHotkeys;
    Cfg.HotkeysTargetActiveWin = s.HotkeysTargetActiveWin;
    Cfg.HotkeysTargetWinName = s.HotkeysTargetWinName;
  }
  if (target == THotkeyTarget::NamedWindow) FindTarget();
}

void TfrmCfgBehaviour::RefreshHotkeyTargets() {
  ListHotkeyTargets();
  if (ui->cboHotkeysTarget->currentIndex() >= 0) {
    // With the nominated window gone the name stays, for when it opens again.
    std::lock_guard lock(EngineLock);
    Cfg.HotkeysTargetWinName = ui->cboHotkeysTarget->currentText().toStdString();
  }
  FindTarget();
  if (ui->cboHotkeysTarget->currentIndex() < 0 && ui->cboHotkeysTarget->count() > 0) {
    const QSignalBlocker block(ui->cboHotkeysTarget);
    ui->cboHotkeysTarget->setCurrentIndex(0);
  }
}

void TfrmCfgBehaviour::LoadRecording() {
  (Cfg.RecIntAttribSrcLive ? ui->rbRecIntAttribSrcLive : ui->rbRecIntAttribSrcSeq)->setChecked(true);
  ui->chkRecIntAttribSrcToLive->setEnabled(!Cfg.RecIntAttribSrcLive);
  (Cfg.RecRawAttribSrcLive ? ui->rbRecRawAttribSrcLive : ui->rbRecRawAttribSrcSeq)->setChecked(true);
  ui->chkRecRawAttribSrcToLive->setEnabled(!Cfg.RecRawAttribSrcLive);
  SelectComboByValue(ui->cboRecStopSeqNo, Cfg.RecStopSeqNo + 1);
  ui->chkRecStopCurrToDef->setEnabled(Cfg.RecStopSeqNo >= 0);
}

void TfrmCfgBehaviour::LoadCfgBehaviourControls() {
  // Called with every control's signals blocked (the window base), so nothing is stored.
  for (auto [box, setting] : PlainChecks(*ui)) box->setChecked(*setting != 0);
  SelectComboByValue(ui->cboDPressIntervals, Cfg.DPressInterval);
  LoadRecording();
  LoadHotkeyTargetControls();
}

}  // namespace vel
