#pragma once
// The sample aid window: edits the ranges, timing and outputs of the sequencer's two modes,
// starts and aborts its actions and shows where the walk stands, what is left and the sample
// memory a walk fills. GUI thread only. The sequencer's timer side asks for a redraw through its
// display requests and wakes the refresh by writing to an eventfd, which neither blocks nor
// allocates.
#include <QMainWindow>
#include <array>
#include <cstdint>
#include <memory>
#include <string>

#include "mainwindow/WindowRegistry.h"

class QAbstractButton;
class QButtonGroup;
class QCheckBox;
class QComboBox;
class QFrame;
class QGroupBox;
class QLabel;
class QSlider;
class QSocketNotifier;
class QTimer;

namespace Ui {
class frmSampleAid;
}

namespace vel {

// One mode's controls. The window's halves are indexed as the sequencer's display requests are:
// 0 Sample, 1 Audition.
struct TSampleAidHalf {
  QWidget* Panel = nullptr;
  std::array<QSlider*, 6> Bars{};  // first, last and step of pitch, then of velocity
  std::array<QLabel*, 6> BarValues{};
  QLabel *TotKeys = nullptr, *TotVels = nullptr, *TotNotes = nullptr, *TotTime = nullptr;
  QLabel *RemNotes = nullptr, *RemTime = nullptr, *CurKey = nullptr, *CurVel = nullptr;
  QLabel* Spacebar = nullptr;
  QFrame* Lamp = nullptr;
  QCheckBox *HoldKey = nullptr, *HoldVel = nullptr;
  QButtonGroup* PitchOrder = nullptr;  // 1 pitch first, 0 velocity first
  QAbstractButton *Note = nullptr, *NoteAbort = nullptr, *Step = nullptr;
  QAbstractButton *Play1 = nullptr, *Play = nullptr, *PlayAbort = nullptr;
  std::array<QAbstractButton*, 8> Moves{};  // first, prev, next, last of pitch, then of velocity
  QComboBox *NoteOn = nullptr, *NoteOff = nullptr;
  QComboBox *Port = nullptr, *Chan = nullptr, *Prog = nullptr, *Method = nullptr;
  QComboBox *Bank0 = nullptr, *Bank32 = nullptr;
  QLabel *Bank0Label = nullptr, *Bank32Label = nullptr;
};

class TfrmSampleAid : public QMainWindow, public TWindow {
  Q_OBJECT
 public:
  static constexpr int kSample = 0;
  static constexpr int kAudition = 1;

  explicit TfrmSampleAid(QWidget* parent);
  ~TfrmSampleAid() override;

  // Shows the window with this caption at its place of this session, or brings it to the front.
  void Open(const std::string& caption);
  void On(TTopic topic) override;

  // Draws what the display requests ask for.
  void SampleAidRefresh();
  void SetSampleButtons(bool busy, bool automatic) { SetButtons(kSample, busy, automatic); }
  void SetAuditionButtons(bool busy, bool automatic) { SetButtons(kAudition, busy, automatic); }
  // Shows the bank value lists of a mode's method (list index) and keeps its method number.
  void SampleAidBankSelControls(int mode, int methodIndex);
  void ReadAuditionOutput();
  void ReadTargetOutput();
  void ReadSamplerOutput();
  // Narrow (the active mode only) or wide; toggle switches, else the width class stays.
  void SampleAidLayout(bool toggle);
  bool Wide() const { return wide_; }
  bool SampleMode() const { return sampleMode_; }

  std::unique_ptr<Ui::frmSampleAid> ui;
  std::array<TSampleAidHalf, 2> Half;
  QTimer* tmUpdateScreen = nullptr;

 protected:
  bool event(QEvent* e) override;
  bool eventFilter(QObject* watched, QEvent* e) override;
  void showEvent(QShowEvent* e) override;
  void closeEvent(QCloseEvent* e) override;

 private:
  void FindHalf(int mode, const QString& p, const QString& out);
  void FillLists();
  void SetUpBars();
  void WireHalf(int mode);
  void WireEstimate();
  void WireWake();
  void SampleAidSetHints();
  void SampleAidOnShow();
  void FillPortLists();
  void SetButtons(int mode, bool busy, bool automatic);
  void EnableHalf(int mode, bool active);
  void ModeClicked();
  void PlaceModeButtons();
  void StartAction(int mode, uint8_t action);
  void Move(int mode, int which);
  void BarAction(int mode, int bar, int action);
  void DurationChanged(int mode, bool noteOn);
  void ReadOutput(int mode);
  void Estimate(int which, int by);
  void ShowBars(int mode);
  void ShowTotals(int mode);
  void ShowRemaining(int mode);
  void ShowNextIn();
  void ShowLamps();
  void ShowColours();
  void SendChangedProgBank();

  QButtonGroup* modes_ = nullptr;  // kSample or kAudition
  bool firstShow_ = true;
  bool sampleMode_ = false;
  bool wide_ = true;
  int32_t rate_ = 6, bits_ = 3, channels_ = 1;  // the estimate's table entries
  int32_t left_ = -1, top_ = -1;                // the settings keep no place: this session's
  int wakeFd_ = -1;
  QSocketNotifier* wakeNotifier_ = nullptr;
  TRegistration registration_;
};

}  // namespace vel
