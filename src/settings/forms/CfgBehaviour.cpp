#include "settings/forms/CfgBehaviour.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QSignalBlocker>
#include <utility>

#include "base/Messages.h"
#include "mainwindow/InputProcs.h"
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

// The record attribute source buttons' ids: the stored flag, shown as it is held.
constexpr int32_t kSrcSeq = 0;
constexpr int32_t kSrcLive = 1;

}  // namespace

TfrmCfgBehaviour::TfrmCfgBehaviour(TfrmMain& main)
    : TCfgWindow(main, {"mnuCfgBehaviour", &Cfg.WindowCfgBehaviourLeft, &Cfg.WindowCfgBehaviourTop,
                        TTopic::Behaviour}),
      ui(std::make_unique<Ui::frmCfgBehaviour>()) {
  ui->setupUi(this);
  setObjectName("frmCfgBehaviour");
  ui->cboHotkeysTarget->clear();
  ui->cboHotkeysTarget->setMaxVisibleItems(20);
  ui->cboHotkeysTarget->setMinimumContentsLength(24);
  ui->cboHotkeysTargetHandles->hide();
  WireChecks();
  WireRecording();
  WireHotkeys();
  Wire(ui->sbtnSaveConfig);
}

TfrmCfgBehaviour::~TfrmCfgBehaviour() = default;

void TfrmCfgBehaviour::WireChecks() {
  for (auto [box, setting] : PlainChecks(*ui)) Bind({box, BindCfg(setting)});
  Bind({ui->cboDPressIntervals, BindCfg(&Cfg.DPressInterval), {0, 50, 1000}});
}

void TfrmCfgBehaviour::WireRecording() {
  RecIntSrc =
      MakeRadioGroup(this, {{ui->rbRecIntAttribSrcSeq, kSrcSeq}, {ui->rbRecIntAttribSrcLive, kSrcLive}});
  RecRawSrc =
      MakeRadioGroup(this, {{ui->rbRecRawAttribSrcSeq, kSrcSeq}, {ui->rbRecRawAttribSrcLive, kSrcLive}});
  // Taking the attributes from the live settings leaves nothing to transfer back.
  Bind({
      {RecIntSrc,
       BindCfg(&Cfg.RecIntAttribSrcLive),
       {},
       {},
       [this](int32_t live) { ui->chkRecIntAttribSrcToLive->setEnabled(!live); }},
      {RecRawSrc,
       BindCfg(&Cfg.RecRawAttribSrcLive),
       {},
       {},
       [this](int32_t live) { ui->chkRecRawAttribSrcToLive->setEnabled(!live); }},
      {ui->cboRecStopSeqNo,
       BindCfg(&Cfg.RecStopSeqNo),
       {},
       {},
       [this](int32_t seq) { ui->chkRecStopCurrToDef->setEnabled(seq >= 0); }},
  });
}

void TfrmCfgBehaviour::WireHotkeys() {
  Hotkeys = MakeRadioGroup(this, {{ui->rbDisableHotkeys, int32_t(THotkeyTarget::Disabled)},
                                  {ui->rbHotkeysToActiveWin, int32_t(THotkeyTarget::ActiveWindow)},
                                  {ui->rbHotkeysToNamedWin, int32_t(THotkeyTarget::NamedWindow)}});
  OnRadioPicked(Hotkeys, this, [this](int32_t) { ApplyHotkeyTarget(); });
  // No look-up until the nominated window button or "Refresh" is used.
  connect(ui->cboHotkeysTarget, &QComboBox::activated, this,
          [this](int) { StoreHotkeyTargetName(ui->cboHotkeysTarget->currentText().toStdString()); });
  connect(ui->sbtnRefreshHotkeyTargets, &QAbstractButton::clicked, this, [this] { RefreshHotkeyTargets(); });
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
  SelectRadio(Hotkeys, int32_t(HotkeyTargetShown(HotkeySettings())));
}

void TfrmCfgBehaviour::FindTarget() {
  const bool wanted = !Cfg.DisableHotkeys && !Cfg.HotkeysTargetActiveWin;
  FindHotkeyTargetWindow();
  // The outcome shows now, not at the next status tick; a nominated window that cannot be had
  // says why hotkeys went off.
  LoadHotkeyTargetControls();
  if (wanted && Cfg.DisableHotkeys) ReportWarning("@" + HotkeyTargetMissingText(Cfg.HotkeysTargetWinName));
}

void TfrmCfgBehaviour::ApplyHotkeyTarget() {
  const int shown = ui->cboHotkeysTarget->currentIndex();
  const std::string title = ui->cboHotkeysTarget->currentText().toStdString();
  const auto target = THotkeyTarget(CheckedRadio(Hotkeys));
  const THotkeySettings s = ChooseHotkeyTarget(HotkeySettings(), target, shown >= 0 ? &title : nullptr);
  StoreHotkeySettings(s);
  if (target == THotkeyTarget::NamedWindow) FindTarget();
}

void TfrmCfgBehaviour::RefreshHotkeyTargets() {
  ListHotkeyTargets();
  // With the nominated window gone the name stays, for when it opens again.
  if (ui->cboHotkeysTarget->currentIndex() >= 0)
    StoreHotkeyTargetName(ui->cboHotkeysTarget->currentText().toStdString());
  // Nothing else is shown as chosen: a title shown would be taken by the nominated window button
  // in place of the one the user picked.
  FindTarget();
}

void TfrmCfgBehaviour::LoadRecording() {
  ui->chkRecIntAttribSrcToLive->setEnabled(!Cfg.RecIntAttribSrcLive);
  ui->chkRecRawAttribSrcToLive->setEnabled(!Cfg.RecRawAttribSrcLive);
  ui->chkRecStopCurrToDef->setEnabled(Cfg.RecStopSeqNo >= 0);
}

void TfrmCfgBehaviour::LoadCfgBehaviourControls() {
  // Called with every control's signals blocked (the window base), so nothing is stored.
  LoadBound();
  LoadRecording();
  LoadHotkeyTargetControls();
}

}  // namespace vel
