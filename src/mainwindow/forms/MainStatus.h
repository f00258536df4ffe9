#pragma once
// The status display of the main window: program state and key mode, live row, seq rows, tempo,
// metronome display, lights and load lights, each refreshed by its display timer from a snapshot.
#include <QRect>
#include <cstdint>
#include <functional>
#include <memory>

#include "mainwindow/forms/MainArea.h"

class QTimer;

namespace vel {

struct TRect4;
struct TStatusState;

class TStatusDisplay : public TMainArea {
 public:
  // Makes the display timers and the lights.
  explicit TStatusDisplay(TfrmMain& form);
  ~TStatusDisplay() override;
  // The display timers' switch, the displays' reset, the usage report and the combos' reload.
  void Answer(TWindowCalls& calls) override;
  void On(TTopic topic) override;

  // The three display timers' handlers: each stops its timer, runs its refresh, publishes its
  // spare time on MsClock and starts again while switched on, so a slow tick delays the next.
  void tmUpdateDspStatusTimer();
  void tmUpdateDspMetrTimer();
  void tmUpdateDspDiagTimer();
  // One refresh each; the timers call them.
  void UpdateDspStatus();
  void UpdateDspMetr();
  void UpdateDspDiag();
  // The usage report to the diagnostics log (diagnostics on).
  void UsageReport();
  // Load lights not yet measured, the input overload dropped, the metronome light afresh.
  void ResetLoadLights();
  void ShowTemplateWindow();
  void DockTemplateWindow();
  // The virtual keyboard window fills these; empty ones do nothing.
  std::function<void()> TemplateShow;
  std::function<void(int32_t left, int32_t top, int32_t width)> TemplatePlace;
  // One key animation step (EngineLock held), and a label marked bold or plain.
  std::function<void(int32_t intervalMs)> TemplateAnimate;
  std::function<void(int32_t key, bool bold)> TemplateMark;
  // Widget changes the displays made, and status ticks skipped because the engine was busy.
  int64_t DspApplies() const;
  int64_t DspSkippedTicks() const;
  // A beat light size placed on the metronome group's light.
  QRect BeatLightRect(const TRect4& r) const;
  QTimer* tmUpdateDspStatus = nullptr;
  QTimer* tmUpdateDspMetr = nullptr;
  QTimer* tmUpdateDspDiag = nullptr;

 private:
  std::unique_ptr<TStatusState> d_;
};

}  // namespace vel
