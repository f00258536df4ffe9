#pragma once
// Settings - Behaviour/Safety: which commands act on all seqs by default, double presses,
// automatic hold, where hotkeys go, where recordings take their attributes from, rec/stop.
#include <cstdint>
#include <memory>

#include "settings/forms/CfgWindow.h"

class QButtonGroup;

namespace Ui {
class frmCfgBehaviour;
}

namespace vel {

class TfrmCfgBehaviour : public TCfgWindow {
 public:
  explicit TfrmCfgBehaviour(TfrmMain& main);
  ~TfrmCfgBehaviour() override;
  void LoadCfgBehaviourControls();
  // The target list, then the button the hotkey settings choose.
  void LoadHotkeyTargetControls();
  // Lists the titled windows in the target list, the nominated one selected when listed.
  void ListHotkeyTargets();
  // Stores what the checked hotkey button chooses; the nominated window is looked up.
  void ApplyHotkeyTarget();
  void RefreshHotkeyTargets();
  std::unique_ptr<Ui::frmCfgBehaviour> ui;
  QButtonGroup* Hotkeys = nullptr;
  // Where each recording takes its attributes from: 1 Live, 0 Seq. Each enables its transfer box
  // only for Seq.
  QButtonGroup* RecIntSrc = nullptr;
  QButtonGroup* RecRawSrc = nullptr;

 protected:
  void Load() override { LoadCfgBehaviourControls(); }

 private:
  void WireChecks();
  void WireRecording();
  void WireHotkeys();
  void LoadRecording();
  // Looks the nominated window up and shows the outcome (a window not found disables hotkeys).
  void FindTarget();
};

}  // namespace vel
