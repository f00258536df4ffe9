#include "settings/forms/CfgKinetrace.h"

#include <QButtonGroup>

#include "mainwindow/forms/Main.h"
#include "mainwindow/forms/MainLanes.h"
#include "settings/CfgWindows.h"
#include "settings/Settings.h"
#include "ui_CfgKinetrace.h"

namespace vel {

TfrmCfgKinetrace::TfrmCfgKinetrace(TfrmMain& main)
    : TCfgWindow(main, {"mnuCfgKinetrace", &Cfg.WindowCfgKinetraceLeft,
                        &Cfg.WindowCfgKinetraceTop, TTopic::Kinetrace}),
      ui(std::make_unique<Ui::frmCfgKinetrace>()) {
  ui->setupUi(this);
  setObjectName("frmCfgKinetrace");
  ui->tbKinetracePosn->setSingleStep(1);
  ui->tbKinetracePosn->setPageStep(2);
  ui->tbKinetracePosn->setTickPosition(QSlider::TicksBelow);
  const TCfgBinding style = BindCfg(&Cfg.KinetraceStyle);
  const TCfgBinding size = BindCfg(&Cfg.KinetraceSize);
  const TCfgBinding decay = BindCfg(&Cfg.KinetraceDecay);
  const TCfgBinding shape = BindCfg(&Cfg.KinetraceShape);
  const TCfgBinding tail = BindCfg(&Cfg.KinetraceTail);
  Style = MakeRadioGroup(this, "rbKinetraceStyle", style);
  Size = MakeRadioGroup(this, "rbKinetraceSize", size);
  Decay = MakeRadioGroup(this, "rbKinetraceDecay", decay);
  Shape = MakeRadioGroup(this, "rbKinetraceShape", shape);
  Tail = MakeRadioGroup(this, "rbKinetraceTail", tail);
  // The main window lays the display out again; the live path counts tails down by the decay;
  // the display reads the tail at its next drawing.
  auto bounds = [this](int32_t) { main_.Lanes().SetKinetraceBounds(); };
  Bind({
      {Style, style, {}, {}, bounds},
      {Size, size, {}, {}, bounds},
      {Shape, shape, {}, {}, bounds},
      {Decay, decay, {}, {}, [this](int32_t n) { EnableTails(n); }},
      {Tail, tail},
      {ui->tbKinetracePosn,
       BindCfg(&Cfg.KinetracePosn),
       {},
       {},
       [this](int32_t) {
         main_.PlaceGroupBoxes();
         main_.Lanes().SetKinetraceBounds();
       }},
  });
  Wire(ui->sbtnSaveConfig);
}

TfrmCfgKinetrace::~TfrmCfgKinetrace() = default;

void TfrmCfgKinetrace::EnableTails(int32_t decay) {
  EnableRadios(Tail, KinetraceTailsEnabled(decay));
}

void TfrmCfgKinetrace::LoadCfgKinetraceControls() {
  LoadBound();
  EnableTails(Cfg.KinetraceDecay);
}

}  // namespace vel
