#include "settings/forms/CfgKinetrace.h"

#include <QButtonGroup>

#include "base/Showing.h"
#include "mainwindow/forms/Main.h"
#include "mainwindow/forms/MainViewMenus.h"
#include "settings/CfgWindows.h"
#include "settings/Settings.h"
#include "ui_CfgKinetrace.h"

namespace vel {

TfrmCfgKinetrace::TfrmCfgKinetrace(TfrmMain& main)
    : TCfgWindow(main, {"mnuCfgKinetrace", &Showing.CfgKinetraceShowing, &Cfg.WindowCfgKinetraceLeft,
                        &Cfg.WindowCfgKinetraceTop, TRefresh::LoadCfgKinetraceControls}),
      ui(std::make_unique<Ui::frmCfgKinetrace>()) {
  ui->setupUi(this);
  setObjectName("frmCfgKinetrace");
  ui->tbKinetracePosn->setRange(1, 22);
  ui->tbKinetracePosn->setSingleStep(1);
  ui->tbKinetracePosn->setPageStep(2);
  ui->tbKinetracePosn->setTickPosition(QSlider::TicksBelow);
  Style = MakeRadioGroup(this, "rbKinetraceStyle", 1, 2);
  Size = MakeRadioGroup(this, "rbKinetraceSize", 1, 6);
  Decay = MakeRadioGroup(this, "rbKinetraceDecay", 1, 4);
  Shape = MakeRadioGroup(this, "rbKinetraceShape", 1, 4);
  Tail = MakeRadioGroup(this, "rbKinetraceTail", 1, 9);
  TViewMenus& views = main_.Views();
  connect(Style, &QButtonGroup::idClicked, this, [&views](int n) { views.SetKinetraceStyle(n); });
  connect(Size, &QButtonGroup::idClicked, this, [&views](int n) { views.SetKinetraceSize(n); });
  connect(Shape, &QButtonGroup::idClicked, this, [&views](int n) { views.SetKinetraceShape(n); });
  connect(Decay, &QButtonGroup::idClicked, this, [this](int n) { ApplyKinetraceDecay(n); });
  // The display reads the tail at its next drawing.
  connect(Tail, &QButtonGroup::idClicked, this, [](int n) { Cfg.KinetraceTail = n; });
  connect(ui->tbKinetracePosn, &QSlider::valueChanged, this, [this, &views](int n) {
    if (created_) views.SetKinetracePosn(n);
  });
  Wire(ui->sbtnSaveConfig);
  created_ = true;
}

TfrmCfgKinetrace::~TfrmCfgKinetrace() = default;

void TfrmCfgKinetrace::EnableTails(int32_t decay) {
  for (QAbstractButton* b : Tail->buttons()) b->setEnabled(KinetraceTailsEnabled(decay));
}

void TfrmCfgKinetrace::ApplyKinetraceDecay(int32_t n) {
  // The live path counts tails down by it on the timer and MIDI-in threads.
  StoreLocked(Cfg.KinetraceDecay, n);
  EnableTails(n);
}

void TfrmCfgKinetrace::LoadCfgKinetraceControls() {
  SelectRadio(Style, RadioFor(Cfg.KinetraceStyle, 1, 2));
  SelectRadio(Size, RadioFor(Cfg.KinetraceSize, 1, 6));
  SelectRadio(Decay, RadioFor(Cfg.KinetraceDecay, 1, 4));
  SelectRadio(Tail, RadioFor(Cfg.KinetraceTail, 1, 9));
  SelectRadio(Shape, RadioFor(Cfg.KinetraceShape, 1, 4));
  EnableTails(Cfg.KinetraceDecay);
  ui->tbKinetracePosn->setValue(Cfg.KinetracePosn);
}

}  // namespace vel
