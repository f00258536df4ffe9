#pragma once
// The diagnostics window: the one log sink while it is open, MIDI tracing with its filters, seq
// dumps, the usage report, pause, clear and save. Diagnostics are on exactly while it shows.
// GUI thread only.
#include <QMainWindow>
#include <array>
#include <memory>
#include <string>

#include "mainwindow/WindowRegistry.h"
#include "tools/DiagLogModel.h"

class QCheckBox;
class QComboBox;
class QListWidget;
class QToolButton;

namespace Ui {
class frmDiag;
}

namespace vel {

class TfrmDiag : public QMainWindow, public TWindow {
  Q_OBJECT
 public:
  explicit TfrmDiag(QWidget* parent);
  ~TfrmDiag() override;
  std::unique_ptr<Ui::frmDiag> ui;
  // Shows the window with the menu item's caption, in its kept place.
  void Open(const std::string& caption);
  // One line stamped with the time of day.
  void AddLogEntry(const std::string& text);
  // Text split into lines at CR LF; dropped while paused.
  void AddLogLines(const std::string& text);
  void SaveDiagLog();
  void SetPaused(bool on);
  const TDiagLogModel& Log() const { return log_; }
  void Answer(TWindowCalls& calls) override;
  void On(TTopic topic) override;

  QListWidget* lstLog = nullptr;
  QCheckBox* chkInTraceOn = nullptr;
  QCheckBox* chkOutTraceOn = nullptr;
  QComboBox* cboSeqNos = nullptr;
  QComboBox* cboPartNos = nullptr;
  QAction* mnuViewPause = nullptr;
  QAction* mnuViewClear = nullptr;
  QAction* mnuFileSaveDiag = nullptr;

 protected:
  bool event(QEvent* e) override;
  void showEvent(QShowEvent* e) override;
  void closeEvent(QCloseEvent* e) override;

 private:
  void WireTraceBoxes();
  void WireSeqs();
  void WireMenus();
  void TraceDirection(QCheckBox* mine, QCheckBox* other, bool in);
  void Dump(bool filtered, bool summaryOnly);
  void ClearLogOnClose();
  void SinkLog(bool on);
  void ShowLines(size_t added);

  TDiagLogModel log_;
  bool closingForGood_ = false;
  bool sinking_ = false;
  TRegistration registration_ = Windows().Register(*this);  // the last member: goes first
};

}  // namespace vel
