#pragma once
#include <QMainWindow>
#include <QPalette>
#include <array>
#include <functional>
#include <memory>
#include <string>

#include "base/Sizes.h"
#include "mainwindow/Layout.h"
#include "mainwindow/MainCombos.h"

class QCheckBox;
class QComboBox;
class QFrame;
class QLabel;
class QTimer;

namespace Ui {
class frmMain;
}

namespace vel {

struct TStatusDisplay;
struct TRect4;

// One seq's run-time row, made in code for each seq in use.
struct TSeqRow {
  QFrame* pnlSeq = nullptr;
  QLabel* lblSeqNo = nullptr;
  QLabel* lblSeqState = nullptr;
  QCheckBox* chkSeqMuted = nullptr;
  QCheckBox* chkSeqPitchLock = nullptr;
  QLabel* lblSeqPitch = nullptr;
  QLabel* lblSeqScale = nullptr;
  QLabel* lblSeqTrans = nullptr;
  QComboBox* cboSeqProg = nullptr;
  QLabel* lblSeqProg = nullptr;
  QComboBox* cboSeqPartNo = nullptr;
  QLabel* lblSeqPartNo = nullptr;
  QComboBox* cboSeqChan = nullptr;
  QLabel* lblSeqChan = nullptr;
  QComboBox* cboSeqSVel = nullptr;
  QLabel* lblSeqSVel = nullptr;
  QComboBox* cboSeqPort = nullptr;
  QLabel* lblSeqPort = nullptr;
  QLabel* lblSeqLen = nullptr;
  QLabel* lblSeqTDiv = nullptr;
  QLabel* lblSeqTimeShift = nullptr;
  QLabel* lblSeqNumPosn = nullptr;
  QLabel* imgSeqTrack = nullptr;
  QFrame* shpSeqLane = nullptr;
  QFrame* shpSeqPosn = nullptr;
  QFrame* shpSeqMidiActivity = nullptr;
};

// The shared procedures of the per-seq controls, each taking its seq. The per-seq handlers fill
// them; an empty one does nothing.
struct TSeqHandlers {
  std::function<void(int32_t seq)> SeqNoClick, SeqMutedClick, SeqPitchLockClick, SeqProgChange,
      SeqPartNoChange, SeqChanChange, SeqSVelChange, SeqOutPortChange;
  std::function<void(int32_t port)> MidiOutClocksClick, MidiOutSyncClick;
};
inline TSeqHandlers SeqHandlers;

// The main window. Its creation is the program's start-up: the per-copy locks, the folders, the
// command line, the settings, the layout and colours; closing it asks, stops tidily and ends.
class TfrmMain : public QMainWindow {
  Q_OBJECT

 public:
  explicit TfrmMain(QWidget* parent = nullptr);
  ~TfrmMain() override;

  // False when start-up could not take its locks: the program ends at once.
  bool Started() const { return started_; }

  // The question before closing; the stuck-notes line only while a seq plays.
  static std::string CloseQuestionText(bool seqPlaying);

  bool LoadConfigAndApply(bool factory, bool autoRun, bool& ok);
  // The main window's lists filled, then set from the values (with caption, hints, layout and
  // colours); the global refresh calls them.
  void FillMainControls();
  void SelectMainControls(const TMainComboIndices& idx);
  void HideMainPanels(bool hide);
  void HandleDynamicControls(bool create);
  void LayoutSeqStatusColumns();
  void PlaceGroupBoxes();
  void ApplyColourScheme();
  void SaveRestoreSysColours(bool save);
  void ShowWaitMessage(bool visible, const std::string& text);
  void SetHintsOnControls();
  void SetCaption();
  void ShutDownTidily();

  // Each area of the window wires its own controls, hooks and timers at creation, in its own file.

  // Status display, program-state and key-mode display, metronome display, lights, display timers
  // (MainStatus.cpp).
  void InstallStatusDisplay();
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
  // The virtual keyboard window is not built yet: showing it and placing it under the main window
  // go through these; empty ones do nothing.
  std::function<void()> TemplateShow;
  std::function<void(int32_t left, int32_t top, int32_t width)> TemplatePlace;
  // Widget changes the displays made, and status ticks skipped because the engine was busy.
  int64_t DspApplies() const;
  // A beat light size placed on the metronome group's light.
  QRect BeatLightRect(const TRect4& r) const;
  int64_t DspSkippedTicks() const;
  QTimer* tmUpdateDspStatus = nullptr;
  QTimer* tmUpdateDspMetr = nullptr;
  QTimer* tmUpdateDspDiag = nullptr;
  std::shared_ptr<TStatusDisplay> StatusDsp;
  // Set by the status tick before it calls LanesAndKinetraceLocked when a part's record or
  // selection flag asks for the lane grid (DspSeqGrid on); the lanes clear it when they redraw.
  bool StatusGridDirty = false;
  // -- end of status display

  // Seq track lanes and the Kinetrace (MainLanes.cpp).
  void InstallLanesAndKinetrace();
  // The status tick calls the first inside its EngineLock section (the Kinetrace fade writes the
  // engine's note counts) and the second after releasing it.
  void LanesAndKinetraceLocked();
  void ApplyLanesAndKinetrace();
  // The Kinetrace's place and size from the settings and the column layout.
  void SetKinetraceBounds();
  // -- end of lanes and Kinetrace

  // Per-seq, live and control-group handlers (MainControls.cpp).
  void InstallControlHandlers();
  // Internal or external clock as the radio buttons and settings say; the status tick calls it on
  // losing the external clock.
  void ApplyClockSource();
  // -- end of control handlers

  // File, Config and Settings menus, drag and drop (MainFileMenus.cpp).
  void InstallFileConfigMenus();
  // -- end of file and config menus

  // Action, Tools, View, Virtual keyboard, Kinetrace and Windows menus (MainViewMenus.cpp).
  void InstallActionViewMenus();
  // -- end of action and view menus

  // Port allocation panel, Help menu and version checks, input and test-send procedures
  // (MainPortPanel.cpp, MainHelp.cpp).
  void InstallPortPanelAndHelp();
  // -- end of port panel and help

  QTimer* tmAutoRun = nullptr;
  std::unique_ptr<Ui::frmMain> ui;
  std::array<TSeqRow, kSeqs> SeqRows{};
  std::array<QCheckBox*, kPorts> chkMidiOutClocks{};
  std::array<QCheckBox*, kPorts> chkMidiOutSync{};
  bool MainClosing = false;
  bool IsFirstInstance = false;
  bool SysColoursSaved = false;
  QPalette SavedPalette;
  TColumnLayout Columns;
  // The folder of the default settings file, ending in "/".
  std::string DataFolder;
  std::string ProgFolder;
  std::string MidiFileName;

 protected:
  void closeEvent(QCloseEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;

 private:
  void FormCreate();
  void StartUp();
  void SetMenuShortCuts();
  void ArrangeStartUpControls();
  void ApplyProgState(int state);
  void LoadMidiFileNow();
  void tmAutoRunTimer();
  void FormClose();

  bool started_ = false;
  bool closeAccepted_ = false;
};

}  // namespace vel
