#pragma once
// The status display of the main window: program state and key mode, live row, seq rows, tempo,
// metronome display, lights and load lights, each refreshed by its display timer from a snapshot.
#include <QRect>
#include <cstdint>
#include <functional>
#include <memory>

#include "mainwindow/MainCombos.h"
#include "mainwindow/WindowRegistry.h"
#include "mainwindow/forms/SeqRow.h"

class QAction;
class QCheckBox;
class QFrame;
class QGroupBox;
class QLabel;
class QMainWindow;
class QPalette;
class QRadioButton;
class QTimer;
class QToolButton;

namespace vel {

struct TRect4;
struct TStatusState;

// The labels, lights' places and buttons the displays show in; the window, whose value labels
// size to their texts, whose status bar shows the alerts and under which the virtual keyboard
// docks; the seq rows; the system colours; whether the window is closing; and the window's own
// call that sets its controls from the values.
struct TStatusWidgets {
  QCheckBox* chkQuantNoteOffs = nullptr;
  QGroupBox* grpMetr = nullptr;
  QLabel* lblExtScene = nullptr;
  QLabel* lblIntScene = nullptr;
  QLabel* lblKeyMode = nullptr;
  QLabel* lblLive1 = nullptr;
  QLabel* lblLive2 = nullptr;
  QLabel* lblOut = nullptr;
  QLabel* lblvBar = nullptr;
  QLabel* lblvBeat = nullptr;
  QLabel* lblvDspDiagLimit = nullptr;
  QLabel* lblvDspMetrLimit = nullptr;
  QLabel* lblvDspStatusLimit = nullptr;
  QLabel* lblvExtScene = nullptr;
  QLabel* lblvInPort0OctOffset = nullptr;
  QLabel* lblvInPort1OctOffset = nullptr;
  QLabel* lblvIntScene = nullptr;
  QLabel* lblvKeyMode = nullptr;
  QLabel* lblvLastCmd = nullptr;
  QLabel* lblvLiveChan = nullptr;
  QLabel* lblvLivePitch = nullptr;
  QLabel* lblvLivePort = nullptr;
  QLabel* lblvLiveProg = nullptr;
  QLabel* lblvLiveSVel = nullptr;
  QLabel* lblvLiveScale = nullptr;
  QLabel* lblvLiveTDiv = nullptr;
  QLabel* lblvLiveTrans = nullptr;
  QLabel* lblvMetrBarNote = nullptr;
  QLabel* lblvMetrBarSVel = nullptr;
  QLabel* lblvMetrBeatNote = nullptr;
  QLabel* lblvMetrBeatSVel = nullptr;
  QLabel* lblvMetrL = nullptr;
  QLabel* lblvMetrR = nullptr;
  QLabel* lblvMetrStyleName = nullptr;
  QLabel* lblvMetrStylePatNo = nullptr;
  QLabel* lblvMidiInLimit = nullptr;
  QLabel* lblvProgState = nullptr;
  QLabel* lblvQuantN = nullptr;
  QLabel* lblvQuantS = nullptr;
  QLabel* lblvTSig = nullptr;
  QLabel* lblvTempoExt = nullptr;
  QLabel* lblvTempoInt = nullptr;
  QLabel* lblvTempoSlew = nullptr;
  QAction* mnuActionCalibrate = nullptr;
  QFrame* pnlLive = nullptr;
  QFrame* pnlSeqStatus = nullptr;
  QFrame* pnlTitle = nullptr;
  QRadioButton* rbClocksInt = nullptr;
  QToolButton* sbtnCalibrate = nullptr;
  QToolButton* sbtnControl = nullptr;
  QFrame* shpLiveMidiActivity = nullptr;
  QFrame* shpMetrLight = nullptr;
  QMainWindow* Window = nullptr;
  const TSeqRows* SeqRows = nullptr;
  const QPalette* SysPalette = nullptr;
  const bool* MainClosing = nullptr;
  std::function<void(const TMainComboIndices& idx)> SelectMainControls;
};

// The other areas and the windows the displays drive, made after the display: reached through
// these, filled at wiring, so the display knows none of them.
struct TStatusLinks {
  // The control groups: the clock source after the external clock was lost.
  std::function<void()> ApplyClockSource;
  // The lanes and Kinetrace: their copy from the engine (EngineLock held), then their drawing.
  std::function<void()> LanesAndKinetraceLocked, ApplyLanesAndKinetrace;
  // The timing window's local control line, while it shows.
  std::function<void()> ShowLocalControlOn;
};

class TStatusDisplay : public TWindow {
 public:
  // Makes the display timers and the lights.
  TStatusDisplay(const TStatusWidgets& widgets, TStatusLinks links);
  TStatusDisplay(const TStatusDisplay&) = delete;
  TStatusDisplay& operator=(const TStatusDisplay&) = delete;
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
  TStatusWidgets w_;
  TStatusLinks links_;
  std::unique_ptr<TStatusState> d_;
};

}  // namespace vel
