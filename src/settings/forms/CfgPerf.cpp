#include "settings/forms/CfgPerf.h"

#include "mainwindow/SettingSetters.h"
#include "mainwindow/forms/Main.h"
#include "settings/Settings.h"
#include "ui_CfgPerf.h"

namespace vel {

TfrmCfgPerf::TfrmCfgPerf(TfrmMain& main)
    : TCfgWindow(main, {"mnuCfgPerformance", &Cfg.WindowCfgPerfLeft,
                        &Cfg.WindowCfgPerfTop, TTopic::Settings}),
      ui(std::make_unique<Ui::frmCfgPerf>()) {
  ui->setupUi(this);
  setObjectName("frmCfgPerf");
  // Widgets here are always double-buffered: those two settings are only kept.
  Bind({
      {ui->cboDspStatusIntervals, BindCfg(&Cfg.DspStatusInterval), {5, 5, 200}, &SetDspStatusInterval},
      {ui->cboDspMetrIntervals, BindCfg(&Cfg.DspMetrInterval), {5, 5, 200}, &SetDspMetrInterval},
      {ui->cboDspDiagIntervals, BindCfg(&Cfg.DspDiagInterval), {10, 10, 200}, &SetDspDiagInterval},
      {ui->chkKinetraceDBuff, BindCfg(&Cfg.KinetraceDBuff)},
      {ui->chkSeqPanelsDBuff, BindCfg(&Cfg.SeqPanelsDBuff)},
  });
  Wire(ui->sbtnSaveConfig);
}

TfrmCfgPerf::~TfrmCfgPerf() = default;

void TfrmCfgPerf::LoadCfgPerfControls() {
  LoadBound();
}

}  // namespace vel
