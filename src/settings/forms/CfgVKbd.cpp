#include "settings/forms/CfgVKbd.h"

#include <QButtonGroup>

#include "base/Showing.h"
#include "mainwindow/MainCombos.h"
#include "mainwindow/forms/Main.h"
#include "mainwindow/forms/MainInput.h"
#include "mainwindow/forms/MainViewMenus.h"
#include "settings/CfgWindows.h"
#include "settings/Settings.h"
#include "tools/TemplateSettings.h"
#include "ui_CfgVKbd.h"

namespace vel {

TfrmCfgVKbd::TfrmCfgVKbd(TfrmMain& main)
    : TCfgWindow(main, {"mnuCfgVKbd", &Showing.CfgVKbdShowing, &Cfg.WindowCfgVKbdLeft, &Cfg.WindowCfgVKbdTop,
                        TRefresh::LoadCfgVKbdControls}),
      ui(std::make_unique<Ui::frmCfgVKbd>()) {
  ui->setupUi(this);
  setObjectName("frmCfgVKbd");
  FillIntCombo(ui->cboKeySize, 5, 5, 100);
  for (const std::string& s : FillNumberCombo(15)) ui->cboTemplateChanNo->addItem(QString::fromStdString(s));
  AnimSize = MakeRadioGroup(this, "rbTemplateAnimSize", 1, 5);
  AnimDecay = MakeRadioGroup(this, "rbTemplateAnimDecay", 1, 4);
  connect(ui->cboKeySize, &QComboBox::activated, this,
          [this] { SetTemplateKeySize(ui->cboKeySize->currentText().toInt()); });
  connect(ui->cboTemplateChanNo, &QComboBox::activated, this, [this] {
    SetTemplateChanNo(static_cast<uint8_t>(ui->cboTemplateChanNo->currentText().toInt() - 1));
  });
  connect(ui->chkTemplatePosnSens, &QCheckBox::clicked, this, [](bool on) { SetTemplatePosnSensitive(on); });
  connect(ui->chkTemplateVelSens, &QCheckBox::clicked, this, [](bool on) { SetTemplateVelSensitive(on); });
  // Both are read by the GUI's own key path when a mouse or computer key plays.
  connect(ui->chkTemplateRawPort, &QCheckBox::clicked, this,
          [](bool on) { Cfg.TemplateRawPort = on ? 1 : 0; });
  connect(ui->chkQwertyRawPort, &QCheckBox::clicked, this, [](bool on) { Cfg.QwertyRawPort = on ? 1 : 0; });
  connect(ui->chkTemplateQwertyDisabled, &QCheckBox::clicked, this,
          [this](bool on) { main_.Views().SetTemplateQwertyDisabled(on); });
  connect(AnimSize, &QButtonGroup::idClicked, this, [this](int n) { ApplyTemplateAnimateSize(n); });
  connect(AnimDecay, &QButtonGroup::idClicked, this, [](int n) { SetTemplateAnimateDecay(n); });
  Wire(ui->sbtnSaveConfig);
}

TfrmCfgVKbd::~TfrmCfgVKbd() = default;

void TfrmCfgVKbd::EnableAnimDecay(int32_t animateSize) {
  for (QAbstractButton* b : AnimDecay->buttons()) b->setEnabled(TemplateAnimDecayEnabled(animateSize));
}

void TfrmCfgVKbd::ApplyTemplateAnimateSize(int32_t n) {
  // The MIDI-in thread reads it to decide whether a key lights up.
  StoreLocked(Cfg.TemplateAnimateSize, n);
  EnableAnimDecay(n);
}

void TfrmCfgVKbd::LoadCfgVKbdControls() {
  ui->chkTemplateQwertyDisabled->setChecked(Cfg.TemplateQwertyDisabled != 0);
  ui->chkTemplateRawPort->setChecked(Cfg.TemplateRawPort != 0);
  ui->chkQwertyRawPort->setChecked(Cfg.QwertyRawPort != 0);
  SelectComboByValue(ui->cboTemplateChanNo, GetTemplateChanNo() + 1);
  SelectComboByValue(ui->cboKeySize, GetTemplateKeySize());
  ui->chkTemplateVelSens->setChecked(GetTemplateVelSensitive());
  ui->chkTemplatePosnSens->setChecked(GetTemplatePosnSensitive());
  SelectRadio(AnimDecay, RadioFor(GetTemplateAnimateDecay(), 1, 4));
  SelectRadio(AnimSize, RadioFor(Cfg.TemplateAnimateSize, 1, 5));
  EnableAnimDecay(Cfg.TemplateAnimateSize);
}

}  // namespace vel
