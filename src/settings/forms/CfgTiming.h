#pragma once
// Settings - Timing/Recording/MIDI: tempo steps and slew, tap tempo, the external clock's port,
// step recording, the force-to-notes time-out, time stamps, local control and sync.
#include <cstdint>
#include <memory>

#include "settings/forms/CfgWindow.h"

class QButtonGroup;

namespace Ui {
class frmCfgTiming;
}

namespace vel {

class TfrmCfgTiming : public TCfgWindow {
 public:
  explicit TfrmCfgTiming(TfrmMain& main);
  ~TfrmCfgTiming() override;

  void LoadCfgTimingControls();
  void ShowSRecNoteLenFrac();
  void ShowSRecNoteOnPercent();
  void ShowSRecChordDetect();
  void ShowTempoSlewTime();
  void FillClockPortCombo();
  // The local control box, after the MIDI-in thread or a command switched local control.
  void ShowLocalControlOn();
  std::unique_ptr<Ui::frmCfgTiming> ui;
  QButtonGroup* StepLen = nullptr;
  QButtonGroup* Gate = nullptr;

 protected:
  void Load() override;
  void OnShowing(TTopic topic) override;

 private:
  void FillCombos();
  void WireChecks();
  void WireCombos();
  // The log-step list when on, the linear one when off.
  void EnableTempoSteps(bool lg);
  void EnableChordDetectThreshold(bool on);
};

}  // namespace vel
