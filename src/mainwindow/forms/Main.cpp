#include "mainwindow/forms/Main.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QFileInfo>
#include <QFrame>
#include <QLabel>
#include <QMenu>
#include <QMouseEvent>
#include <QSpinBox>
#include <QStatusBar>
#include <QTimer>
#include <QToolButton>
#include <algorithm>
#include <chrono>
#include <exception>
#include <mutex>
#include <thread>

#include "base/DiagLog.h"
#include "base/EngineLock.h"
#include "base/Messages.h"
#include "base/Showing.h"
#include "base/UiHooks.h"
#include "engine/LivePath.h"
#include "engine/PartBufs.h"
#include "engine/ProgStateTable.h"
#include "engine/RunControl.h"
#include "files/MidiFile.h"
#include "mainwindow/Caption.h"
#include "mainwindow/CommandLine.h"
#include "mainwindow/Hints.h"
#include "mainwindow/InstanceLocks.h"
#include "mainwindow/MainCombos.h"
#include "mainwindow/Refresh.h"
#include "mainwindow/forms/Colours.h"
#include "mainwindow/forms/QtUiHooks.h"
#include "settings/CfgFactory.h"
#include "settings/CfgFile.h"
#include "settings/CfgReader.h"
#include "settings/Settings.h"
#include "styles/StyleStore.h"
#include "ui_Main.h"

namespace vel {

namespace {

constexpr int32_t kRowHeight = 24;
constexpr int32_t kRowFontSize = 10;
// The pitch lock's box stands before the pitch value.
constexpr int32_t kLockBoxWidth = 20;

QString Q(const std::string& s) {
  return QString::fromStdString(s);
}

int32_t TextWidth(const QWidget* w, const char* sample) {
  QFont f = w->font();
  f.setPointSize(kRowFontSize);
  return QFontMetrics(f).horizontalAdvance(QString::fromUtf8(sample));
}

// A combo's width for a sample value: the text and the arrow's room.
int32_t ComboWidth(const QWidget* w, const char* sample) {
  return TextWidth(w, sample) + 30;
}

void FillCombo(QComboBox* cbo, const TItems& items) {
  const QSignalBlocker block(cbo);
  cbo->clear();
  for (const std::string& s : items) cbo->addItem(Q(s));
  if (!items.empty()) cbo->setCurrentIndex(0);
}

void SelectIndex(QComboBox* cbo, int32_t index) {
  const QSignalBlocker block(cbo);
  cbo->setCurrentIndex(index);
}

template <class W>
W* MakeRowControl(QFrame* row, const char* family, int32_t s) {
  auto* w = new W(row);
  w->setObjectName(QString::fromLatin1(family) + QString::number(s));
  QFont f = w->font();
  f.setPointSize(kRowFontSize);
  w->setFont(f);
  return w;
}

// A label's click: labels have no signal of their own for it.
class TClickFilter : public QObject {
 public:
  TClickFilter(QObject* parent, std::function<void()> onClick)
      : QObject(parent), onClick_(std::move(onClick)) {}

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::MouseButtonRelease &&
        static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton)
      onClick_();
    return QObject::eventFilter(watched, event);
  }

 private:
  std::function<void()> onClick_;
};

void OnClick(QWidget* w, std::function<void()> onClick) {
  w->installEventFilter(new TClickFilter(w, std::move(onClick)));
}

}  // namespace

std::string TfrmMain::CloseQuestionText(bool seqPlaying) {
  std::string text = "About to close Vellorine, ok?\r\n\r\n";
  if (seqPlaying) text += "To avoid stuck notes if seqs are running, click No and stop them first\r\n";
  text +=
      "Any changes or recordings you've made will be lost unless you save them first...\r\n"
      "To save current config, click No, then Config, Save... as reqd.\r\n"
      "To save MIDI recordings, click No, then File, Save MIDI... as reqd.";
  return text;
}

TfrmMain::TfrmMain(QWidget* parent) : QMainWindow(parent), ui(std::make_unique<Ui::frmMain>()) {
  ui->setupUi(this);
  setObjectName("frmMain");
  tmAutoRun = new QTimer(this);
  tmAutoRun->setObjectName("tmAutoRun");
  connect(tmAutoRun, &QTimer::timeout, this, [this] { tmAutoRunTimer(); });
  FormCreate();
}

TfrmMain::~TfrmMain() {
  if (!MainClosing) FormClose();
  RunHooks.ApplyProgState = nullptr;
  RunHooks.FreeRunTimeControls = nullptr;
  RunHooks.RestoreSysColours = nullptr;
}

void TfrmMain::FormCreate() {
  MainClosing = false;
  std::string errorText;
  Trace.DiagFlags = 0;
  for (auto* flag :
       {&Showing.SampleAidShowing, &Showing.KeyMapperShowing, &Showing.KeyMapsShowing,
        &Showing.CfgColoursShowing, &Showing.CfgPerfShowing, &Showing.CfgTimingShowing,
        &Showing.CfgMetrShowing, &Showing.CfgKinetraceShowing, &Showing.CfgBehaviourShowing,
        &Showing.CfgVKbdShowing, &Showing.CfgMChanShowing, &Showing.CfgDrumShowing, &Showing.CfgBassShowing})
    *flag = 0;
  IsFirstInstance = false;
  SysColoursSaved = false;
  CfgFiles.ConfigFileName.clear();
  SetCaption();
  tmAutoRun->stop();
  tmAutoRun->setSingleShot(true);
  tmAutoRun->setInterval(1000);
  DisableDspTimers();

  if (!CreateInstanceMutexes(InstanceLocks, errorText)) {
    ShowMessage(errorText, MsgKind::Error);
    showMinimized();
    InstanceLocks.ReleaseAll();
    CloseEngineMutexes();
    return;
  }
  IsFirstInstance = InstanceLocks.IsFirstInstance();
  started_ = true;

  RunHooks.ApplyProgState = [this](TProgState state) { ApplyProgState(int(state)); };
  RunHooks.FreeRunTimeControls = [this] { HandleDynamicControls(false); };
  RunHooks.RestoreSysColours = [this] { SaveRestoreSysColours(false); };
  InstallStatusDisplay();
  InstallLanesAndKinetrace();

  InstallControlHandlers();

  InstallFileConfigMenus();

  InstallActionViewMenus();

  InstallPortPanelAndHelp();
  try {
    StartUp();
  } catch (const std::exception& e) {
    CriticalErrorClose(std::string(e.what()) +
                       "\r\n\r\nPlease report this error with what you were doing when it happened.\r\n"
                       "Include your config file and diagnostics log if possible");
  }
}

void TfrmMain::StartUp() {
  // Folders.
  RunCtl.UserProfileFolder = UserProfileFolder();
  RunCtl.AppDataFolder = SettingsFolder();
  DataFolder = RunCtl.AppDataFolder + "/";
  ProgFolder = QCoreApplication::applicationDirPath().toStdString();
  InitFolderDefaults();
  RunCtl.ParamStrs.clear();
  for (const QString& a : QCoreApplication::arguments()) RunCtl.ParamStrs.push_back(a.toStdString());

  // Initial values.
  RunCtl.LastLoggedState.clear();
  Showing.TemplateShowing = 0;
  Cfg.MaxActiveSeqs = kSeqs - 1;
  Cfg.TarloOn = 0;
  ui->btnRenameInPortDone->resize(0, 0);
  ui->btnRenameOutPortDone->resize(0, 0);
  SetMenuShortCuts();
  ui->mnuToolsTest->setVisible(false);
  for (QLabel* l : {ui->lblvMidiInLimit, ui->lblvDspMetrLimit, ui->lblvDspStatusLimit, ui->lblvDspDiagLimit})
    l->setEnabled(false);

  // Trace switches.
  Trace.InTraceOn = 0;
  Trace.OutTraceOn = 0;
  Trace.DecodeTrace = 1;
  Trace.TraceMTC = 0;
  Trace.TraceMC = 0;
  Trace.TraceController = 0;
  Trace.TracePressure = 0;
  Trace.TracePitchBend = 0;
  Trace.TraceNotes = 1;
  Trace.TraceProgChanges = 1;
  Trace.TraceHotkey = 1;
  Trace.TraceSync = 0;

  // Seq and port defaults: part 0 selected and playing, everything on port 0, channel 0.
  {
    std::lock_guard lock(EngineLock);
    auto mchanApplies = [](int32_t port) {
      return uint8_t(Cfg.MChanEnabled[port] != 0 && Cfg.MChanMin[port] <= 0 && 0 <= Cfg.MChanMax[port]);
    };
    for (TSeqRec& rec : Seqs.SeqRecs) {
      rec.SelPart = 0;
      rec.PlayPart = 0;
    }
    RunCtl.LivePort = 0;
    Live.Chan.fill(0);
    Live.MChanApplies = mchanApplies(0);
    for (auto& part : Seqs.PartBufs)
      for (TPartBuf& b : part) {
        b.PortPend = 0;
        b.Port = 0;
        b.ChanPend = 0;
        b.Chan.fill(0);
        b.MChanApplies = mchanApplies(0);
      }
  }

  for (QSpinBox* ud : {ui->udInPort0Oct, ui->udInPort1Oct}) {
    const QSignalBlocker block(ud);
    ud->setRange(-9, 9);
    ud->setSingleStep(1);
    ud->setValue(0);
  }

  HandleDynamicControls(true);
  SaveRestoreSysColours(true);
  ArrangeStartUpControls();
  statusBar()->raise();

  // The command line and the choice of settings.
  std::vector<std::string> params(RunCtl.ParamStrs.begin() + (RunCtl.ParamStrs.empty() ? 0 : 1),
                                  RunCtl.ParamStrs.end());
  const TCommandLine cl = ParseCommandLine(params);
  if (cl.ShowSyntax) ShowParamSyntax(cl.Fault);
  const TConfigChoice choice =
      ChooseConfig(cl, DataFolder, [](const std::string& path) { return QFileInfo(Q(path)).isFile(); });
  if (!choice.ConfigFault.empty()) ShowParamSyntax(choice.ConfigFault);
  if (!choice.MidiFault.empty()) ShowParamSyntax(choice.MidiFault);
  CfgFiles.ConfigFileName = choice.ConfigFileName;
  MidiFileName = choice.MidiFileName;

  const TBusyCursor busy;
  const int64_t delayMs = StartupDelayMs(cl);
  if (delayMs > 0) {
    ShowWaitMessage(true, StartupDelayWaitText(cl.DelaySecs));
    show();
    Ui().ProcessEvents();
    std::this_thread::sleep_for(std::chrono::milliseconds(delayMs));
  }
  ShowWaitMessage(true, kWaitInitialising);
  show();
  Ui().ProcessEvents();

  bool ok = false;
  if (CfgFiles.ConfigFileName.empty()) {
    LoadConfigAndApply(true, choice.DefaultUsed, ok);
    ok = false;
  } else if (!LoadConfigAndApply(false, choice.DefaultUsed, ok)) {
    ok = false;
  }
  if (ok) {
    ShowWaitMessage(true, kWaitPreparingAutoRun);
    if (Trace.DiagFlags) DiagLogTimed("Auto run...");
    if (Cfg.StandardMode == 0)
      ShowMessage(
          "Vellorine is running in novice mode with fewer commands and a simplified screen.\r\n\r\n"
          "This is tailored for the Quick Start/Tutorial with the novice keyboard template.\r\n\r\n"
          "When you've finished with novice mode and want the full set of commands,\r\n"
          "turn it off via the Config menu.",
          MsgKind::Warning);
    if (HaveOutPorts()) {
      for (QMenu* m :
           {ui->mnuAction, ui->mnuConfig, ui->mnuSettings, ui->mnuFile, ui->mnuTools, ui->mnuWindows})
        m->menuAction()->setEnabled(false);
      // Only from Config and while the window stays: a Run click or a close in that second must not
      // leave a timer that starts the engine again.
      if (RunCtl.ProgState.load() == TProgState::Config && !MainClosing) tmAutoRun->start();
      return;
    }
    ShowMessage(
        "Unable to auto run; MIDI ports not allocated\r\n\r\nClick 'Settings, Ports' to allocate ports",
        MsgKind::Error);
  }
  // Every way that ends in Config shows the status at the Config rate, and a "/m" file loads now.
  EnableDspStatus(true, true);
  ShowWaitMessage(false, "");
  LoadMidiFileNow();
}

void TfrmMain::LoadMidiFileNow() {
  if (MidiFileName.empty()) return;
  LoadSeqsFromMidiFile(-1, MidiFileName, true, true);
}

void TfrmMain::tmAutoRunTimer() {
  tmAutoRun->stop();
  SetProgState(RunCtl.ProgState.load());
  ShowWaitMessage(false, "");
  LoadMidiFileNow();
  StartRunning();
  if (Cfg.AutoRunReadyBeep) QApplication::beep();
}

bool TfrmMain::LoadConfigAndApply(bool factory, bool autoRun, bool& ok) {
  SetProgState(TProgState::Initialising);
  bool result = false;
  {
    const TBusyCursor busy;
    // The devices are listed afresh; none may be open while the tables change.
    if (RunCtl.InPortsAllocated >= 0) CloseAllInPorts();
    if (RunCtl.OutPortsAllocated >= 0) CloseAllOutPorts();
    {
      std::lock_guard lock(EngineLock);
      LoadInDevNames();
      LoadOutDevList();
    }
    LoadDrumFactory();
    LoadBassFactory();
    result = LoadConfig(factory, autoRun, CfgFull, ok);
    if (result) {
      // The whole program follows the settings: ports re-found by their names, the engine reset,
      // the controls filled and set. The hooks live only for this call.
      RefreshHooks.ReloadMainWindow = [this] { FillMainControls(); };
      RefreshHooks.LoadMainControls = [this](const TMainComboIndices& idx) { SelectMainControls(idx); };
      RefreshAllWithWindow(true);
      RefreshHooks = TRefreshHooks{};
    }
  }
  SetProgState(TProgState::Config);
  return result;
}

void TfrmMain::FillMainControls() {
  const TMainCombos combos = FillMainCombos();
  FillCombo(ui->cboMaxActiveSeqs, combos.MaxActiveSeqs);
  FillCombo(ui->cboLiveChans, combos.LiveChans);
  FillCombo(ui->cboLiveProgs, combos.Progs);
  FillCombo(ui->cboLiveSVels, combos.LiveSVels);
  FillCombo(ui->cboMetrBarSVel, combos.MetrSVels);
  FillCombo(ui->cboMetrBeatSVel, combos.MetrSVels);
  FillCombo(ui->cboMetrBarNote, combos.MetrNotes);
  FillCombo(ui->cboMetrBeatNote, combos.MetrNotes);
  FillCombo(ui->cboQuantN, combos.QuantN);
  FillCombo(ui->cboQuantS, combos.QuantS);
  FillCombo(ui->cboTSigBeats, combos.TSigBeats);
  FillCombo(ui->cboTSigFrac, combos.TSigFrac);
  FillCombo(ui->cboTempoIntMSB, combos.TempoIntMSB);
  FillCombo(ui->cboTempoIntLSB, combos.TempoIntLSB);
  FillCombo(ui->cboInPort0FilterChan, combos.FilterChans);
  FillCombo(ui->cboInPort1FilterChan, combos.FilterChans);
  FillCombo(ui->cboTarloSysexDevId, combos.TarloSysexDevId.Items);
  for (const TSeqRow& r : SeqRows) {
    if (!r.pnlSeq) continue;
    FillCombo(r.cboSeqPartNo, combos.SeqParts);
    FillCombo(r.cboSeqChan, combos.SeqChans);
    FillCombo(r.cboSeqSVel, combos.SeqSVels);
    FillCombo(r.cboSeqProg, combos.Progs);
  }
}

void TfrmMain::SelectMainControls(const TMainComboIndices& idx) {
  SelectIndex(ui->cboMaxActiveSeqs, idx.MaxActiveSeqs);
  SelectIndex(ui->cboLiveChans, idx.LiveChans);
  SelectIndex(ui->cboLiveProgs, idx.LiveProgs);
  SelectIndex(ui->cboLiveSVels, idx.LiveSVels);
  SelectIndex(ui->cboMetrBarNote, idx.MetrBarNote);
  SelectIndex(ui->cboMetrBarSVel, idx.MetrBarSVel);
  SelectIndex(ui->cboMetrBeatNote, idx.MetrBeatNote);
  SelectIndex(ui->cboMetrBeatSVel, idx.MetrBeatSVel);
  SelectIndex(ui->cboQuantN, idx.QuantN);
  SelectIndex(ui->cboQuantS, idx.QuantS);
  SelectIndex(ui->cboTSigBeats, idx.TSigBeats);
  SelectIndex(ui->cboTSigFrac, idx.TSigFrac);
  SelectIndex(ui->cboTempoIntMSB, idx.TempoIntMSB);
  SelectIndex(ui->cboTempoIntLSB, idx.TempoIntLSB);
  for (int32_t s = 0; s < kSeqs; ++s) {
    const TSeqRow& r = SeqRows[s];
    if (!r.pnlSeq) continue;
    SelectIndex(r.cboSeqPartNo, idx.Seqs[s].Part);
    SelectIndex(r.cboSeqChan, idx.Seqs[s].Chan);
    SelectIndex(r.cboSeqProg, idx.Seqs[s].Prog);
    SelectIndex(r.cboSeqSVel, idx.Seqs[s].SVel);
    const QSignalBlocker block(r.chkSeqMuted);
    r.chkSeqMuted->setChecked(idx.Seqs[s].Muted);
  }
  SetCaption();
  SetHintsOnControls();
  LayoutSeqStatusColumns();
  ApplyColourScheme();
}

void TfrmMain::SetCaption() {
  const QString caption = Q(SetMainCaption(CfgFiles.ConfigFileName));
  setWindowTitle(caption);
  QApplication::setApplicationDisplayName(caption);
}

void TfrmMain::SetHintsOnControls() {
  for (const THintRow& row : SetHints()) {
    const QString name = Q(row.Name);
    if (QAction* a = findChild<QAction*>(name)) {
      a->setStatusTip(Q(row.Hint));
    } else if (QWidget* w = findChild<QWidget*>(name)) {
      w->setStatusTip(Q(row.Hint));
    }
  }
}

void TfrmMain::SetMenuShortCuts() {
  const std::pair<QAction*, const char*> keys[] = {
      {ui->mnuTemplateShow, "Ctrl+F2"},
      {ui->mnuTemplateHide, "Ctrl+F3"},
      {ui->mnuKinetraceOn, "Alt+F2"},
      {ui->mnuKinetraceOff, "Alt+F3"},
      {ui->mnuKinetraceIncShape, "Alt+F12"},
      {ui->mnuKinetraceDecShape, "Alt+F11"},
      {ui->mnuKinetraceIncSize, "Shift+F12"},
      {ui->mnuKinetraceDecSize, "Shift+F11"},
      {ui->mnuKinetraceIncDecay, "Ctrl+F12"},
      {ui->mnuKinetraceDecDecay, "Ctrl+F11"},
      {ui->mnuKinetraceIncTail, "Ctrl+Alt+F12"},
      {ui->mnuKinetraceDecTail, "Ctrl+Alt+F11"},
      {ui->mnuKinetraceIncStyle, "Shift+Alt+F12"},
      {ui->mnuKinetraceDecStyle, "Shift+Alt+F11"},
      {ui->mnuKinetraceIncPosn, "Shift+Ctrl+F12"},
      {ui->mnuKinetraceDecPosn, "Shift+Ctrl+F11"},
  };
  for (const auto& [action, key] : keys) action->setShortcut(QKeySequence(QString::fromLatin1(key)));
}

void TfrmMain::ArrangeStartUpControls() {
  // The port panels' arrows are plain characters here, not a symbol font's.
  ui->sbtnInPortAlloc->setText("→");
  ui->sbtnInPortDeAlloc->setText("←");
  ui->sbtnInPortUp->setText("↑");
  ui->sbtnInPortDown->setText("↓");
  ui->sbtnOutPortAlloc->setText("→");
  ui->sbtnOutPortDeAlloc->setText("←");
  ui->sbtnOutPortUp->setText("↑");
  ui->sbtnOutPortDown->setText("↓");
  for (QLabel* l : {ui->lblvInPort0Name, ui->lblvInPort1Name, ui->lblvOutPort0Name})
    l->resize(104, l->height());
  ui->pnlConfigInPorts->setGeometry(ui->pnlSeqStatus->geometry());
  ui->pnlConfigOutPorts->setGeometry(ui->pnlSeqStatus->geometry());
  ui->lblvMetrL->move(160, ui->lblvMetrL->y());
  ui->lblvMetrR->move(167, ui->lblvMetrR->y());
  ui->lblWaitMessage->raise();
}

void TfrmMain::HandleDynamicControls(bool create) {
  if (!create) {
    for (TSeqRow& r : SeqRows) {
      delete r.pnlSeq;  // the row's controls are its children
      r = TSeqRow{};
    }
    for (auto* boxes : {&chkMidiOutClocks, &chkMidiOutSync})
      for (QCheckBox*& c : *boxes) {
        delete c;
        c = nullptr;
      }
    return;
  }
  for (int32_t s = 0; s <= Cfg.MaxActiveSeqs && s < kSeqs; ++s) {
    TSeqRow& r = SeqRows[s];
    r.pnlSeq = new QFrame(ui->pnlSeqStatus);
    r.pnlSeq->setObjectName(QString("pnlSeq%1").arg(s));
    r.pnlSeq->setFrameShape(QFrame::Panel);
    r.pnlSeq->setFrameShadow(QFrame::Raised);
    r.pnlSeq->setLineWidth(1);
    QFrame* p = r.pnlSeq;
    r.lblSeqNo = MakeRowControl<QLabel>(p, "lblSeqNo", s);
    r.lblSeqState = MakeRowControl<QLabel>(p, "lblSeqState", s);
    r.chkSeqMuted = MakeRowControl<QCheckBox>(p, "chkSeqMuted", s);
    r.chkSeqPitchLock = MakeRowControl<QCheckBox>(p, "chkSeqPitchLock", s);
    r.lblSeqPitch = MakeRowControl<QLabel>(p, "lblSeqPitch", s);
    r.lblSeqScale = MakeRowControl<QLabel>(p, "lblSeqScale", s);
    r.lblSeqTrans = MakeRowControl<QLabel>(p, "lblSeqTrans", s);
    r.cboSeqProg = MakeRowControl<QComboBox>(p, "cboSeqProg", s);
    r.lblSeqProg = MakeRowControl<QLabel>(p, "lblSeqProg", s);
    r.cboSeqPartNo = MakeRowControl<QComboBox>(p, "cboSeqPartNo", s);
    r.lblSeqPartNo = MakeRowControl<QLabel>(p, "lblSeqPartNo", s);
    r.cboSeqChan = MakeRowControl<QComboBox>(p, "cboSeqChan", s);
    r.lblSeqChan = MakeRowControl<QLabel>(p, "lblSeqChan", s);
    r.cboSeqSVel = MakeRowControl<QComboBox>(p, "cboSeqSVel", s);
    r.lblSeqSVel = MakeRowControl<QLabel>(p, "lblSeqSVel", s);
    r.cboSeqPort = MakeRowControl<QComboBox>(p, "cboSeqPort", s);
    r.lblSeqPort = MakeRowControl<QLabel>(p, "lblSeqPort", s);
    r.lblSeqLen = MakeRowControl<QLabel>(p, "lblSeqLen", s);
    r.lblSeqTDiv = MakeRowControl<QLabel>(p, "lblSeqTDiv", s);
    r.lblSeqTimeShift = MakeRowControl<QLabel>(p, "lblSeqTimeShift", s);
    r.lblSeqNumPosn = MakeRowControl<QLabel>(p, "lblSeqNumPosn", s);
    r.imgSeqTrack = MakeRowControl<QLabel>(p, "imgSeqTrack", s);
    r.shpSeqLane = MakeRowControl<QFrame>(p, "shpSeqLane", s);
    r.shpSeqPosn = MakeRowControl<QFrame>(p, "shpSeqPosn", s);
    r.shpSeqMidiActivity = MakeRowControl<QFrame>(p, "shpSeqMidiActivity", s);
    r.shpSeqPosn->setFrameShape(QFrame::Box);
    r.shpSeqMidiActivity->setFrameShape(QFrame::Box);
    r.lblSeqNo->setText(QString::number(s + 1));

    // One lambda per control, each calling the family's procedure with its seq.
    auto call = [](const std::function<void(int32_t)>& f, int32_t n) {
      if (f) f(n);
    };
    connect(r.chkSeqMuted, &QCheckBox::clicked, this, [s, call] { call(SeqHandlers.SeqMutedClick, s); });
    connect(r.chkSeqPitchLock, &QCheckBox::clicked, this,
            [s, call] { call(SeqHandlers.SeqPitchLockClick, s); });
    connect(r.cboSeqProg, &QComboBox::activated, this, [s, call] { call(SeqHandlers.SeqProgChange, s); });
    connect(r.cboSeqPartNo, &QComboBox::activated, this, [s, call] { call(SeqHandlers.SeqPartNoChange, s); });
    connect(r.cboSeqChan, &QComboBox::activated, this, [s, call] { call(SeqHandlers.SeqChanChange, s); });
    connect(r.cboSeqSVel, &QComboBox::activated, this, [s, call] { call(SeqHandlers.SeqSVelChange, s); });
    connect(r.cboSeqPort, &QComboBox::activated, this, [s, call] { call(SeqHandlers.SeqOutPortChange, s); });
    OnClick(r.lblSeqNo, [s, call] { call(SeqHandlers.SeqNoClick, s); });
    OnClick(r.lblSeqPartNo, [s, call] { call(SeqHandlers.SeqNoClick, s); });
  }
  for (int32_t p = 0; p < kPorts; ++p) {
    auto* clk = new QCheckBox(ui->pnlConfigOutPorts);
    clk->setObjectName(QString("chkMidiOutClocks%1").arg(p));
    clk->hide();
    auto* syn = new QCheckBox(ui->pnlConfigOutPorts);
    syn->setObjectName(QString("chkMidiOutSync%1").arg(p));
    syn->hide();
    chkMidiOutClocks[p] = clk;
    chkMidiOutSync[p] = syn;
    connect(clk, &QCheckBox::clicked, this, [p] {
      if (SeqHandlers.MidiOutClocksClick) SeqHandlers.MidiOutClocksClick(p);
    });
    connect(syn, &QCheckBox::clicked, this, [p] {
      if (SeqHandlers.MidiOutSyncClick) SeqHandlers.MidiOutSyncClick(p);
    });
  }
}

void TfrmMain::LayoutSeqStatusColumns() {
  bool anyMChan = false;
  for (int32_t p = 0; p <= RunCtl.OutPortsAllocated && p < kPorts; ++p) anyMChan |= Cfg.MChanEnabled[p] != 0;
  auto w = [](QLabel* l) {
    l->adjustSize();
    return int32_t(l->width());
  };
  TColumnInput in;
  in.StandardMode = Cfg.StandardMode != 0;
  in.MorePortsThanOne = RunCtl.OutPortsAllocated > 0;
  in.AnyMChan = anyMChan;
  in.DspPortNames = Cfg.DspPortNames != 0;
  in.DspProgNames = Cfg.DspProgNames != 0;
  in.DspScale = Cfg.DspScale != 0;
  in.DspMidiActivity = Cfg.DspMidiActivity != 0;
  in.DspSeqLen = Cfg.DspSeqLen != 0;
  in.DspTempoDiv = Cfg.DspTempoDiv != 0;
  // A column is as wide as its heading or the widest control under it, whichever is wider.
  const QWidget* ref = ui->cboLiveSVels;
  in.PartNosW = std::max(w(ui->lblSeqPartNos), ComboWidth(ref, "9"));
  in.PortsW = w(ui->lblSeqPorts);
  in.ChansW = std::max(w(ui->lblSeqChans), ComboWidth(ref, "99"));
  in.ProgsW = w(ui->lblSeqProgs), in.MutedW = std::max(w(ui->lblSeqMuted), 20);
  in.SVelsW = std::max(w(ui->lblSeqSVels), ComboWidth(ref, "9"));
  in.ScalesW = std::max(w(ui->lblSeqScales), TextWidth(ref, "C#13+11(9)"));
  in.TransW = std::max(w(ui->lblSeqTrans), TextWidth(ref, "+999"));
  in.PitchesW = std::max(w(ui->lblSeqPitches), TextWidth(ref, "+999:99") + kLockBoxWidth);
  in.MidiActivityW = w(ui->lblSeqMidiActivity), in.SeqNosW = w(ui->lblSeqNos);
  in.StatesW = w(ui->lblSeqStates), in.LenW = w(ui->lblSeqLen), in.TDivsW = w(ui->lblSeqTDivs);
  in.TracksW = w(ui->lblSeqTracks);
  in.SeqStatusWidth = ui->pnlSeqStatus->width();
  Columns = vel::LayoutSeqStatusColumns(in);
  const TColumnLayout& c = Columns;

  const int32_t headTop = 4;
  auto place = [&](QLabel* l, const TColumn& col) {
    l->move(col.Left, headTop);
    l->setVisible(col.Visible);
  };
  place(ui->lblSeqPartNos, c.PartNos);
  place(ui->lblSeqPorts, c.Ports);
  place(ui->lblSeqChans, c.Chans);
  place(ui->lblSeqProgs, c.Progs);
  place(ui->lblSeqMuted, c.Muted);
  place(ui->lblSeqSVels, c.SVels);
  place(ui->lblSeqScales, c.Scales);
  place(ui->lblSeqTrans, c.Trans);
  place(ui->lblSeqPitches, c.Pitches);
  place(ui->lblSeqMidiActivity, c.MidiActivity);
  place(ui->lblSeqNos, c.SeqNos);
  place(ui->lblSeqStates, c.States);
  place(ui->lblSeqLen, c.Len);
  place(ui->lblSeqTDivs, c.TDivs);
  place(ui->lblSeqTracks, c.Tracks);

  const int32_t headBottom = headTop + ui->lblSeqTracks->height();
  for (int32_t s = 0; s < kSeqs; ++s) {
    TSeqRow& r = SeqRows[s];
    if (!r.pnlSeq) continue;
    const bool inUse = s <= Cfg.MaxActiveSeqs;
    r.pnlSeq->setGeometry(4, SeqRowTop(headBottom, s), c.SeqPanelWidth, kRowHeight);
    r.pnlSeq->setVisible(inUse);
    // A control under its heading: the heading's left shifted into the row.
    auto put = [&](QWidget* ctl, const TColumn& col, int32_t width, int32_t dx = 0) {
      ctl->setGeometry(col.Left - 4 + dx, 2, width, kRowHeight - 4);
      ctl->setVisible(inUse && col.Visible);
    };
    put(r.lblSeqLen, c.Len, TextWidth(ref, "999:99/99"));
    put(r.lblSeqTDiv, c.TDivs, TextWidth(ref, "1/99"));
    put(r.lblSeqNo, c.SeqNos, TextWidth(ref, "9") + 4);
    put(r.lblSeqState, c.States, TextWidth(ref, "m:99"));
    put(r.cboSeqPartNo, c.PartNos, ComboWidth(ref, "9"));
    put(r.lblSeqPartNo, c.PartNos, TextWidth(ref, "99.9->"));
    put(r.cboSeqChan, c.Chans, ComboWidth(ref, "99"));
    put(r.lblSeqChan, c.Chans, TextWidth(ref, anyMChan ? "*^99" : "^99"));
    put(r.cboSeqSVel, c.SVels, ComboWidth(ref, "9"));
    put(r.lblSeqSVel, c.SVels, TextWidth(ref, "^9"));
    put(r.chkSeqMuted, c.Muted, 20);
    put(r.chkSeqPitchLock, c.Pitches, kLockBoxWidth);
    put(r.lblSeqTrans, c.Trans, TextWidth(ref, "+999"));
    put(r.lblSeqPitch, c.Pitches, TextWidth(ref, "+999:99"), kLockBoxWidth);
    put(r.lblSeqScale, c.Scales, TextWidth(ref, "C#13+11(9)"));
    put(r.cboSeqProg, c.Progs, c.ProgWidth);
    put(r.lblSeqProg, c.Progs, c.ProgWidth);
    put(r.cboSeqPort, c.Ports, c.PortWidth);
    put(r.lblSeqPort, c.Ports, c.PortWidth);
    // Values show their control or their label by the program state; Config shows the controls.
    for (QLabel* l : {r.lblSeqPartNo, r.lblSeqChan, r.lblSeqSVel, r.lblSeqProg, r.lblSeqPort}) l->hide();
    const int32_t laneTop = (kRowHeight - 8) / 2;
    r.lblSeqTimeShift->setGeometry(c.SeqLaneLeft - 4, 2, TextWidth(ref, ">"), kRowHeight - 4);
    r.lblSeqTimeShift->setVisible(inUse);
    r.lblSeqNumPosn->setGeometry(c.SeqLaneLeft - 4, 2, TextWidth(ref, "999:99/99"), kRowHeight - 4);
    r.lblSeqNumPosn->hide();
    r.shpSeqLane->setGeometry(c.SeqLaneLeft - 4, laneTop, 0, 9);
    r.shpSeqPosn->setGeometry(c.SeqLaneLeft - 4, laneTop, 0, 8);
    r.imgSeqTrack->setGeometry(c.SeqLaneLeft - 4, 2, c.SeqLaneWidth, kRowHeight - 4);
    r.imgSeqTrack->setVisible(inUse);
    r.shpSeqMidiActivity->setGeometry(c.MidiActivity.Left - 4, laneTop, 10, 10);
    r.shpSeqMidiActivity->setVisible(inUse && c.MidiActivity.Visible);
  }
  ui->pnlTitle->move(ui->pnlTitle->x(), ui->pnlTitle->y());
  PlaceGroupBoxes();
}

void TfrmMain::PlaceGroupBoxes() {
  TGroupInput in;
  in.StartLeft = ui->pnlSeqStatus->x();
  in.ControlW = ui->grpControl->width();
  in.MetrW = ui->grpMetr->width();
  in.ClockW = ui->grpClock->width();
  in.PortsW = ui->grpPorts->width();
  in.ClockTop = ui->grpClock->y();
  in.ClockHeight = ui->grpClock->height();
  in.DspKinetrace = Cfg.DspKinetrace != 0;
  in.KinetracePosn = Cfg.KinetracePosn;
  const TGroupPlaces g = vel::PlaceGroupBoxes(in);
  ui->grpControl->move(g.ControlLeft, ui->grpControl->y());
  ui->grpMetr->move(g.MetrLeft, ui->grpMetr->y());
  ui->grpClock->move(g.ClockLeft, ui->grpClock->y());
  ui->grpPorts->move(g.PortsLeft, ui->grpPorts->y());
  std::optional<TRect> k = g.Kinetrace;
  if (!k && Cfg.DspKinetrace) {
    const QRect p = ui->pnlSeqStatus->geometry();
    const int32_t top0 = SeqRows[0].pnlSeq ? p.y() + SeqRows[0].pnlSeq->y() : p.y();
    TOverSeqsInput o{Cfg.KinetracePosn,
                     top0,
                     p.y() + ui->pnlLive->y(),
                     TRect{p.x(), p.y(), p.width(), p.height()},
                     p.x() + ui->lblSeqMidiActivity->x(),
                     p.x() + ui->lblSeqTracks->x(),
                     p.x() + ui->lblSeqProgs->x(),
                     p.x() + ui->lblSeqSVels->x(),
                     ui->centralwidget->height()};
    k = PlaceKinetraceOverSeqs(o);
  }
  ui->pnlKinetrace->setVisible(k.has_value() && !ui->pnlConfigOutPorts->isVisible());
  if (k) {
    ui->pnlKinetrace->setGeometry(k->Left, k->Top, k->Width, k->Height);
    ui->pnlKinetrace->raise();
  }
}

void TfrmMain::ApplyColourScheme() {
  if (SysColoursSaved && IsFirstInstance) {
    QApplication::setPalette(SysPaletteFromSettings(SavedPalette));
  } else if (Trace.DiagFlags) {
    Msgs.WarnMsg.Set(!IsFirstInstance ? "Only first instance of Vellorine can set system colours"
                                      : "Unable to set system colours");
  }
  const QPalette& sp = SavedPalette;
  auto col = [&sp](TColor c) { return ToQColor(c, sp); };
  SetBgColour(ui->centralwidget, col(Cfg.ClBgForm));
  SetBgColour(statusBar(), col(Cfg.ClBgStatusBar));
  SetFgColour(ui->lblvProgState, col(Cfg.ClTitleText));
  SetFgColour(ui->lblvKeyMode, col(Cfg.ClTitleText));
  SetFgColour(ui->lblvLastCmd, col(Cfg.ClTitleText));
  SetBgColour(ui->pnlSeqStatus, col(Cfg.ClPanelSeqStatus));
  SetFgColour(ui->lblSeqPartNos, col(Cfg.ClStSeqNo));
  SetFgColour(ui->lblSeqNos, col(Cfg.ClStSeqNo));
  for (QLabel* l : {ui->lblSeqPorts, ui->lblSeqChans, ui->lblSeqProgs, ui->lblSeqMuted, ui->lblSeqSVels,
                    ui->lblSeqTrans, ui->lblSeqPitches, ui->lblSeqScales, ui->lblSeqMidiActivity,
                    ui->lblSeqStates, ui->lblSeqLen, ui->lblSeqTDivs, ui->lblSeqTracks})
    SetFgColour(l, col(Cfg.ClText));
  SetBgColour(ui->grpControl, col(Cfg.ClPanelControl));
  SetBgColour(ui->grpMetr, col(Cfg.ClPanelMetr));
  SetBgColour(ui->grpClock, col(Cfg.ClPanelSync));
  SetBgColour(ui->grpPorts, col(Cfg.ClPanelPorts));
  SetBgColour(ui->pnlKinetrace, col(Cfg.ClPanelScope));
  if (!Cfg.DspKModeTitleColours) SetBgColour(ui->pnlTitle, col(Cfg.ClPanelTitle));
  const bool styles = Cfg.MetrModeStyles != 0;
  const bool drum = Cfg.MetrTypePitchLocked != 0;
  SetFgColour(ui->sbtnMetrTypePitchLocked, col(styles && drum ? Cfg.ClFgMetrDrum : Cfg.ClText));
  SetFgColour(ui->sbtnMetrTypePitched, col(styles && !drum ? Cfg.ClFgMetrBass : Cfg.ClText));
  for (int32_t s = 0; s < kSeqs; ++s)
    if (SeqRows[s].pnlSeq)
      SetBgColour(SeqRows[s].pnlSeq, col(s % 2 == 0 ? Cfg.ClPanelSeqOdd : Cfg.ClPanelSeqEven));
  SetBgColour(ui->pnlLive, col(Cfg.ClPanelLive));
}

void TfrmMain::SaveRestoreSysColours(bool save) {
  if (save) {
    SavedPalette = QApplication::palette();
    SysColoursSaved = true;
    return;
  }
  if (SysColoursSaved && IsFirstInstance) {
    QApplication::setPalette(SavedPalette);
  } else if (Trace.DiagFlags && !MainClosing) {
    Msgs.WarnMsg.Set(!IsFirstInstance ? "Only first instance of Vellorine can set system colours"
                                      : "Unable to set system colours");
  }
}

void TfrmMain::ShowWaitMessage(bool visible, const std::string& text) {
  QLabel* l = ui->lblWaitMessage;
  if (!visible) {
    l->hide();
    return;
  }
  l->setText(Q(text));
  l->adjustSize();
  const QRect p = ui->pnlSeqStatus->geometry();
  const TPoint at = WaitMessagePos(p.width(), p.height(), l->width(), l->height());
  l->move(p.x() + at.X, p.y() + at.Y);
  l->show();
  l->raise();
  l->repaint();
}

void TfrmMain::HideMainPanels(bool hide) {
  for (QWidget* w : {static_cast<QWidget*>(ui->pnlSeqStatus), static_cast<QWidget*>(ui->grpPorts),
                     static_cast<QWidget*>(ui->grpControl), static_cast<QWidget*>(ui->grpMetr),
                     static_cast<QWidget*>(ui->grpClock)})
    w->setVisible(!hide);
  ui->pnlKinetrace->setVisible(Cfg.DspKinetrace && !hide);
  if (hide) {
    ui->pnlConfigInPorts->hide();
    ui->pnlConfigOutPorts->hide();
  }
}

void TfrmMain::ApplyProgState(int state) {
  TProgStateInputs in = CurrentProgStateInputs();
  in.InPort1NameVisible = ui->lblvInPort1Name->isVisible();
  in.AuxInPortReqdChecked = ui->chkAuxInPortReqd->isChecked();
  const TProgStateView view = ProgStateControls(TProgState(state), in);
  if (!view.Valid) return;
  for (const auto& [name, st] : view.Controls) {
    const QString n = Q(name);
    if (QMenu* m = findChild<QMenu*>(n)) {
      if (st.Enabled) m->menuAction()->setEnabled(*st.Enabled);
      if (st.Shown) m->menuAction()->setVisible(*st.Shown);
      if (st.Caption) m->setTitle(Q(*st.Caption));
    } else if (QAction* a = findChild<QAction*>(n)) {
      if (st.Enabled) a->setEnabled(*st.Enabled);
      if (st.Shown) a->setVisible(*st.Shown);
      if (st.Caption) a->setText(Q(*st.Caption));
      if (st.Hint) a->setStatusTip(Q(*st.Hint));
    } else if (QWidget* w = findChild<QWidget*>(n)) {
      if (st.Shown) w->setVisible(*st.Shown);
      if (st.Enabled) w->setEnabled(*st.Enabled);
      if (st.Hint) w->setStatusTip(Q(*st.Hint));
      if (st.Caption) {
        if (auto* l = qobject_cast<QLabel*>(w)) l->setText(Q(*st.Caption));
        if (auto* b = qobject_cast<QAbstractButton*>(w)) b->setText(Q(*st.Caption));
      }
      if (st.Text) {
        if (auto* c = qobject_cast<QComboBox*>(w)) {
          const QSignalBlocker block(c);
          c->setCurrentIndex(st.Text->empty() ? -1 : c->findText(Q(*st.Text)));
        }
      }
    }
  }
  if (view.HideWaitMessage) ShowWaitMessage(false, "");
  if (view.WaitMessage) ShowWaitMessage(true, *view.WaitMessage);
  ui->lblvProgState->setText(ProgStateText(TProgState(state)));
}

void TfrmMain::closeEvent(QCloseEvent* event) {
  if (closeAccepted_ || !started_) {
    event->accept();
    return;
  }
  // FormCloseQuery: an open port panel closes first, and only that.
  if (ui->pnlConfigInPorts->isVisible() || ui->pnlConfigOutPorts->isVisible()) {
    ClosePortPanel();
    event->ignore();
    return;
  }
  bool seqPlaying = false;
  {
    std::lock_guard lock(EngineLock);
    seqPlaying = !NoSeqPlaying();
  }
  if (ShowMessage(CloseQuestionText(seqPlaying), MsgKind::Confirmation, MsgButtons::YesNo) !=
      MsgAnswer::Yes) {
    event->ignore();
    return;
  }
  ShutDownTidily();
  closeAccepted_ = true;
  FormClose();
  event->accept();
}

void TfrmMain::ShutDownTidily() {
  // The auto-run must not start the engine again once closing has begun.
  tmAutoRun->stop();
  ShowWaitMessage(true, kWaitClosingDown);
  CloseAllPorts();
  auto wait = [] {
    for (int32_t pass = 0; pass < 10; ++pass) {
      if (RunCtl.ProgState.load() == TProgState::Config) return true;
      if (pass == 0 && Trace.DiagFlags) DiagLogTimed("Stopping...");
      if (TimerIo.Sleep) {
        TimerIo.Sleep(100);
      } else {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
      }
      Ui().ProcessEvents();
    }
    return RunCtl.ProgState.load() == TProgState::Config;
  };
  if (wait()) return;
  ShowWaitMessage(true, kWaitClosingDown);
  if (ShowMessage(
          "Still trying to shut down tidily\r\nDo you want to wait a bit longer?\r\n\r\n"
          "Answer 'no' to terminate immediately\r\nIf there are any side-effects, you may need to reboot",
          MsgKind::Confirmation, MsgButtons::YesNo) == MsgAnswer::Yes &&
      !wait())
    ShowMessage(
        "Unable to shutdown cleanly, so terminating now\r\nIf there are any side-effects, you may need to "
        "reboot",
        MsgKind::Information);
}

void TfrmMain::FormClose() {
  ShowWaitMessage(true, kWaitClosingDown);
  MainClosing = true;
  HandleDynamicControls(false);
  SaveRestoreSysColours(false);
}

void TfrmMain::resizeEvent(QResizeEvent* event) {
  QMainWindow::resizeEvent(event);
  if (!MainClosing && started_ && SeqRows[0].pnlSeq) PlaceGroupBoxes();
}

}  // namespace vel
