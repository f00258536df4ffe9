#pragma once
// Settings - Performance: the display timers' periods and double buffering.
#include <memory>

#include "settings/forms/CfgWindow.h"

namespace Ui {
class frmCfgPerf;
}

namespace vel {

class TfrmCfgPerf : public TCfgWindow {
 public:
  explicit TfrmCfgPerf(TfrmMain& main);
  ~TfrmCfgPerf() override;
  void LoadCfgPerfControls();
  std::unique_ptr<Ui::frmCfgPerf> ui;

 protected:
  void Load() override { LoadCfgPerfControls(); }
};

}  // namespace vel
