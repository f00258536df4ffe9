#pragma once
// Settings - Kinetrace: the live note display's style, blobs and place.
#include <cstdint>
#include <memory>

#include "settings/forms/CfgWindow.h"

class QButtonGroup;

namespace Ui {
class frmCfgKinetrace;
}

namespace vel {

class TfrmCfgKinetrace : public TCfgWindow {
 public:
  explicit TfrmCfgKinetrace(TfrmMain& main);
  ~TfrmCfgKinetrace() override;
  void LoadCfgKinetraceControls();
  std::unique_ptr<Ui::frmCfgKinetrace> ui;
  QButtonGroup* Style = nullptr;
  QButtonGroup* Size = nullptr;
  QButtonGroup* Decay = nullptr;
  QButtonGroup* Shape = nullptr;
  QButtonGroup* Tail = nullptr;

 protected:
  void Load() override { LoadCfgKinetraceControls(); }

 private:
  // With the decay off (1) the tail buttons are disabled and the tail kept.
  void EnableTails(int32_t decay);
};

}  // namespace vel
