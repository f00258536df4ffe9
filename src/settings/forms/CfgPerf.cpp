#include "settings/forms/CfgPerf.h"

#include "base/Showing.h"
#include "mainwindow/forms/Main.h"
#include "mainwindow/forms/MainInput.h"
#include "mainwindow/forms/MainViewMenus.h"
#include "settings/Settings.h"
#include "ui_CfgPerf.h"

namespace vel {

TfrmCfgPerf::TfrmCfgPerf(TfrmMain& main)
    : TCfgWindow(main, {"mnuCfgPerformance", &Showing.CfgPerfShowing, &Cfg.WindowCfgPerfLeft,
                        &Cfg.WindowCfgPerfTop, TRefresh::LoadCfgPerfControls}),
      ui(std::make_unique<Ui::frmCfgPerf>()) {
  ui->setupUi(this);
  setObjectName("frmCfgPerf");
  FillIntCombo(ui->cboDspStatusIntervals, 5, 5, 200);
  FillIntCombo(ui->cboDspMetrIntervals, 5, 5, 200);
  FillIntCombo(ui->cboDspDiagIntervals, 10, 10, 200);
  TViewMenus& views = main_.Views();
  auto combo = [this](QComboBox* c, void (TViewMenus::*set)(int32_t)) {
    connect(c, &QComboBox::activated, this,
            [this, c, set] { (main_.Views().*set)(c->currentText().toInt()); });
  };
  combo(ui->cboDspStatusIntervals, &TViewMenus::SetDspStatusInterval);
  combo(ui->cboDspMetrIntervals, &TViewMenus::SetDspMetrInterval);
  combo(ui->cboDspDiagIntervals, &TViewMenus::SetDspDiagInterval);
  connect(ui->chkKinetraceDBuff, &QCheckBox::clicked, this,
          [&views](bool on) { views.SetKinetraceDBuff(on); });
  connect(ui->chkSeqPanelsDBuff, &QCheckBox::clicked, this,
          [&views](bool on) { views.SetSeqPanelsDBuff(on); });
  Wire(ui->sbtnSaveConfig);
}

TfrmCfgPerf::~TfrmCfgPerf() = default;

void TfrmCfgPerf::LoadCfgPerfControls() {
  SelectComboByValue(ui->cboDspStatusIntervals, Cfg.DspStatusInterval);
  SelectComboByValue(ui->cboDspMetrIntervals, Cfg.DspMetrInterval);
  SelectComboByValue(ui->cboDspDiagIntervals, Cfg.DspDiagInterval);
  ui->chkSeqPanelsDBuff->setChecked(Cfg.SeqPanelsDBuff != 0);
  ui->chkKinetraceDBuff->setChecked(Cfg.KinetraceDBuff != 0);
}

}  // namespace vel
