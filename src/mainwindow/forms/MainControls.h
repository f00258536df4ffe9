#pragma once
// The control groups of the main window and the seq rows' handlers: control, metronome, clock,
// tempo and time signature, quantise, live row and the per-seq controls.
#include <cstdint>
#include <functional>

#include "mainwindow/forms/MainArea.h"

namespace vel {

class TControlGroups : public TMainArea {
 public:
  // Wires the groups' controls and the per-seq handlers.
  explicit TControlGroups(TfrmMain& form);
  // Every entry into Config reloads the boxes; running shows the metronome's values as labels.
  void Answer(TWindowCalls& calls) override;

  // Internal or external clock as the radio buttons and settings say; the status tick calls it on
  // losing the external clock.
  void ApplyClockSource();
  // The metronome seq chosen in the metronome window (-1 none); refill shows the unchanged choice
  // there after a refusal or a No.
  void SetMetronomeSeq(int32_t seq, const std::function<void()>& refill = {});
  // The metronome group's controls for running or not; the type buttons and style labels by type;
  // the bold bars button.
  void UpdateMetrControls(bool running);
  void ShowMetrType();
  void ShowMetrBars();
  // The check boxes, radio buttons and up-downs of the control groups and seq rows from the values;
  // runs on every entry into Config.
  void LoadControlChecks();
  // RefreshAll(false); the window's controls reload as the areas' answers to it.
  void RefreshAllControls();

 private:
  // The groups' parts, wired once by the constructor.
  void WireSeqRows();
  void WireSeqHeadings();
  void WireLiveRow();
  void WireMetronomeGroup();
  void WireTimeSigAndQuantise();
  void WireClockGroup();
  void WireInputsGroup();
};

}  // namespace vel
