#include "settings/forms/CfgVKbd.h"

#include <QButtonGroup>

#include "mainwindow/forms/Main.h"
#include "mainwindow/forms/MainViewMenus.h"
#include "settings/CfgWindows.h"
#include "settings/Settings.h"
#include "tools/TemplateSettings.h"
#include "ui_CfgVKbd.h"

namespace vel {

TfrmCfgVKbd::TfrmCfgVKbd(TfrmMain& main)
    : TCfgWindow(main, {"mnuCfgVKbd", &Cfg.WindowCfgVKbdLeft, &Cfg.WindowCfgVKbdTop,
                        TTopic::Settings}),
      ui(std::make_unique<Ui::frmCfgVKbd>()) {
  ui->setupUi(this);
  setObjectName("frmCfgVKbd");
  const TCfgBinding animSize = BindCfg(&Cfg.TemplateAnimateSize);
  const TCfgBinding animDecay = BindCfg(&Cfg.TemplateAnimateDecay);
  AnimSize = MakeRadioGroup(this, "rbTemplateAnimSize", animSize);
  AnimDecay = MakeRadioGroup(this, "rbTemplateAnimDecay", animDecay);
  Bind({
      {ui->cboKeySize, BindCfg(&Cfg.TemplateKeySize), {5, 5, 100}, &SetTemplateKeySize},
      {ui->cboTemplateChanNo,
       BindCfg(&Cfg.TemplateChanNo),
       {},
       [](int32_t c) { SetTemplateChanNo(uint8_t(c)); }},
      {ui->chkTemplatePosnSens, BindCfg(&Cfg.TemplatePosnSensitive)},
      {ui->chkTemplateVelSens, BindCfg(&Cfg.TemplateVelSensitive)},
      // Both are read by the GUI's own key path when a mouse or computer key plays.
      {ui->chkTemplateRawPort, BindCfg(&Cfg.TemplateRawPort)},
      {ui->chkQwertyRawPort, BindCfg(&Cfg.QwertyRawPort)},
      // The Action menu's captions show whether the computer keys are off.
      {ui->chkTemplateQwertyDisabled,
       BindCfg(&Cfg.TemplateQwertyDisabled),
       {},
       {},
       [this](int32_t) {
         main_.Views().SetControlMenuCaption();
         main_.Views().SetCalibMenuCaption();
       }},
      // The MIDI-in thread reads the depression to decide whether a key lights up.
      {AnimSize, animSize, {}, {}, [this](int32_t n) { EnableAnimDecay(n); }},
      {AnimDecay, animDecay},
  });
  Wire(ui->sbtnSaveConfig);
}

TfrmCfgVKbd::~TfrmCfgVKbd() = default;

void TfrmCfgVKbd::EnableAnimDecay(int32_t animateSize) {
  EnableRadios(AnimDecay, TemplateAnimDecayEnabled(animateSize));
}

void TfrmCfgVKbd::LoadCfgVKbdControls() {
  LoadBound();
  EnableAnimDecay(Cfg.TemplateAnimateSize);
}

}  // namespace vel
