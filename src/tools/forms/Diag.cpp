#include "tools/forms/Diag.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QMenuBar>
#include <QStatusBar>
#include <QToolButton>
#include <QVBoxLayout>
#include <filesystem>
#include <mutex>

#include "base/DiagLog.h"
#include "base/EngineLock.h"
#include "base/General.h"
#include "base/Showing.h"
#include "base/UiHooks.h"
#include "files/Dumps.h"
#include "mainwindow/Caption.h"
#include "mainwindow/InputProcs.h"
#include "mainwindow/forms/FileDialogs.h"
#include "mainwindow/forms/ScreenPlace.h"
#include "settings/Settings.h"

namespace vel {

namespace {

QCheckBox* TraceBox(QWidget* parent, const char* name, const char* text, TAtomic<uint8_t>& sw,
                    const char* hint) {
  auto* c = new QCheckBox(text, parent);
  c->setObjectName(name);
  c->setChecked(sw != 0);
  c->setStatusTip(hint);
  QObject::connect(c, &QCheckBox::clicked, c, [&sw](bool on) { sw = on ? 1 : 0; });
  return c;
}

QToolButton* DumpButton(QWidget* parent, const char* name, const char* text, const char* hint) {
  auto* b = new QToolButton(parent);
  b->setObjectName(name);
  b->setText(text);
  b->setStatusTip(hint);
  return b;
}

constexpr const char* kOverflowHint = "; use sparingly to avoid log overflow/truncation";

}  // namespace

TfrmDiag::TfrmDiag(QWidget* parent) : QMainWindow(parent, Qt::Tool) {
  setObjectName("frmDiag");
  setWindowTitle("Diagnostics");
  auto* central = new QWidget(this);
  auto* v = new QVBoxLayout(central);
  v->setContentsMargins(4, 4, 4, 0);
  auto* warning = new QLabel("Warning: leaving this diagnostics window open may impact timing", central);
  warning->setObjectName("lblWarning");
  warning->setStyleSheet("color: maroon");
  lstLog = new QListWidget(central);
  lstLog->setObjectName("lstLog");
  lstLog->setUniformItemSizes(true);
  v->addWidget(warning);
  v->addWidget(lstLog, 1);
  auto* row = new QHBoxLayout;
  row->addWidget(MakeMidiGroup());
  row->addWidget(MakeFilterGroup());
  row->addWidget(MakeSeqsGroup());
  row->addStretch(1);
  v->addLayout(row);
  setCentralWidget(central);
  statusBar()->setObjectName("stbStatus");
  MakeMenus();
  resize(std::max(minimumSizeHint().width(), 425), 250 + menuBar()->sizeHint().height());
}

TfrmDiag::~TfrmDiag() = default;

// The log hook leads here only while the window shows: the registry takes its answer afresh.
void TfrmDiag::SinkLog(bool on) {
  if (on == sinking_) return;
  sinking_ = on;
  Windows().AnswersChanged(*this);
}

QWidget* TfrmDiag::MakeMidiGroup() {
  auto* g = new QGroupBox("MIDI trace", this);
  g->setObjectName("grpMidi");
  auto* v = new QVBoxLayout(g);
  chkInTraceOn =
      TraceBox(g, "chkInTraceOn", "Input", Trace.InTraceOn, "Start/stop tracing incoming MIDI messages");
  chkOutTraceOn =
      TraceBox(g, "chkOutTraceOn", "Output", Trace.OutTraceOn, "Start/stop tracing outgoing MIDI messages");
  // Input and output tracing never run together: ticking one unticks the other first.
  connect(chkInTraceOn, &QCheckBox::clicked, this,
          [this] { TraceDirection(chkInTraceOn, chkOutTraceOn, true); });
  connect(chkOutTraceOn, &QCheckBox::clicked, this,
          [this] { TraceDirection(chkOutTraceOn, chkInTraceOn, false); });
  v->addWidget(chkInTraceOn);
  v->addWidget(chkOutTraceOn);
  v->addWidget(TraceBox(g, "chkDecodeTrace", "Decode", Trace.DecodeTrace,
                        "Add a text description to the hex trace data"));
  v->addStretch(1);
  return g;
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

QWidget* TfrmDiag::MakeFilterGroup() {
  auto* g = new QGroupBox("Filter", this);
  g->setObjectName("grpFilter");
  auto* grid = new QGridLayout(g);
  const std::string flood = kOverflowHint;
  QCheckBox* boxes[] = {
      TraceBox(g, "chkTraceNotes", "Notes", Trace.TraceNotes, "Include note on & off messages in trace/dump"),
      TraceBox(g, "chkTraceController", "Controllers", Trace.TraceController,
               ("Include controller messages, modulation etc. in trace/dump" + flood).c_str()),
      TraceBox(g, "chkTraceProgChanges", "Prog changes", Trace.TraceProgChanges,
               "Include program-change messages in trace/dump"),
      TraceBox(g, "chkTraceMC", "Timing clocks", Trace.TraceMC,
               ("Include MIDI timing clock messages in trace" + flood).c_str()),
      TraceBox(g, "chkTraceHotkey", "Hotkey", Trace.TraceHotkey, "Include hotkey messages in trace/dump"),
      TraceBox(g, "chkTracePitchBend", "Pitchbend", Trace.TracePitchBend,
               ("Include pitch-bend controller messages in trace/dump" + flood).c_str()),
      TraceBox(g, "chkTracePressure", "Pressure", Trace.TracePressure,
               ("Include key & channel pressure/after-touch in trace/dump" + flood).c_str()),
      TraceBox(g, "chkTraceMTC", "MTC", Trace.TraceMTC,
               ("Include MIDI Time Code (MTC) messages in trace" + flood).c_str()),
      TraceBox(g, "chkTraceSync", "Sync", Trace.TraceSync,
               "Include MIDI start, stop & continue messages in trace")};
  for (int i = 0; i < 9; ++i) grid->addWidget(boxes[i], i % 3, i / 3);
  return g;
}

QWidget* TfrmDiag::MakeSeqsGroup() {
  auto* g = new QGroupBox("Seqs", this);
  g->setObjectName("grpSeqs");
  auto* grid = new QGridLayout(g);
  cboSeqNos = new QComboBox(g);
  cboSeqNos->setObjectName("cboSeqNos");
  cboSeqNos->addItems({"1", "2", "3", "4"});
  cboSeqNos->setStatusTip("Specify seq no. for dump & stats display");
  cboPartNos = new QComboBox(g);
  cboPartNos->setObjectName("cboPartNos");
  cboPartNos->addItems({"1", "2"});
  cboPartNos->setStatusTip("Specify part no. for dump & stats display");
  grid->addWidget(new QLabel("Seq", g), 0, 0);
  grid->addWidget(cboSeqNos, 0, 1);
  grid->addWidget(new QLabel("Part", g), 1, 0);
  grid->addWidget(cboPartNos, 1, 1);
  auto* dump = DumpButton(g, "sbtnDumpSeq", "Dump", "Dump stats & full contents for specified sequence/part");
  auto* subset = DumpButton(g, "sbtnDumpSeqSubset", "Dump filtered",
                            "Dump stats & filtered contents for specified sequence/part");
  auto* stats = DumpButton(g, "sbtnStatSeq", "Stats", "Dump stats only for specified sequence/part");
  auto* usage = DumpButton(g, "sbtnUsage", "Usage", "Display seq & misc buffer usage");
  connect(dump, &QToolButton::clicked, this, [this] { Dump(false, false); });
  connect(subset, &QToolButton::clicked, this, [this] { Dump(true, false); });
  connect(stats, &QToolButton::clicked, this, [this] { Dump(false, true); });
  connect(usage, &QToolButton::clicked, this, [] {
    if (RunHooks.UsageReport) RunHooks.UsageReport();
  });
  grid->addWidget(dump, 0, 2);
  grid->addWidget(subset, 1, 2);
  grid->addWidget(stats, 0, 3);
  grid->addWidget(usage, 1, 3);
  return g;
}

void TfrmDiag::Dump(bool filtered, bool summaryOnly) {
  DspSeqs(cboPartNos->currentIndex(), cboSeqNos->currentIndex(), filtered, summaryOnly);
  lstLog->setFocus();
}

void TfrmDiag::MakeMenus() {
  QMenu* file = menuBar()->addMenu("&File");
  mnuFileSaveDiag = file->addAction("&Save diagnostics log...", this, [this] { SaveDiagLog(); });
  mnuFileSaveDiag->setObjectName("mnuFileSaveDiag");
  mnuFileSaveDiag->setStatusTip("Save log entries to file");
  file->addSeparator();
  QAction* exit = file->addAction("E&xit", this, [this] { close(); });
  exit->setObjectName("mnuFileExit");
  exit->setStatusTip("Close diagnostics window; all log entries will be lost unless saved");
  QMenu* view = menuBar()->addMenu("&View");
  mnuViewPause = view->addAction("&Pause", this, [this] { SetPaused(!log_.Paused()); });
  mnuViewPause->setObjectName("mnuViewPause");
  mnuViewPause->setStatusTip("Pause/resume logging; entries discarded if paused");
  mnuViewClear = view->addAction("&Clear", this, [this] {
    log_.Clear();
    lstLog->clear();
  });
  mnuViewClear->setObjectName("mnuViewClear");
  mnuViewClear->setStatusTip("Clear all log entries");
  connect(view, &QMenu::aboutToShow, this,
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
  std::lock_guard lock(EngineLock);
  Cfg.LastSavedDiagLogFolder = std::filesystem::path(name).parent_path().string();
}

void TfrmDiag::Open(const std::string& caption) {
  setWindowTitle(QString::fromStdString(caption));
  if (!isVisible()) {
    if (Cfg.WindowDiagWidth > 0 && Cfg.WindowDiagHeight > 0)
      resize(Cfg.WindowDiagWidth, Cfg.WindowDiagHeight);
    MoveToSavedPlace(this, Cfg.WindowDiagLeft, Cfg.WindowDiagTop);
  }
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
  // The program's end closes the window without asking.
  calls.Run.CloseDiagWindow = [this] {
    if (!isVisible()) return;
    closingForGood_ = true;
    close();
    closingForGood_ = false;
  };
}

// Hints in the status bar only while this window is the active one and AutoHints is on.
bool TfrmDiag::event(QEvent* e) {
  if (e->type() == QEvent::StatusTip && !(Cfg.AutoHints != 0 && isActiveWindow())) {
    statusBar()->clearMessage();
    return true;
  }
  return QMainWindow::event(e);
}

void TfrmDiag::moveEvent(QMoveEvent* e) {
  QMainWindow::moveEvent(e);
  if (!isVisible()) return;
  Cfg.WindowDiagLeft = x();
  Cfg.WindowDiagTop = y();
}

void TfrmDiag::resizeEvent(QResizeEvent* e) {
  QMainWindow::resizeEvent(e);
  if (!isVisible()) return;
  Cfg.WindowDiagWidth = width();
  Cfg.WindowDiagHeight = height();
}

}  // namespace vel
