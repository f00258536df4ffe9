#pragma once
// Settings - Virtual keyboard: the on-screen keys, the computer keys and the key animation.
#include <cstdint>
#include <memory>

#include "settings/forms/CfgWindow.h"

class QButtonGroup;

namespace Ui {
class frmCfgVKbd;
}

namespace vel {

class TfrmCfgVKbd : public TCfgWindow {
 public:
  explicit TfrmCfgVKbd(TfrmMain& main);
  ~TfrmCfgVKbd() override;
  void LoadCfgVKbdControls();
  std::unique_ptr<Ui::frmCfgVKbd> ui;
  QButtonGroup* AnimSize = nullptr;
  QButtonGroup* AnimDecay = nullptr;

 protected:
  void Load() override { LoadCfgVKbdControls(); }

 private:
  // With the depression off (1) the decay buttons are disabled.
  void EnableAnimDecay(int32_t animateSize);
};

}  // namespace vel
