#include "tools/forms/Diag.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QStatusBar>
#include <QToolButton>
#include <filesystem>
#include <mutex>

#include "base/DiagLog.h"
#include "base/EngineLock.h"
#include "base/General.h"
#include "base/Showing.h"
#include "base/UiHooks.h"
#include "engine/RunControl.h"
#include "files/Dumps.h"
#include "mainwindow/Caption.h"
#include "mainwindow/InputProcs.h"
#include "mainwindow/forms/FileDialogs.h"
#include "mainwindow/forms/ScreenPlace.h"
#include "settings/CfgBinding.h"
#include "settings/Settings.h"
#include "settings/forms/StatusHints.h"
#include "ui_Diag.h"

namespace vel {

namespace {

TSavedPlace SavedPlace() {
  return {&Cfg.WindowDiagLeft, &Cfg.WindowDiagTop, &Cfg.WindowDiagWidth, &Cfg.WindowDiagHeight};
}

}  // namespace

TfrmDiag::TfrmDiag(QWidget* parent) : QMainWindow(parent, Qt::Tool), ui(new Ui::frmDiag) {
  ui->setupUi(this);
  KeepSavedPlace(this, SavedPlace());
  lstLog = ui->lstLog;
  chkInTraceOn = ui->chkInTraceOn;
  chkOutTraceOn = ui->chkOutTraceOn;
  cboSeqNos = ui->cboSeqNos;
  cboPartNos = ui->cboPartNos;
  mnuViewPause = ui->mnuViewPause;
  mnuViewClear = ui->mnuViewClear;
  mnuFileSaveDiag = ui->mnuFileSaveDiag;
  WireTraceBoxes();
  WireSeqs();
  WireMenus();
  resize(std::max(minimumSizeHint().width(), 425), 250 + menuBar()->sizeHint().height());
}

TfrmDiag::~TfrmDiag() = default;

// The log hook leads here only while the window shows: the registry takes its answer afresh.
void TfrmDiag::SinkLog(bool on) {
  if (on == sinking_) return;
  sinking_ = on;
  Windows().AnswersChanged(*this);
}

// Each box switches its trace setting, which the engine keeps across windows.
void TfrmDiag::WireTraceBoxes() {
  const std::pair<QCheckBox*, TAtomic<uint8_t>*> boxes[] = {
      {ui->chkInTraceOn, &Trace.InTraceOn},
      {ui->chkOutTraceOn, &Trace.OutTraceOn},
      {ui->chkDecodeTrace, &Trace.DecodeTrace},
      {ui->chkTraceNotes, &Trace.TraceNotes},
      {ui->chkTraceController, &Trace.TraceController},
      {ui->chkTraceProgChanges, &Trace.TraceProgChanges},
      {ui->chkTraceMC, &Trace.TraceMC},
      {ui->chkTraceHotkey, &Trace.TraceHotkey},
      {ui->chkTracePitchBend, &Trace.TracePitchBend},
      {ui->chkTracePressure, &Trace.TracePressure},
      {ui->chkTraceMTC, &Trace.TraceMTC},
      {ui->chkTraceSync, &Trace.TraceSync},
  };
  for (auto [box, sw] : boxes) {
    box->setChecked(*sw != 0);
    connect(box, &QCheckBox::clicked, this, [sw = sw](bool on) { *sw = on ? 1 : 0; });
  }
  // Input and output tracing never run together: ticking one unticks the other first.
  connect(chkInTraceOn, &QCheckBox::clicked, this,
          [this] { TraceDirection(chkInTraceOn, chkOutTraceOn, true); });
  connect(chkOutTraceOn, &QCheckBox::clicked, this,
          [this] { TraceDirection(chkOutTraceOn, chkInTraceOn, false); });
}

void TfrmDiag::TraceDirection(QCheckBox* mine, QCheckBox* other, bool in) {
  if (mine->isChecked() && other->isChecked()) {
    other->setChecked(false);
    (in ? Trace.OutTraceOn : Trace.InTraceOn) = 0;
    AddLogEntry(std::string(in ? "MIDI output" : "MIDI input") + " tracing off");
  }
  AddLogEntry(std::string(in ? "MIDI input" : "MIDI output") + " tracing " +
              (mine->isChecked() ? "on" : "off"));
}

void TfrmDiag::WireSeqs() {
  connect(ui->sbtnDumpSeq, &QToolButton::clicked, this, [this] { Dump(false, false); });
  connect(ui->sbtnDumpSeqSubset, &QToolButton::clicked, this, [this] { Dump(true, false); });
  connect(ui->sbtnStatSeq, &QToolButton::clicked, this, [this] { Dump(false, true); });
  connect(ui->sbtnUsage, &QToolButton::clicked, this, [] {
    if (RunHooks.UsageReport) RunHooks.UsageReport();
  });
}

void TfrmDiag::Dump(bool filtered, bool summaryOnly) {
  DspSeqs(cboPartNos->currentIndex(), cboSeqNos->currentIndex(), filtered, summaryOnly);
  lstLog->setFocus();
}

void TfrmDiag::WireMenus() {
  connect(ui->mnuFileSaveDiag, &QAction::triggered, this, [this] { SaveDiagLog(); });
  connect(ui->mnuFileExit, &QAction::triggered, this, [this] { close(); });
  connect(ui->mnuViewPause, &QAction::triggered, this, [this] { SetPaused(!log_.Paused()); });
  connect(ui->mnuViewClear, &QAction::triggered, this, [this] {
    log_.Clear();
    lstLog->clear();
  });
  connect(ui->mnuView, &QMenu::aboutToShow, this,
          [this] { mnuViewPause->setText(log_.Paused() ? "&Resume" : "&Pause"); });
}

void TfrmDiag::SetPaused(bool on) {
  if (on == log_.Paused()) return;
  if (on) {
    AddLogEntry("Logging paused (new entries discarded)");
    log_.SetPaused(true);
  } else {
    log_.SetPaused(false);
    AddLogEntry("Logging resumed");
  }
}

void TfrmDiag::AddLogEntry(const std::string& text) {
  AddLogLines(TimeOfDayText() + " " + text);
}

void TfrmDiag::AddLogLines(const std::string& text) {
  if (const size_t added = log_.Add(text)) ShowLines(added);
}

// Brings the list in line with the log: the new lines at the end, the capped ones off the top.
// No event pumping here: a caller's handler must not run inside its own log line.
void TfrmDiag::ShowLines(size_t added) {
  const auto& lines = log_.Lines();
  const int want = static_cast<int>(lines.size());
  lstLog->setUpdatesEnabled(false);
  if (added >= lines.size()) lstLog->clear();
  for (size_t i = lines.size() - std::min(added, lines.size()); i < lines.size(); ++i)
    lstLog->addItem(QString::fromStdString(lines[i]));
  while (lstLog->count() > want) delete lstLog->takeItem(0);
  lstLog->setUpdatesEnabled(true);
  lstLog->setCurrentRow(lstLog->count() - 1);
  lstLog->scrollToBottom();
}

void TfrmDiag::SaveDiagLog() {
  TFileDialog d;
  d.Save = true;
  d.Title = "Save diagnostics log to file";
  d.Folder = Cfg.LastSavedDiagLogFolder;
  d.DefaultExt = "log";
  d.Filter = "Log files (*.log)|*.log";
  const std::string name = RunFileDialog(d);
  if (name.empty()) {
    AddLogEntry("Save diag log cancelled");
    return;
  }
  const std::string error =
      SaveDiagLogFile(name, log_.FileText(ProgVersionText(true, true), WindowsVersionText()));
  if (!error.empty()) {
    AddLogEntry(error);
    ShowMessage(error, MsgKind::Error);
    return;
  }
  StoreLocked(Cfg.LastSavedDiagLogFolder, std::filesystem::path(name).parent_path().string());
}

void TfrmDiag::Open(const std::string& caption) {
  setWindowTitle(QString::fromStdString(caption));
  RestoreSavedPlace(this, SavedPlace());
  show();
  raise();
  activateWindow();
}

void TfrmDiag::showEvent(QShowEvent* e) {
  QMainWindow::showEvent(e);
  if (e->spontaneous()) return;
  log_.SetPaused(false);
  SinkLog(true);
  SetDiagActive(true);
  // Said once a run, maybe while no log was kept: the musician finds it here later.
  if (!RunCtl.NoRealTimeLine.empty()) AddLogLines(RunCtl.NoRealTimeLine);
  lstLog->setFocus();
}

void TfrmDiag::closeEvent(QCloseEvent* e) {
  if (!closingForGood_ && ShowMessage("About to close the Diagnostics window, ok?\r\n\r\n"
                                      "Diagnostic info will be lost unless you save it first...\r\n"
                                      "To save the diag log, click No, then File, Save...",
                                      MsgKind::Confirmation, MsgButtons::YesNo) != MsgAnswer::Yes) {
    e->ignore();
    return;
  }
  ClearLogOnClose();
  e->accept();
}

void TfrmDiag::ClearLogOnClose() {
  ResetDiagFifos();
  SetDiagActive(false);
  SinkLog(false);
  // Last: switching off logs its own line.
  log_.Clear();
  lstLog->clear();
}

void TfrmDiag::Answer(TWindowCalls& calls) {
  if (sinking_) calls.Log.AddLogLines = [this](const std::string& text) { AddLogLines(text); };
}

void TfrmDiag::On(TTopic topic) {
  // The program's end closes the window without asking.
  if (topic != TTopic::ProgramEnding || !Trace.DiagFlags || !isVisible()) return;
  closingForGood_ = true;
  close();
  closingForGood_ = false;
}

bool TfrmDiag::event(QEvent* e) {
  return ShowStatusHint(*this, e) || QMainWindow::event(e);
}

}  // namespace vel
