#include "mainwindow/forms/Main.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QFileInfo>
#include <QFrame>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QMouseEvent>
#include <QScreen>
#include <QSpinBox>
#include <QStatusBar>
#include <QStyle>
#include <QStyleOptionComboBox>
#include <QTimer>
#include <QToolButton>
#include <QWindow>
#include <algorithm>
#include <chrono>
#include <exception>
#include <thread>

#include "base/DiagLog.h"
#include "base/Messages.h"
#include "base/Showing.h"
#include "base/UiHooks.h"
#include "engine/LivePath.h"
#include "engine/PartBufs.h"
#include "engine/ProgStateTable.h"
#include "engine/RunControl.h"
#include "files/MidiFile.h"
#include "keys/KeyArgs.h"
#include "mainwindow/Caption.h"
#include "mainwindow/CommandLine.h"
#include "mainwindow/ControlRules.h"
#include "mainwindow/FileMenus.h"
#include "mainwindow/Hints.h"
#include "mainwindow/InstanceLocks.h"
#include "mainwindow/MainCombos.h"
#include "mainwindow/Refresh.h"
#include "mainwindow/SeqControls.h"
#include "mainwindow/forms/Colours.h"
#include "mainwindow/forms/QtText.h"
#include "mainwindow/forms/QtUiHooks.h"
#include "mainwindow/forms/ScreenPlace.h"
#include "mainwindow/forms/SeqLane.h"
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

// The metrics of the rows' font, taken once per layout: a font per measured text costs more than
// the rest of the layout.
QFontMetrics RowMetrics(const QWidget* w) {
  QFont f = w->font();
  f.setPointSize(kRowFontSize);
  return QFontMetrics(f);
}

int32_t TextWidth(const QFontMetrics& fm, const char* sample) {
  return fm.horizontalAdvance(QString::fromUtf8(sample));
}

// A combo's width for a sample value: the text and the arrow's room.
int32_t ComboWidth(const QFontMetrics& fm, const char* sample) {
  return TextWidth(fm, sample) + 30;
}

// The width the program or port lists and labels need: the widest item of the list, a sweep's
// mark before it (numbers alone show bold), and for the list its frame and arrow.
struct TListWidths {
  int32_t Label = 0;
  int32_t Combo = 0;
  int32_t Wider() const { return std::max(Label, Combo); }
};
TListWidths ListWidths(const QComboBox* list, bool numbersOnly) {
  QFont font = list->font();
  font.setPointSize(kRowFontSize);
  font.setBold(numbersOnly);
  const QFontMetrics fm(font);
  int32_t text = 0;
  for (int i = 0; i < list->count(); ++i)
    text = std::max<int32_t>(text, fm.horizontalAdvance(list->itemText(i)));
  QStyleOptionComboBox opt;
  opt.initFrom(list);
  opt.editable = false;
  opt.frame = list->hasFrame();
  const QSize box =
      list->style()->sizeFromContents(QStyle::CT_ComboBox, &opt, QSize(text, fm.height()), list);
  return {text + fm.horizontalAdvance(QStringLiteral(">")), box.width()};
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

// One row's height in a list, measured on a stand-in row while the list is empty.
int32_t ListRowHeight(QListWidget* list) {
  if (list->count() > 0) return list->sizeHintForRow(0);
  const QSignalBlocker block(list);
  list->addItem(QStringLiteral("P9- Port"));
  const int32_t h = list->sizeHintForRow(0);
  delete list->takeItem(0);
  return h;
}

// The output ports' clock and sync boxes beside their rows of the port list.
void PlacePortBoxes(Ui::frmMain& ui, const std::array<QCheckBox*, kPorts>& clocks,
                    const std::array<QCheckBox*, kPorts>& sync) {
  QListWidget* list = ui.lstOutPNames;
  TPortBoxInput in;
  in.ListLeft = list->x();
  in.ListTop = list->y();
  in.ListWidth = list->width();
  in.FrameWidth = list->frameWidth();
  in.RowHeight = ListRowHeight(list);
  // A box fills its row's band; its indicator centres in it.
  in.BoxSize = in.RowHeight;
  in.HeadingHeight = ui.lblMidiOutClocks->height();
  in.StandardMode = Cfg.StandardMode != 0;
  const TPortBoxPlaces o = PlacePortSyncBoxes(in);
  for (QListWidget* l : {ui.lstOutDNames, ui.lstOutPNames}) l->resize(l->width(), o.ListHeight);
  ui.lblMidiOutClocks->move(o.ClocksLeft, o.HeadingTop);
  ui.lblMidiOutSync->move(o.SyncLeft, o.HeadingTop);
  ui.lblMidiOutClocks->setVisible(o.Visible);
  ui.lblMidiOutSync->setVisible(o.Visible);
  for (int32_t p = 0; p < kPorts; ++p) {
    if (!clocks[p] || !sync[p]) continue;
    const int32_t w = clocks[p]->sizeHint().width();
    clocks[p]->setGeometry(o.ClocksLeft, o.Top[p], w, in.BoxSize);
    sync[p]->setGeometry(o.SyncLeft, o.Top[p], w, in.BoxSize);
    // The port panel shows the boxes of the allocated ports; novice mode shows none.
    if (!o.Visible) {
      clocks[p]->hide();
      sync[p]->hide();
    }
  }
}

// Every caption, label and button of the four groups; the load lights and the metronome's
// direction marks are coloured by their displays, the metronome type and style by ColourMetronomeType.
void ColourGroupControls(Ui::frmMain& ui, const QColor& text) {
  const QWidget* ownColours[] = {ui.lblvMidiInLimit,         ui.lblvDspMetrLimit,    ui.lblvDspStatusLimit,
                                 ui.lblvDspDiagLimit,        ui.lblvMetrL,           ui.lblvMetrR,
                                 ui.sbtnMetrTypePitchLocked, ui.sbtnMetrTypePitched, ui.lblvMetrStyleName,
                                 ui.lblvMetrStylePatNo};
  for (QWidget* grp : {static_cast<QWidget*>(ui.grpControl), static_cast<QWidget*>(ui.grpMetr),
                       static_cast<QWidget*>(ui.grpClock), static_cast<QWidget*>(ui.grpPorts)}) {
    SetFgColour(grp, text);
    for (QWidget* w : grp->findChildren<QWidget*>()) {
      if (std::find(std::begin(ownColours), std::end(ownColours), w) != std::end(ownColours)) continue;
      if (qobject_cast<QLabel*>(w) || qobject_cast<QAbstractButton*>(w)) SetFgColour(w, text);
    }
  }
}

// The metronome type in its style colour while styles play; the style labels in the type's.
// The metronome's mode and type are switched from the keyboard too: read under the lock.
void ColourMetronomeType(Ui::frmMain& ui, const QColor& text, const QPalette& palette) {
  const auto [drum, styles] = MetrTypeNow();
  SetFgColour(ui.sbtnMetrTypePitchLocked, styles && drum ? ToQColor(Cfg.ClFgMetrDrum, palette) : text);
  SetFgColour(ui.sbtnMetrTypePitched, styles && !drum ? ToQColor(Cfg.ClFgMetrBass, palette) : text);
  const QColor styleColour = ToQColor(drum ? Cfg.ClFgMetrDrum : Cfg.ClFgMetrBass, palette);
  SetFgColour(ui.lblvMetrStyleName, styleColour);
  SetFgColour(ui.lblvMetrStylePatNo, styleColour);
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

void TfrmMain::FormCreate() {
  MainClosing = false;
  std::string errorText;
  Trace.DiagFlags = 0;
  Showing.SampleAidShowing = 0;
  Showing.KeyMapperShowing = 0;
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

  WireAreas();
  try {
    StartUp();
  } catch (const std::exception& e) {
    CriticalErrorClose(std::string(e.what()) +
                       "\r\n\r\nPlease report this error with what you were doing when it happened.\r\n"
                       "Include your config file and diagnostics log if possible");
  }
}

// The folders, the command line, the initial values, the trace switches and the seq and port
// defaults.
namespace {

void StartUpTraceSwitches() {
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
}

}  // namespace

void TfrmMain::SetStartUpValues() {
  // Folders.
  RunCtl.UserProfileFolder = UserProfileFolder();
  RunCtl.AppDataFolder = SettingsFolder();
  dataFolder_ = RunCtl.AppDataFolder + "/";
  progFolder_ = QCoreApplication::applicationDirPath().toStdString();
  InitFolderDefaults();
  RunCtl.ParamStrs.clear();
  for (const QString& a : QCoreApplication::arguments()) RunCtl.ParamStrs.push_back(a.toStdString());

  // Initial values.
  Cfg.AutoHints = 1;
  RunCtl.LastLoggedState.clear();
  RunCtl.StopRunningBusy = 0;
  Msgs.StatusAlertPending = 0;
  Msgs.StatusAlertText.Clear();
  Seqs.SeqGridRedraw = 0;
  Args.CalibratePending = 0;
  Showing.TemplateShowing = 0;
  Cfg.MaxActiveSeqs = kSeqs - 1;
  Cfg.TarloOn = 0;
  ui->btnRenameInPortDone->resize(0, 0);
  ui->btnRenameOutPortDone->resize(0, 0);
  SetMenuShortCuts();
  ui->mnuToolsTest->setVisible(false);
  for (QLabel* l : {ui->lblvMidiInLimit, ui->lblvDspMetrLimit, ui->lblvDspStatusLimit, ui->lblvDspDiagLimit})
    l->setEnabled(false);

  StartUpTraceSwitches();
  StartUpRouting();

  for (QSpinBox* ud : {ui->udInPort0Oct, ui->udInPort1Oct}) {
    const QSignalBlocker block(ud);
    ud->setRange(-9, 9);
    ud->setSingleStep(1);
    ud->setValue(0);
  }
}

void TfrmMain::StartUp() {
  SetStartUpValues();
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
      ChooseConfig(cl, dataFolder_, [](const std::string& path) { return QFileInfo(Q(path)).isFile(); });
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
  RestorePlace();
  StartAutoRunOrConfig(ok);
}

// A good settings load with an output port runs after a second; anything else ends in Config.
void TfrmMain::StartAutoRunOrConfig(bool ok) {
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

void TfrmMain::tmAutoRunTimer() {
  tmAutoRun->stop();
  SetProgState(RunCtl.ProgState.load());
  ShowWaitMessage(false, "");
  // Started meanwhile by other means (or closing): a second start would leave a second engine timer.
  if (RunCtl.ProgState.load() != TProgState::Config || MainClosing) return;
  LoadMidiFileNow();
  StartRunning();
  if (Cfg.AutoRunReadyBeep) QApplication::beep();
}

bool TfrmMain::LoadConfigAndApply(bool factory, bool autoRun, bool& ok) {
  SetProgState(TProgState::Initialising);
  bool result = false;
  {
    const TBusyCursor busy;
    // Taken before the ports close: a file that is refused changes no port, it asks for these.
    const TPortRequest inForce = PortsInForce();
    ResetPortChanTables();
    // Every port closed and the devices listed afresh, tables and lists both: the refresh re-finds
    // the saved ports by name in those lists.
    RescanDevices(false);
    RescanDevices(true);
    LoadDrumFactory();
    LoadBassFactory();
    result = LoadConfig(factory, autoRun, CfgFull, ok);
    if (!factory && !ok) RequestPorts(inForce);
    if (result) {
      // A new configuration starts with empty parts. Only the events go: the seqs' velocity, mute,
      // scale and pitch lock were just loaded into the parts, and a full reset would lose them.
      ClearAllPartEvents();
      // The whole program follows the settings: ports re-found by their names, the engine reset,
      // the controls filled and set.
      RefreshWholeProgram();
    }
  }
  SetProgState(TProgState::Config);
  // The window stays where it is; the loaded place would be saved for a place it is not at.
  StoreSavedPlace(this);
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
  SelectIndex(ui->cboTarloSysexDevId, combos.TarloSysexDevId.ItemIndex);
  for (const TSeqRow& r : seqRows_) {
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
    const TSeqRow& r = seqRows_[s];
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
  // The boxes take the caption as their title from the display name. The window system appends
  // the display name to a title that does not end with it: the name first, so the title is the
  // caption alone.
  QApplication::setApplicationDisplayName(caption);
  setWindowTitle(caption);
  // The window system wrote the old name after the other windows' titles ("Virtual keyboard &
  // template - Vellorine SeqDefaults" after a settings reset): give them their titles again.
  for (QWidget* w : QApplication::topLevelWidgets())
    if (w != this && w->windowHandle() && !w->windowTitle().isEmpty())
      w->windowHandle()->setTitle(w->windowTitle());
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
  for (QLabel* l : {ui->lblvInPort0Name, ui->lblvInPort1Name}) l->resize(104, l->height());
  // "See individual seqs" has the row to itself.
  ui->lblvOutPort0Name->resize(200, ui->lblvOutPort0Name->height());
  // Both port panels show at once: inputs over the seq area, outputs over the group boxes.
  ui->pnlConfigInPorts->setGeometry(ui->pnlSeqStatus->geometry());
  ui->pnlConfigOutPorts->setGeometry(ui->pnlSeqStatus->x(), ui->grpControl->y(), ui->pnlSeqStatus->width(),
                                     ui->grpControl->height());
  PlacePortBoxes(*ui, chkMidiOutClocks, chkMidiOutSync);
  ui->lblvMetrL->move(160, ui->lblvMetrL->y());
  ui->lblvMetrR->move(167, ui->lblvMetrR->y());
  ui->lblWaitMessage->raise();
  // The window starts in the middle of the screen; on a screen too small for it, at its top left,
  // so that the title bar stays reachable.
  if (const QScreen* screen = QGuiApplication::primaryScreen()) {
    const QRect avail = screen->availableGeometry();
    QRect r = frameGeometry();
    r.moveCenter(avail.center());
    move(std::max(r.left(), avail.left()), std::max(r.top(), avail.top()));
  }
}

namespace {

// One seq's row panel and its controls, children of the panel.
void MakeSeqRow(QWidget* parent, int32_t s, const QPalette* palette, TSeqRow& r) {
  r.pnlSeq = new QFrame(parent);
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
  r.SeqLane = new TSeqLane(p, palette);
  r.SeqLane->setObjectName(QString("shpSeqLane%1").arg(s));
  r.SeqLane->lower();  // under the time-shift mark at its start
  r.shpSeqMidiActivity = MakeRowControl<QFrame>(p, "shpSeqMidiActivity", s);
  r.shpSeqMidiActivity->setFrameShape(QFrame::Box);
  r.lblSeqNo->setText(QString::number(s + 1));
}

// One lambda per control, each calling the family's procedure with its seq.
void WireSeqRow(QObject* context, const TSeqRow& r, int32_t s) {
  auto call = [](const std::function<void(int32_t)>& f, int32_t n) {
    if (f) f(n);
  };
  QObject::connect(r.chkSeqMuted, &QCheckBox::clicked, context,
                   [s, call] { call(SeqHandlers.SeqMutedClick, s); });
  QObject::connect(r.chkSeqPitchLock, &QCheckBox::clicked, context,
                   [s, call] { call(SeqHandlers.SeqPitchLockClick, s); });
  QObject::connect(r.cboSeqProg, &QComboBox::activated, context,
                   [s, call] { call(SeqHandlers.SeqProgChange, s); });
  QObject::connect(r.cboSeqPartNo, &QComboBox::activated, context,
                   [s, call] { call(SeqHandlers.SeqPartNoChange, s); });
  QObject::connect(r.cboSeqChan, &QComboBox::activated, context,
                   [s, call] { call(SeqHandlers.SeqChanChange, s); });
  QObject::connect(r.cboSeqSVel, &QComboBox::activated, context,
                   [s, call] { call(SeqHandlers.SeqSVelChange, s); });
  QObject::connect(r.cboSeqPort, &QComboBox::activated, context,
                   [s, call] { call(SeqHandlers.SeqOutPortChange, s); });
  OnClick(r.lblSeqNo, [s, call] { call(SeqHandlers.SeqNoClick, s); });
  OnClick(r.lblSeqPartNo, [s, call] { call(SeqHandlers.SeqNoClick, s); });
}

// The output ports' clock and sync boxes, placed beside the port list by the layout.
void MakePortBoxes(QWidget* parent, QObject* context, std::array<QCheckBox*, kPorts>& clocks,
                   std::array<QCheckBox*, kPorts>& sync) {
  for (int32_t p = 0; p < kPorts; ++p) {
    auto* clk = new QCheckBox(parent);
    clk->setObjectName(QString("chkMidiOutClocks%1").arg(p));
    clk->hide();
    auto* syn = new QCheckBox(parent);
    syn->setObjectName(QString("chkMidiOutSync%1").arg(p));
    syn->hide();
    clocks[p] = clk;
    sync[p] = syn;
    QObject::connect(clk, &QCheckBox::clicked, context, [p] {
      if (SeqHandlers.MidiOutClocksClick) SeqHandlers.MidiOutClocksClick(p);
    });
    QObject::connect(syn, &QCheckBox::clicked, context, [p] {
      if (SeqHandlers.MidiOutSyncClick) SeqHandlers.MidiOutSyncClick(p);
    });
  }
}

}  // namespace

void TfrmMain::HandleDynamicControls(bool create) {
  if (!create) {
    for (TSeqRow& r : seqRows_) {
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
    MakeSeqRow(ui->pnlSeqStatus, s, &sysPalette_, seqRows_[s]);
    WireSeqRow(this, seqRows_[s], s);
  }
  MakePortBoxes(ui->pnlConfigOutPorts, this, chkMidiOutClocks, chkMidiOutSync);
}

namespace {

// The rows' value widths, measured once per layout on the rows' font: the rows and the live row
// share them.
struct TRowWidths {
  int32_t Digit, Len, TDiv, State, PartLabel, ChanLabel, SVelLabel, Trans, Pitch, Scale, Mark;
  int32_t Combo9, Combo99;
};

TRowWidths MeasureRowWidths(const QFontMetrics& fm, bool anyMChan) {
  TRowWidths w{};
  w.Digit = TextWidth(fm, "9"), w.Len = TextWidth(fm, "999:99/99"), w.TDiv = TextWidth(fm, "1/99");
  w.State = TextWidth(fm, "m:99"), w.PartLabel = TextWidth(fm, "99.9->");
  w.ChanLabel = TextWidth(fm, anyMChan ? "*^99" : "^99"), w.SVelLabel = TextWidth(fm, "^9");
  w.Trans = TextWidth(fm, "+999"), w.Pitch = TextWidth(fm, "+999:99");
  w.Scale = TextWidth(fm, "C#13+11(9)"), w.Mark = TextWidth(fm, ">");
  w.Combo9 = ComboWidth(fm, "9"), w.Combo99 = ComboWidth(fm, "99");
  return w;
}

// A column is as wide as its heading or the widest control under it, whichever is wider.
TColumnInput ColumnInput(Ui::frmMain& ui, const TRowWidths& rw, bool anyMChan) {
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
  in.PartNosW = std::max(w(ui.lblSeqPartNos), rw.Combo9);
  in.PortsW = w(ui.lblSeqPorts);
  in.ChansW = std::max(w(ui.lblSeqChans), rw.Combo99);
  in.ProgsW = w(ui.lblSeqProgs), in.MutedW = std::max(w(ui.lblSeqMuted), 20);
  in.SVelsW = std::max(w(ui.lblSeqSVels), rw.Combo9);
  in.ScalesW = std::max(w(ui.lblSeqScales), rw.Scale);
  in.TransW = std::max(w(ui.lblSeqTrans), rw.Trans);
  in.PitchesW = std::max(w(ui.lblSeqPitches), rw.Pitch + kLockBoxWidth);
  in.MidiActivityW = w(ui.lblSeqMidiActivity), in.SeqNosW = w(ui.lblSeqNos);
  in.StatesW = w(ui.lblSeqStates), in.LenW = w(ui.lblSeqLen), in.TDivsW = w(ui.lblSeqTDivs);
  in.TracksW = w(ui.lblSeqTracks);
  in.SeqStatusWidth = ui.pnlSeqStatus->width();
  // The rows' lists hold the same items as the live row's.
  in.ProgCtlW = ListWidths(ui.cboLiveProgs, Cfg.DspProgNames == 0).Wider();
  in.PortCtlW = ListWidths(ui.cboLivePorts, Cfg.DspPortNames == 0).Wider();
  return in;
}

void PlaceHeadings(Ui::frmMain& ui, const TColumnLayout& c, const TProgStateView& state, int32_t headTop) {
  auto place = [&](QLabel* l, const TColumn& col) {
    l->move(col.Left, headTop);
    // A heading the program state hides (the mute column's while running) stays hidden.
    const auto st = state.Controls.find(l->objectName().toStdString());
    l->setVisible(col.Visible && (st == state.Controls.end() || st->second.Shown.value_or(true)));
  };
  const std::pair<QLabel*, const TColumn*> headings[] = {
      {ui.lblSeqPartNos, &c.PartNos}, {ui.lblSeqPorts, &c.Ports},
      {ui.lblSeqChans, &c.Chans},     {ui.lblSeqProgs, &c.Progs},
      {ui.lblSeqMuted, &c.Muted},     {ui.lblSeqSVels, &c.SVels},
      {ui.lblSeqScales, &c.Scales},   {ui.lblSeqTrans, &c.Trans},
      {ui.lblSeqPitches, &c.Pitches}, {ui.lblSeqMidiActivity, &c.MidiActivity},
      {ui.lblSeqNos, &c.SeqNos},      {ui.lblSeqStates, &c.States},
      {ui.lblSeqLen, &c.Len},         {ui.lblSeqTDivs, &c.TDivs},
      {ui.lblSeqTracks, &c.Tracks},
  };
  for (const auto& [label, column] : headings) place(label, *column);
}

// A seq row's panel and each control under its heading: the heading's left shifted into the row.
// Whether a control shows follows the program state as well (ApplySeqRowStates).
void PlaceSeqRow(TSeqRow& r, int32_t s, int32_t headBottom, const TColumnLayout& c, const TRowWidths& w) {
  const bool inUse = s <= Cfg.MaxActiveSeqs;
  r.pnlSeq->setGeometry(4, SeqRowTop(headBottom, s), c.SeqPanelWidth, kRowHeight);
  r.pnlSeq->setVisible(inUse);
  auto put = [&](QWidget* ctl, const TColumn& col, int32_t width, int32_t dx = 0) {
    ctl->setGeometry(col.Left - 4 + dx, 2, width, kRowHeight - 4);
  };
  put(r.lblSeqLen, c.Len, w.Len);
  put(r.lblSeqTDiv, c.TDivs, w.TDiv);
  put(r.lblSeqNo, c.SeqNos, w.Digit + 4);
  put(r.lblSeqState, c.States, w.State);
  put(r.cboSeqPartNo, c.PartNos, w.Combo9);
  put(r.lblSeqPartNo, c.PartNos, w.PartLabel);
  put(r.cboSeqChan, c.Chans, w.Combo99);
  put(r.lblSeqChan, c.Chans, w.ChanLabel);
  put(r.cboSeqSVel, c.SVels, w.Combo9);
  put(r.lblSeqSVel, c.SVels, w.SVelLabel);
  put(r.chkSeqMuted, c.Muted, 20);
  put(r.chkSeqPitchLock, c.Pitches, kLockBoxWidth);
  put(r.lblSeqTrans, c.Trans, w.Trans);
  put(r.lblSeqPitch, c.Pitches, w.Pitch, kLockBoxWidth);
  put(r.lblSeqScale, c.Scales, w.Scale);
  put(r.cboSeqProg, c.Progs, c.ProgWidth);
  put(r.lblSeqProg, c.Progs, c.ProgWidth);
  put(r.cboSeqPort, c.Ports, c.PortWidth);
  put(r.lblSeqPort, c.Ports, c.PortWidth);
  const int32_t laneTop = (kRowHeight - 8) / 2;
  r.lblSeqTimeShift->setGeometry(c.SeqLaneLeft - 4, 2, w.Mark, kRowHeight - 4);
  r.lblSeqTimeShift->setVisible(inUse);
  r.lblSeqNumPosn->setGeometry(c.SeqLaneLeft - 4, 2, w.Len, kRowHeight - 4);
  r.lblSeqNumPosn->hide();
  // The lane reaches to the row's end: a marker may stand a little past the longest bar.
  r.SeqLane->setGeometry(c.SeqLaneLeft - 4, (kRowHeight - TSeqLane::kHeight) / 2, c.SeqLaneWidth + 8,
                         TSeqLane::kHeight);
  r.SeqLane->setVisible(inUse);
  r.shpSeqMidiActivity->setGeometry(c.MidiActivity.Left - 4, laneTop, 10, 10);
}

// The live row's values stand under the same headings as the seqs' (their visibility follows
// the program state).
void PlaceLiveRow(Ui::frmMain& ui, const TColumnLayout& c, const TRowWidths& w) {
  auto under = [](QWidget* wd, const TColumn& col, int32_t width, int32_t dx = 0) {
    wd->setGeometry(col.Left - 4 + dx, wd->y(), width, wd->height());
  };
  under(ui.cboLivePorts, c.Ports, c.PortWidth);
  under(ui.lblvLivePort, c.Ports, c.PortWidth);
  under(ui.cboLiveChans, c.Chans, w.Combo99);
  under(ui.lblvLiveChan, c.Chans, w.ChanLabel);
  under(ui.cboLiveProgs, c.Progs, c.ProgWidth);
  under(ui.lblvLiveProg, c.Progs, c.ProgWidth);
  under(ui.cboLiveSVels, c.SVels, w.Combo9);
  under(ui.lblvLiveSVel, c.SVels, w.SVelLabel);
  under(ui.lblvLiveScale, c.Scales, w.Scale);
  under(ui.lblvLiveTrans, c.Trans, w.Trans);
  under(ui.chkLivePLocked, c.Pitches, ui.chkLivePLocked->sizeHint().width());
  under(ui.lblvLivePitch, c.Pitches, w.Pitch, kLockBoxWidth);
  under(ui.shpLiveMidiActivity, c.MidiActivity, 10);
  under(ui.lblActiveSeqs, c.SeqNos, ui.lblActiveSeqs->width());
  under(ui.cboMaxActiveSeqs, c.SeqNos, ui.cboMaxActiveSeqs->width(), ui.lblActiveSeqs->width() + 4);
  under(ui.lblvLiveTDiv, c.TDivs, w.TDiv);
}

}  // namespace

void TfrmMain::LayoutSeqStatusColumns() {
  bool anyMChan = false;
  for (int32_t p = 0; p <= RunCtl.OutPortsAllocated && p < kPorts; ++p) anyMChan |= Cfg.MChanEnabled[p] != 0;
  const TRowWidths widths = MeasureRowWidths(RowMetrics(ui->cboLiveSVels), anyMChan);
  columns_ = vel::LayoutSeqStatusColumns(ColumnInput(*ui, widths, anyMChan));
  const TColumnLayout& c = columns_;

  const int32_t headTop = 4;
  const TProgStateView state = ProgStateControls(RunCtl.ProgState.load(), ProgStateInputsNow());
  PlaceHeadings(*ui, c, state, headTop);
  const int32_t headBottom = headTop + ui->lblSeqTracks->height();
  for (int32_t s = 0; s < kSeqs; ++s)
    if (seqRows_[s].pnlSeq) PlaceSeqRow(seqRows_[s], s, headBottom, c, widths);
  ApplySeqRowStates(state);
  PlaceLiveRow(*ui, c, widths);

  PlacePortBoxes(*ui, chkMidiOutClocks, chkMidiOutSync);
  LayoutSeqStatusWidths();
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
  SetKinetraceBounds();
}

void TfrmMain::ApplyColourScheme() {
  const bool setSys = SysColoursSaved && IsFirstInstance;
  if (setSys) {
    // Every widget repaints on a new application palette: only when it differs.
    const QPalette p = SysPaletteFromSettings(savedPalette_);
    if (p != QApplication::palette()) QApplication::setPalette(p);
  } else if (Trace.DiagFlags) {
    Msgs.WarnMsg.Set(!IsFirstInstance ? "Only first instance of Vellorine can set system colours"
                                      : "Unable to set system colours");
  }
  // The window's own colours that name a system colour follow the one now in force.
  sysPalette_ = QApplication::palette();
  const QPalette bar = setSys ? MenuBarPalette(sysPalette_) : sysPalette_;
  if (menuBar()->palette() != bar) menuBar()->setPalette(bar);
  const QPalette& sp = sysPalette_;
  auto col = [&sp](TColor c) { return ToQColor(c, sp); };
  const QColor text = col(Cfg.ClText);
  SetBgColour(ui->centralwidget, col(Cfg.ClBgForm));
  SetBgColour(statusBar(), col(Cfg.ClBgStatusBar));
  for (QLabel* l : ui->pnlTitle->findChildren<QLabel*>()) SetFgColour(l, col(Cfg.ClTitleText));
  SetBgColour(ui->pnlSeqStatus, col(Cfg.ClPanelSeqStatus));
  SetFgColour(ui->lblSeqPartNos, col(Cfg.ClStSeqNo));
  SetFgColour(ui->lblSeqNos, col(Cfg.ClStSeqNo));
  for (QLabel* l :
       {ui->lblSeqPorts,   ui->lblSeqChans,   ui->lblSeqProgs,  ui->lblSeqMuted,        ui->lblSeqSVels,
        ui->lblSeqTrans,   ui->lblSeqPitches, ui->lblSeqScales, ui->lblSeqMidiActivity, ui->lblSeqStates,
        ui->lblSeqLen,     ui->lblSeqTDivs,   ui->lblSeqTracks, ui->lblvLiveChan,       ui->lblvLiveProg,
        ui->lblvLiveSVel,  ui->lblvLiveScale, ui->lblvLiveTDiv, ui->lblLive1,           ui->lblLive2,
        ui->lblActiveSeqs, ui->lblvLivePort,  ui->lblIntScene,  ui->lblvIntScene,       ui->lblExtScene,
        ui->lblvExtScene})
    SetFgColour(l, text);
  ColourGroupControls(*ui, text);
  SetFgColour(ui->pnlKinetrace, text);
  SetFgColour(ui->cboInPort0FilterChan, text);
  SetFgColour(ui->cboInPort1FilterChan, text);
  SetBgColour(ui->grpControl, col(Cfg.ClPanelControl));
  ColourMetronomeType(*ui, text, sysPalette_);
  SetBgColour(ui->grpMetr, col(Cfg.ClPanelMetr));
  SetBgColour(ui->grpClock, col(Cfg.ClPanelSync));
  SetBgColour(ui->grpPorts, col(Cfg.ClPanelPorts));
  SetBgColour(ui->pnlKinetrace, col(Cfg.ClPanelScope));
  if (!Cfg.DspKModeTitleColours) SetBgColour(ui->pnlTitle, col(Cfg.ClPanelTitle));
  // Seq rows alternate from the top: the first (shown as 1) takes the odd colour.
  for (int32_t s = 0; s < kSeqs; ++s)
    if (seqRows_[s].pnlSeq)
      SetBgColour(seqRows_[s].pnlSeq, col(s % 2 == 0 ? Cfg.ClPanelSeqOdd : Cfg.ClPanelSeqEven));
  SetBgColour(ui->pnlLive, col(Cfg.ClPanelLive));
  // As after a resize: the lanes are drawn again in the new colours.
  if (!MainClosing && seqRows_[0].pnlSeq) {
    LayoutSeqStatusWidths();
    LayoutSeqStatusColumns();
  }
  RaiseTopic(TTopic::LiveKey);
  PublishTopic(TTopic::KeyColours);
  PublishTopic(TTopic::KeyLabels);
  PublishTopic(TTopic::MetrMode);
}

void TfrmMain::SaveRestoreSysColours(bool save) {
  if (save) {
    sysPalette_ = savedPalette_ = QApplication::palette();
    SysColoursSaved = true;
    return;
  }
  if (SysColoursSaved && IsFirstInstance) {
    QApplication::setPalette(savedPalette_);
    sysPalette_ = savedPalette_;
  } else if (Trace.DiagFlags && !MainClosing) {
    Msgs.WarnMsg.Set(!IsFirstInstance ? "Only first instance of Vellorine can set system colours"
                                      : "Unable to set system colours");
  }
}

void TfrmMain::ShowTarloControls(bool visible) {
  for (QWidget* w : {static_cast<QWidget*>(ui->cboTarloPNo), static_cast<QWidget*>(ui->cboTarloSysexDevId),
                     static_cast<QWidget*>(ui->lblTarloDevId), static_cast<QWidget*>(ui->lblTarlo)})
    w->setVisible(visible);
}

void TfrmMain::LayoutSeqStatusWidths() {
  const TSeqWidths w = vel::LayoutSeqStatusWidths(ui->centralwidget->width(), columns_.SeqLaneLeft);
  columns_.SeqPanelWidth = w.SeqPanelWidth;
  columns_.SeqLaneWidth = w.SeqLaneWidth;
  for (QWidget* panel :
       {static_cast<QWidget*>(ui->pnlTitle), static_cast<QWidget*>(ui->pnlSeqStatus),
        static_cast<QWidget*>(ui->pnlConfigInPorts), static_cast<QWidget*>(ui->pnlConfigOutPorts)})
    panel->resize(w.SeqStatusWidth, panel->height());
  ui->pnlLive->resize(w.SeqPanelWidth, ui->pnlLive->height());
  for (int32_t s = 0; s <= Cfg.MaxActiveSeqs && s < kSeqs; ++s)
    if (seqRows_[s].pnlSeq) seqRows_[s].pnlSeq->resize(w.SeqPanelWidth, seqRows_[s].pnlSeq->height());
  // The lanes are drawn again to the new width.
  RequestSeqGridRedraw();
}

void TfrmMain::ShowWaitMessage(bool visible, const std::string& text) {
  QLabel* l = ui->lblWaitMessage;
  // The message stands in place of the panels.
  HideMainPanels(visible);
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
  // An open port panel keeps the place of the panels until it closes.
  if (!hide && (!ui->pnlConfigInPorts->isHidden() || !ui->pnlConfigOutPorts->isHidden())) return;
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

void TfrmMain::ApplySeqRowStates(const TProgStateView& view) {
  if (!view.Valid) return;
  const TColumnLayout& c = columns_;
  for (int32_t s = 0; s < kSeqs; ++s) {
    TSeqRow& r = seqRows_[s];
    if (!r.pnlSeq) continue;
    const bool inUse = s <= Cfg.MaxActiveSeqs;
    const TSeqRowCtls& v = view.SeqRows[s];
    // Editing controls in Config, value labels while running: the program state says which, the
    // view settings say whether the column shows at all.
    auto apply = [&](QWidget* w, const TCtlState& st, const TColumn& col) {
      const bool shown = view.HideSeqRows ? false : st.Shown.value_or(w->isVisibleTo(r.pnlSeq));
      w->setVisible(inUse && col.Visible && shown);
      if (st.Enabled) w->setEnabled(*st.Enabled);
    };
    apply(r.cboSeqPartNo, v.PartNoCombo, c.PartNos);
    apply(r.cboSeqChan, v.ChanCombo, c.Chans);
    apply(r.cboSeqProg, v.ProgCombo, c.Progs);
    apply(r.cboSeqSVel, v.SVelCombo, c.SVels);
    apply(r.cboSeqPort, v.PortCombo, c.Ports);
    apply(r.chkSeqMuted, v.MutedCheck, c.Muted);
    apply(r.chkSeqPitchLock, v.PitchLockCheck, c.Pitches);
    apply(r.lblSeqPartNo, v.PartNoLabel, c.PartNos);
    apply(r.lblSeqChan, v.ChanLabel, c.Chans);
    apply(r.lblSeqProg, v.ProgLabel, c.Progs);
    apply(r.lblSeqPort, v.PortLabel, c.Ports);
    apply(r.lblSeqSVel, v.SVelLabel, c.SVels);
    apply(r.lblSeqPitch, v.PitchLabel, c.Pitches);
    apply(r.lblSeqScale, v.ScaleLabel, c.Scales);
    apply(r.lblSeqTrans, v.TransLabel, c.Trans);
    apply(r.lblSeqTDiv, v.TempoDivLabel, c.TDivs);
    apply(r.shpSeqMidiActivity, v.ActivityLight, c.MidiActivity);
    if (view.HideSeqRows)
      r.lblSeqTimeShift->hide();
    else if (v.TimeShiftMark.Shown)
      r.lblSeqTimeShift->setVisible(inUse && *v.TimeShiftMark.Shown);
  }
}

void TfrmMain::ApplyProgState(TProgState state) {
  TProgStateInputs in = ProgStateInputsNow();
  in.InPort1NameVisible = ui->lblvInPort1Name->isVisible();
  in.AuxInPortReqdChecked = ui->chkAuxInPortReqd->isChecked();
  const TProgStateView view = ProgStateControls(state, in);
  if (!view.Valid) return;
  ApplySeqRowStates(view);
  // The columns follow a heading's new width; the rows and headings then take this state again,
  // not the one the engine still reports until this returns.
  if (ApplyStateControls(view) && seqRows_[0].pnlSeq) {
    LayoutSeqStatusColumns();
    ApplySeqRowStates(view);
    ApplyStateControls(view);
  }
  // Running started by the Run button during the auto-run's wait: the auto-run is done.
  if (state == TProgState::Running && tmAutoRun->isActive()) {
    tmAutoRun->stop();
    ShowWaitMessage(false, "");
  }
  if (view.ShowTarloControls) ShowTarloControls(*view.ShowTarloControls);
  if (view.HideWaitMessage) ShowWaitMessage(false, "");
  if (view.WaitMessage) ShowWaitMessage(true, *view.WaitMessage);
  ui->lblvProgState->setText(ProgStateText(state));
}

bool TfrmMain::ApplyStateControls(const TProgStateView& view) {
  bool headingChanged = false;
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
      headingChanged |= ApplyWidgetState(w, st) && w->parentWidget() == ui->pnlSeqStatus;
    }
  }
  return headingChanged;
}

bool TfrmMain::ApplyWidgetState(QWidget* w, const TCtlState& st) {
  if (st.Shown) w->setVisible(*st.Shown);
  if (st.Enabled) w->setEnabled(*st.Enabled);
  if (st.Hint) w->setStatusTip(Q(*st.Hint));
  bool resized = false;
  if (st.Caption) {
    // A label takes the size of its new caption, or it shows a part of it.
    auto* l = qobject_cast<QLabel*>(w);
    if (l && l->text() != Q(*st.Caption)) {
      l->setText(Q(*st.Caption));
      l->adjustSize();
      resized = true;
    }
    if (auto* b = qobject_cast<QAbstractButton*>(w)) b->setText(Q(*st.Caption));
  }
  if (st.Text) {
    if (auto* c = qobject_cast<QComboBox*>(w)) {
      const QSignalBlocker block(c);
      c->setCurrentIndex(st.Text->empty() ? -1 : c->findText(Q(*st.Text)));
    }
  }
  return resized;
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
  const bool seqPlaying = AnySeqPlaying();
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

void TfrmMain::EndApplication() {
  // The critical close has freed the run-time controls and restored the colours already; nothing
  // is saved on the way out, as on a normal close.
  tmAutoRun->stop();
  MainClosing = true;
  closeAccepted_ = true;
  InstanceLocks.ReleaseAll();
  // Posted, so that an end asked for before the event loop runs still ends it at once.
  QMetaObject::invokeMethod(qApp, &QCoreApplication::quit, Qt::QueuedConnection);
}

void TfrmMain::RestorePlace() {
  if (Cfg.WindowMainWidth > 0 && Cfg.WindowMainHeight > 0) resize(Cfg.WindowMainWidth, Cfg.WindowMainHeight);
  MoveToSavedPlace(this, Cfg.WindowMainLeft, Cfg.WindowMainTop);
  if (!placeKept_) {
    // A minimised, maximised or full-screen window is not at the user's place.
    KeepSavedPlace(this,
                   {&Cfg.WindowMainLeft, &Cfg.WindowMainTop, &Cfg.WindowMainWidth, &Cfg.WindowMainHeight},
                   [this] { return !MainClosing && !isMinimized() && !isMaximized() && !isFullScreen(); });
    placeKept_ = true;
  }
  StoreSavedPlace(this);
}

void TfrmMain::moveEvent(QMoveEvent* event) {
  QMainWindow::moveEvent(event);
  if (!MainClosing && started_) FollowWithDockedTemplate();
}

void TfrmMain::resizeEvent(QResizeEvent* event) {
  QMainWindow::resizeEvent(event);
  if (MainClosing || !started_ || !seqRows_[0].pnlSeq) return;
  // The panels take the new width first; the columns then size the lanes to it.
  LayoutSeqStatusWidths();
  LayoutSeqStatusColumns();
}

}  // namespace vel
