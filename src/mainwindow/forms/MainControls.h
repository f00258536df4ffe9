#pragma once
// The control groups of the main window and the seq rows' handlers: control, metronome, clock,
// tempo and time signature, quantise, live row and the per-seq controls.
#include <array>
#include <cstdint>
#include <functional>

#include "base/Sizes.h"
#include "mainwindow/MainCombos.h"
#include "mainwindow/WindowRegistry.h"
#include "mainwindow/forms/SeqRow.h"

class QRadioButton;
class QSpinBox;
class QToolButton;
class QPalette;
class QWidget;

namespace vel {

// The control groups' and the live row's controls and the seq headings; the window the handlers
// live with, the seq rows, the outputs' clock and sync boxes, the system colours, and the window's
// own call that sets its controls from the values.
struct TControlWidgets {
  QComboBox* cboInPort0FilterChan = nullptr;
  QComboBox* cboInPort1FilterChan = nullptr;
  QComboBox* cboLiveChans = nullptr;
  QComboBox* cboLivePorts = nullptr;
  QComboBox* cboLiveProgs = nullptr;
  QComboBox* cboMetrBarNote = nullptr;
  QComboBox* cboMetrBarSVel = nullptr;
  QComboBox* cboMetrBeatNote = nullptr;
  QComboBox* cboMetrBeatSVel = nullptr;
  QComboBox* cboQuantN = nullptr;
  QComboBox* cboQuantS = nullptr;
  QComboBox* cboTSigBeats = nullptr;
  QComboBox* cboTSigFrac = nullptr;
  QComboBox* cboTempoIntLSB = nullptr;
  QComboBox* cboTempoIntMSB = nullptr;
  QCheckBox* chkAuxInPortReqd = nullptr;
  QCheckBox* chkClocksExtLock = nullptr;
  QCheckBox* chkMetrFill = nullptr;
  QCheckBox* chkMetrModeStyles = nullptr;
  QCheckBox* chkMidiInSyncExt = nullptr;
  QCheckBox* chkMidiInSyncInt = nullptr;
  QCheckBox* chkQuantNoteOffs = nullptr;
  QLabel* lblMetrFill = nullptr;
  QLabel* lblMetrModeStyles = nullptr;
  QLabel* lblMetrSVel = nullptr;
  QLabel* lblSeqNos = nullptr;
  QLabel* lblSeqPartNos = nullptr;
  QLabel* lblSeqTracks = nullptr;
  QLabel* lblvInPort0OctOffset = nullptr;
  QLabel* lblvInPort1OctOffset = nullptr;
  QLabel* lblvMetrBarNote = nullptr;
  QLabel* lblvMetrBarSVel = nullptr;
  QLabel* lblvMetrBeatNote = nullptr;
  QLabel* lblvMetrBeatSVel = nullptr;
  QLabel* lblvMetrStyleName = nullptr;
  QLabel* lblvMetrStylePatNo = nullptr;
  QLabel* lblvTempoExt = nullptr;
  QLabel* lblvTempoInt = nullptr;
  QRadioButton* rbClocksExt = nullptr;
  QRadioButton* rbClocksInt = nullptr;
  QToolButton* sbtnMetrBars1 = nullptr;
  QToolButton* sbtnMetrBars2 = nullptr;
  QToolButton* sbtnMetrBars3 = nullptr;
  QToolButton* sbtnMetrBars4 = nullptr;
  QToolButton* sbtnMetrTypePitchLocked = nullptr;
  QToolButton* sbtnMetrTypePitched = nullptr;
  QSpinBox* udInPort0Oct = nullptr;
  QSpinBox* udInPort1Oct = nullptr;
  QWidget* Window = nullptr;
  TRunTimeControls RunTime;
  const QPalette* SysPalette = nullptr;
  std::function<void(const TMainComboIndices& idx)> SelectMainControls;
};

class TControlGroups : public TWindow {
 public:
  // Wires the groups' controls and the per-seq handlers.
  explicit TControlGroups(const TControlWidgets& widgets);
  TControlGroups(const TControlGroups&) = delete;
  TControlGroups& operator=(const TControlGroups&) = delete;
  // Every entry into Config reloads the boxes; running shows the metronome's values as labels.
  void Answer(TWindowCalls& calls) override;
  void On(TTopic topic) override {
    if (topic == TTopic::MetrModeByKey) ShowMetrType();
  }

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
  TControlWidgets w_;
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
