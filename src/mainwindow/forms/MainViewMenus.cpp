#include "mainwindow/forms/MainViewMenus.h"

#include <sys/eventfd.h>
#include <unistd.h>

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QEvent>
#include <QFileDialog>
#include <QFileInfo>
#include <QGuiApplication>
#include <QImageReader>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QMouseEvent>
#include <QScreen>
#include <QSocketNotifier>
#include <QStatusBar>
#include <QTimer>
#include <QToolButton>
#include <algorithm>
#include <atomic>
#include <exception>
#include <functional>
#include <mutex>
#include <random>
#include <tuple>
#include <vector>

#include "base/DiagLog.h"
#include "base/EngineLock.h"
#include "base/General.h"
#include "base/Messages.h"
#include "base/Showing.h"
#include "base/UiHooks.h"
#include "engine/KeyMode.h"
#include "engine/LivePath.h"
#include "engine/Metronome.h"
#include "engine/MidiIn.h"
#include "engine/PartBufs.h"
#include "engine/PlayCycle.h"
#include "engine/RunControl.h"
#include "engine/Transport.h"
#include "files/Tarlo.h"
#include "keys/KeyArgs.h"
#include "keys/RecordKeys.h"
#include "mainwindow/FileMenus.h"
#include "mainwindow/InputProcs.h"
#include "mainwindow/Kinetrace.h"
#include "mainwindow/MainCombos.h"
#include "mainwindow/Refresh.h"
#include "mainwindow/forms/Colours.h"
#include "mainwindow/forms/KinetraceView.h"
#include "mainwindow/forms/Main.h"
#include "mainwindow/forms/MainLanes.h"
#include "mainwindow/forms/QtText.h"
#include "mainwindow/forms/QtUiHooks.h"
#include "settings/Settings.h"
#include "ui_Main.h"

namespace vel {

namespace {

// The event counter that wakes the GUI thread to replay the held record key. The timer thread
// reads it under EngineLock, so closing it under the lock leaves no write in flight.
std::atomic<int> gPostFd{-1};

// Timer thread: the bars are counted; the key itself is replayed on the GUI thread. A write to an
// eventfd neither allocates nor blocks, which a queued Qt call would not promise.
void RecBarCountDonePost() {
  RecBarCountDone();
  const int fd = gPostFd.load();
  if (fd >= 0) {
    const uint64_t one = 1;
    [[maybe_unused]] const ssize_t n = write(fd, &one, sizeof one);
  }
}

// Resize, activation and status tips of the main window, clicks on the Kinetrace panel, and on
// the Run button while it cannot run.
class TViewEvents : public QObject {
 public:
  TViewEvents(TViewMenus* menus, TfrmMain* form)
      : QObject(form), menus_(menus), form_(form), control_(form->ui->sbtnControl) {}

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (watched == form_) {
      switch (event->type()) {
        case QEvent::Resize:
          menus_->FormResize();
          break;
        case QEvent::WindowActivate:
          menus_->FormActivate();
          break;
        case QEvent::StatusTip:
          if (!menus_->StatusHintsOn) return true;
          break;
        default:
          break;
      }
    } else if (watched == control_) {
      // Without an output the button is disabled, yet its caption still blinks in Config: a click
      // is told why nothing runs. (The button's own events come here while the form is taken down.)
      if (event->type() == QEvent::MouseButtonRelease && !control_->isEnabled() &&
          RunCtl.ProgState.load() == TProgState::Config && !HaveOutPorts())
        form_->statusBar()->showMessage("No MIDI output port allocated: Settings, Ports, MIDI");
    } else if (event->type() == QEvent::MouseButtonPress) {
      const auto* m = static_cast<QMouseEvent*>(event);
      if (m->button() == Qt::LeftButton || m->button() == Qt::RightButton) {
        const Qt::KeyboardModifiers k = m->modifiers();
        Click(KinetraceClickAction(m->button() == Qt::RightButton, k & Qt::ShiftModifier,
                                   k & Qt::ControlModifier, k & Qt::AltModifier));
        return true;
      }
    }
    return QObject::eventFilter(watched, event);
  }

 private:
  void Click(const TKinetraceClickAction& a) {
    switch (a.Kind) {
      case TKinetraceClick::Step:
        menus_->StepKinetrace(a.Value, a.Inc);
        break;
      case TKinetraceClick::CycleBackground: {
        // Button face, black, white, and round again.
        menus_->KinetraceBgPhase = (menus_->KinetraceBgPhase + 1) % 3;
        static const QColor kFixed[] = {QColor(), Qt::black, Qt::white};
        const QColor c = menus_->KinetraceBgPhase == 0 ? form_->SysPalette.color(QPalette::Button)
                                                       : kFixed[menus_->KinetraceBgPhase];
        SetBgColour(form_->ui->pnlKinetrace, c);
        break;
      }
      case TKinetraceClick::ShuffleColours:
        menus_->ShuffleSeqColours();
        break;
      case TKinetraceClick::Posn:
      case TKinetraceClick::None:
        break;
    }
  }

  TViewMenus* menus_;
  TfrmMain* form_;
  QWidget* control_;
};

void ResetNoteDisplaysLocked() {
  std::lock_guard lock(EngineLock);
  ResetNoteDisplays();
}

void SetChecked(QAction* a, bool on) {
  const QSignalBlocker block(a);
  a->setChecked(on);
}

// The programme lists in the names or numbers the view asks for, each keeping its programme.
void RefillProgLists(Ui::frmMain& ui, const std::array<TSeqRow, kSeqs>& rows) {
  std::vector<QComboBox*> combos{ui.cboLiveProgs};
  for (const TSeqRow& r : rows)
    if (r.cboSeqProg) combos.push_back(r.cboSeqProg);
  for (QComboBox* c : combos) {
    const TComboFill fill = FillProgCombos(false, c->currentIndex());
    const QSignalBlocker block(c);
    c->clear();
    for (const std::string& s : fill.Items) c->addItem(Q(s));
    c->setCurrentIndex(fill.ItemIndex);
  }
}

// The View menu's marks follow the settings, also after a settings load.
void ShowViewMenuMarks(Ui::frmMain& ui) {
  const std::pair<QAction*, uint8_t> checks[] = {
      {ui.mnuViewAutoHints, Cfg.AutoHints},
      {ui.mnuViewPortNames, Cfg.DspPortNames},
      {ui.mnuViewProgNames, Cfg.DspProgNames},
      {ui.mnuViewScale, Cfg.DspScale},
      {ui.mnuViewMidiActivity, Cfg.DspMidiActivity},
      {ui.mnuViewSeqLen, Cfg.DspSeqLen},
      {ui.mnuViewTDiv, Cfg.DspTempoDiv},
      {ui.mnuViewProgVersion, Cfg.DspProgVersionReqd},
      {ui.mnuViewKModeTitleColours, Cfg.DspKModeTitleColours},
      {ui.mnuViewKModeInputColours, Cfg.DspKModeInputColours},
      {ui.mnuViewSeqGrid, Cfg.DspSeqGrid},
      {ui.mnuViewSolidTracks, Cfg.DspSolidTracks},
      {ui.mnuViewSeqNumPosn, Cfg.DspSeqNumPosn},
  };
  for (const auto& [a, on] : checks) SetChecked(a, on != 0);
  for (auto [m, on] : {std::pair{ui.mnuViewTemplateOptions, Cfg.DspTemplate},
                       std::pair{ui.mnuViewKinetrace, Cfg.DspKinetrace}}) {
    m->menuAction()->setCheckable(true);
    m->menuAction()->setChecked(on != 0);
  }
}

}  // namespace

void TViewMenus::On(TTopic topic) {
  // Start of running clears the calibrate prompt.
  if (topic != TTopic::RunStarted) return;
  {
    std::lock_guard lock(EngineLock);
    Args.CalibratePending = 0;
  }
  PromptCalibrateCmdKey();
}

void TViewMenus::Answer(TWindowCalls& calls) {
  // Every program-state change re-derives the Run/Stop item from its button.
  calls.Run.ApplyProgState = [this](TProgState) {
    SetControlMenuCaption();
    SetCalibMenuCaption();
    // A settings load may have named another background image.
    if (Cfg.KinetraceImgFile != KinetraceImgLoaded) {
      KinetraceImgLoaded = Cfg.KinetraceImgFile;
      if (!Cfg.KinetraceImgFile.empty()) LoadKinetraceImage();
      ApplyKinetraceImage();
    }
  };
  // The key mapper reset the octave offsets: the performer is asked to calibrate again.
  calls.KeyMap.ToggleCalibPrompt = [this] { ToggleCalibPrompt(); };
}

TViewMenus::TViewMenus(TfrmMain& form, TViewMenuLinks links) : TMainArea(form), links_(std::move(links)) {
  WireMidiInPost();
  WireActionMenu();
  WireToolsMenu();
  WireViewMenu();
  WireTemplateMenu();
  WireKinetraceMenu();
  WireKinetraceImage();
  WireWindowsMenu();
  auto* events = new TViewEvents(this, &form_);
  form_.installEventFilter(events);
  ui->pnlKinetrace->installEventFilter(events);
  ui->sbtnControl->installEventFilter(events);

  // The prompt starts hidden.
  {
    std::lock_guard lock(EngineLock);
    Args.CalibratePending = 0;
  }
  PromptCalibrateCmdKey();
}

void TViewMenus::Toggle(QAction* a, uint8_t& setting, std::function<void()> then) {
  QObject::connect(a, &QAction::triggered, &form_, [&setting, then](bool checked) {
    {
      // Some are read on the timer and MIDI-in threads (activity lights, grid redraws).
      std::lock_guard lock(EngineLock);
      setting = checked ? 1 : 0;
    }
    if (then) then();
  });
}

void TViewMenus::WireMidiInPost() {
  tmMidiInPost = new QTimer(&form_);
  tmMidiInPost->setObjectName("tmMidiInPost");
  tmMidiInPost->setSingleShot(true);
  tmMidiInPost->setInterval(1);
  QObject::connect(tmMidiInPost, &QTimer::timeout, &form_, [this] { tmMidiInPostTimer(); });
  const int postFd = eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
  if (postFd >= 0) {
    auto* wake = new QSocketNotifier(postFd, QSocketNotifier::Read, tmMidiInPost);
    QObject::connect(wake, &QSocketNotifier::activated, &form_, [this, postFd] {
      uint64_t count = 0;
      [[maybe_unused]] const ssize_t n = read(postFd, &count, sizeof count);
      tmMidiInPost->start();
    });
    {
      std::lock_guard lock(EngineLock);
      gPostFd = postFd;
      EngineHooks.RecBarCountDone = &RecBarCountDonePost;
    }
    QObject::connect(tmMidiInPost, &QObject::destroyed, [postFd] {
      {
        std::lock_guard lock(EngineLock);
        gPostFd = -1;
        EngineHooks.RecBarCountDone = &RecBarCountDone;
      }
      ::close(postFd);
    });
  }
}

void TViewMenus::WireActionMenu() {
  // Action menu and its buttons.
  QObject::connect(ui->mnuActionControl, &QAction::triggered, &form_, [this] { ToggleRunStop(); });
  QObject::connect(ui->sbtnControl, &QToolButton::clicked, &form_, [this] { ToggleRunStop(); });
  QObject::connect(ui->mnuActionEsc, &QAction::triggered, &form_, [] {
    std::lock_guard lock(EngineLock);
    ReturnToLiveMode();
  });
  QObject::connect(ui->mnuActionCalibrate, &QAction::triggered, &form_, [this] { ToggleCalibPrompt(); });
  QObject::connect(ui->sbtnCalibrate, &QToolButton::clicked, &form_, [this] { ToggleCalibPrompt(); });
}

void TViewMenus::WireToolsMenu() {
  // Tools menu. The sample aid sends notes: it opens only while running.
  ui->mnuToolsSampleAid->setEnabled(false);
  QObject::connect(ui->mnuTools, &QMenu::aboutToShow, &form_, [this] {
    ui->mnuToolsSampleAid->setEnabled(RunCtl.ProgState.load() == TProgState::Running);
    const bool on = Cfg.TarloOn != 0;
    const bool chosen = ui->cboTarloPNo->currentIndex() >= 0;
    QAction* tarlo = ui->mnuToolsTarlo->menuAction();
    tarlo->setVisible(Cfg.StandardMode != 0);
    tarlo->setCheckable(true);
    tarlo->setChecked(on);
    tarlo->setEnabled(chosen);
    ui->mnuToolsCloseTarlo->setEnabled(on);
    QString open = on ? "Re-&open" : "&Open";
    if (chosen) open += " on " + ui->cboTarloPNo->currentText();
    ui->mnuToolsOpenTarlo->setText(open);
  });
  QObject::connect(ui->mnuToolsOpenTarlo, &QAction::triggered, &form_, [this] {
    TarloOpen(ui->cboTarloPNo->currentIndex(), ui->cboTarloSysexDevId->currentText().toInt());
  });
  QObject::connect(ui->mnuToolsCloseTarlo, &QAction::triggered, &form_, [] { TarloClose(); });
}

void TViewMenus::WireViewMenu() {
  // View menu: each toggle copies its check mark to its setting.
  auto relayout = [this] {
    form_.LayoutSeqStatusColumns();
    SetProgState(RunCtl.ProgState.load());
  };
  Toggle(ui->mnuViewAutoHints, Cfg.AutoHints, [this] { ApplyAutoHints(); });
  Toggle(ui->mnuViewPortNames, Cfg.DspPortNames, relayout);
  Toggle(ui->mnuViewProgNames, Cfg.DspProgNames, [this, relayout] {
    relayout();
    RefillProgLists(*ui, form_.SeqRows);
  });
  Toggle(ui->mnuViewScale, Cfg.DspScale, relayout);
  Toggle(ui->mnuViewMidiActivity, Cfg.DspMidiActivity, [this, relayout] {
    const bool on = Cfg.DspMidiActivity != 0;
    ui->shpLiveMidiActivity->setVisible(on);
    for (int32_t s = 0; s <= Cfg.MaxActiveSeqs && s < kSeqs; ++s)
      if (form_.SeqRows[s].shpSeqMidiActivity) form_.SeqRows[s].shpSeqMidiActivity->setVisible(on);
    relayout();
  });
  Toggle(ui->mnuViewSeqLen, Cfg.DspSeqLen, relayout);
  Toggle(ui->mnuViewTDiv, Cfg.DspTempoDiv, relayout);
  Toggle(ui->mnuViewProgVersion, Cfg.DspProgVersionReqd, [this] { form_.SetCaption(); });
  // The colours window marks the title colour as overridden, and the grid ticks as unseen.
  Toggle(ui->mnuViewKModeTitleColours, Cfg.DspKModeTitleColours,
         [] { PublishTopic(TTopic::Colours); });
  Toggle(ui->mnuViewKModeInputColours, Cfg.DspKModeInputColours, nullptr);
  Toggle(ui->mnuViewSeqGrid, Cfg.DspSeqGrid, [relayout] {
    relayout();
    RequestSeqGridRedraw();
    PublishTopic(TTopic::Colours);
  });
  Toggle(ui->mnuViewSolidTracks, Cfg.DspSolidTracks, nullptr);
  Toggle(ui->mnuViewSeqNumPosn, Cfg.DspSeqNumPosn, nullptr);
  QObject::connect(ui->mnuView, &QMenu::aboutToShow, &form_, [this] { ShowViewMenuMarks(*ui); });
}

void TViewMenus::WireTemplateMenu() {
  // Virtual keyboard submenu: showing and closing are wired with the window.
  QObject::connect(ui->mnuViewTemplateOptions, &QMenu::aboutToShow, &form_, [this] {
    ui->mnuTemplateReset->setEnabled(Cfg.DspTemplate != 0);
    SetChecked(ui->mnuTemplateOnTop, Cfg.TemplateOnTop != 0);
  });
  Toggle(ui->mnuTemplateOnTop, Cfg.TemplateOnTop, nullptr);
  QObject::connect(ui->mnuTemplateReset, &QAction::triggered, &form_, &ResetNoteDisplaysLocked);
}

void TViewMenus::WireKinetraceMenu() {
  // Kinetrace submenu.
  QObject::connect(ui->mnuViewKinetrace, &QMenu::aboutToShow, &form_, [this] {
    const bool on = Cfg.DspKinetrace != 0;
    const bool img = !Cfg.KinetraceImgFile.empty();
    ui->mnuKinetraceOn->setEnabled(!on);
    ui->mnuKinetraceOff->setEnabled(on);
    ui->mnuKinetraceClear->setEnabled(on);
    for (QAction* a : {ui->mnuKinetraceImgPrev, ui->mnuKinetraceImgNext, ui->mnuKinetraceImgUnload,
                       ui->mnuKinetraceImgVisible, ui->mnuKinetraceImgStretch})
      a->setEnabled(img);
    SetChecked(ui->mnuKinetraceImgVisible, Cfg.KinetraceImgVisible != 0);
    SetChecked(ui->mnuKinetraceImgStretch, Cfg.KinetraceImgStretch != 0);
  });
  QObject::connect(ui->mnuKinetraceOn, &QAction::triggered, &form_, [this] { SetKinetraceOn(true); });
  QObject::connect(ui->mnuKinetraceOff, &QAction::triggered, &form_, [this] { SetKinetraceOn(false); });
  QObject::connect(ui->mnuKinetraceClear, &QAction::triggered, &form_, &ResetNoteDisplaysLocked);
  QObject::connect(ui->mnuKinetraceRandCols, &QAction::triggered, &form_, [this] { ShuffleSeqColours(); });
  using V = TKinetraceValue;
  const std::tuple<QAction*, V, bool> steps[] = {
      {ui->mnuKinetraceIncShape, V::Shape, true}, {ui->mnuKinetraceDecShape, V::Shape, false},
      {ui->mnuKinetraceIncSize, V::Size, true},   {ui->mnuKinetraceDecSize, V::Size, false},
      {ui->mnuKinetraceIncDecay, V::Decay, true}, {ui->mnuKinetraceDecDecay, V::Decay, false},
      {ui->mnuKinetraceIncTail, V::Tail, true},   {ui->mnuKinetraceDecTail, V::Tail, false},
      {ui->mnuKinetraceIncStyle, V::Style, true}, {ui->mnuKinetraceDecStyle, V::Style, false},
  };
  for (const auto& [a, v, inc] : steps)
    QObject::connect(a, &QAction::triggered, &form_, [this, v, inc] { StepKinetrace(v, inc); });
  // The position is set from the Kinetrace settings window only.
  ui->mnuKinetraceIncPosn->setEnabled(false);
  ui->mnuKinetraceDecPosn->setEnabled(false);
}

void TViewMenus::WireKinetraceImage() {
  // Background image.
  QObject::connect(ui->mnuKinetraceImgFile, &QAction::triggered, &form_, [this] {
    const QString folder =
        Cfg.KinetraceImgFile.empty() ? QString() : QFileInfo(Q(Cfg.KinetraceImgFile)).absolutePath();
    const QString file = QFileDialog::getOpenFileName(
        &form_, "Load background image for kinetrace", folder,
        "Image files (*.bmp *.jpg *.jpeg *.gif *.ico *.emf *.wmf);;Any file (*)");
    if (file.isEmpty()) {
      if (Trace.DiagFlags) DiagLogTimed("Load image cancelled");
      return;
    }
    Cfg.KinetraceImgFile = file.toStdString();
    if (LoadKinetraceImage()) Cfg.KinetraceImgVisible = 1;
    ApplyKinetraceImage();
  });
  QObject::connect(ui->mnuKinetraceImgVisible, &QAction::triggered, &form_, [this] {
    if (!Cfg.KinetraceImgFile.empty()) Cfg.KinetraceImgVisible = Cfg.KinetraceImgVisible ? 0 : 1;
    ApplyKinetraceImage();
  });
  QObject::connect(ui->mnuKinetraceImgStretch, &QAction::triggered, &form_, [this] {
    Cfg.KinetraceImgStretch = Cfg.KinetraceImgStretch ? 0 : 1;
    ApplyKinetraceImage();
  });
  QObject::connect(ui->mnuKinetraceImgUnload, &QAction::triggered, &form_,
                   [this] { UnloadKinetraceImage(); });
  QObject::connect(ui->mnuKinetraceImgNext, &QAction::triggered, &form_,
                   [this] { StepKinetraceImage(true); });
  QObject::connect(ui->mnuKinetraceImgPrev, &QAction::triggered, &form_,
                   [this] { StepKinetraceImage(false); });
}

void TViewMenus::WireWindowsMenu() {
  // Windows menu.
  QObject::connect(ui->mnuWindowWidth, &QAction::triggered, &form_, [this] {
    const QScreen* screen = form_.screen();
    if (!screen) return;
    const TSpan span = ToggleMainWidth(form_.width(), screen->availableGeometry().width(), MainNormalWidth());
    form_.setGeometry(span.Left, form_.y(), span.Width, form_.height());
  });
  QObject::connect(ui->mnuWindowHeight, &QAction::triggered, &form_, [this] {
    const int32_t client = ToggleMainHeight(ClientHeight(), MainFullHeight(), MainReducedHeight());
    form_.resize(form_.width(), client + form_.menuBar()->height());
    ShowLowerControls();
  });
  QObject::connect(ui->mnuWindowCentreAll, &QAction::triggered, &form_, [] {
    Cfg.TemplateDocked = 0;
    QList<QWidget*> windows;
    for (QWidget* w : QApplication::topLevelWidgets())
      if (w->isVisible() && w->isWindow() && !qobject_cast<QMenu*>(w)) windows.push_back(w);
    std::stable_sort(windows.begin(), windows.end(),
                     [](const QWidget* a, const QWidget* b) { return a->height() > b->height(); });
    for (QWidget* w : windows) {
      const QScreen* screen = w->screen();
      if (!screen) continue;
      const QRect area = screen->availableGeometry();
      const TPlace at = CentredPlace(w->width(), w->height(), area.width(), area.height());
      w->resize(std::max(w->width(), 50), std::max(w->height(), 50));
      w->move(area.x() + at.Left, area.y() + at.Top);
      w->raise();
    }
  });
}

void TViewMenus::SetViewMenuShortCuts() {
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
  SetControlMenuCaption();
  SetCalibMenuCaption();
}

// ---- Action ----

void TViewMenus::ToggleRunStop() {
  // No second click while switching; the state's controls enable it again.
  ui->sbtnControl->setEnabled(false);
  ui->mnuActionControl->setEnabled(false);
  if (RunCtl.ProgState.load() == TProgState::Config) {
    try {
      StartRunning();
    } catch (const std::exception& e) {
      ShowMessage(StartRunningErrorText(e.what()), MsgKind::Error);
    }
    // A start refused (no output ports) leaves the state as it was.
    SetProgState(RunCtl.ProgState.load());
    return;
  }
  StopToConfigMode(true);
  SetProgState(RunCtl.ProgState.load());
}

bool TViewMenus::StopToConfigMode(bool confirm) {
  if (confirm) {
    bool seqPlaying = false;
    {
      std::lock_guard lock(EngineLock);
      seqPlaying = !NoSeqPlaying();
    }
    if (ShowMessage(StopQuestionText(seqPlaying), MsgKind::Confirmation, MsgButtons::YesNo) != MsgAnswer::Yes)
      return false;
  }
  const TBusyCursor busy;
  StopRunning();
  return true;
}

void TViewMenus::ToggleCalibPrompt() {
  {
    std::lock_guard lock(EngineLock);
    Args.CalibratePending = Args.CalibratePending ? 0 : 1;
  }
  PromptCalibrateCmdKey();
}

void TViewMenus::PromptCalibrateCmdKey() {
  bool prompting = false;
  {
    std::lock_guard lock(EngineLock);
    prompting = Args.CalibratePending != 0;
    Args.CalibDone = prompting ? 0 : 1;
    if (prompting) {
      DeselectAll();
      SetKeyMode(TKeyMode::Calibrate);
    } else if (Keys.KeyMode.load() == TKeyMode::Calibrate) {
      if (RunCtl.ProgState.load() == TProgState::Running) {
        ReturnToLiveMode();
      } else {
        SetKeyMode(TKeyMode::Inactive);
      }
    }
  }
  const TCalibPromptView view = CalibPromptView(prompting, Cfg.InPortLiveCmdKey[0].load());
  SetFgColour(ui->sbtnCalibrate, ToQColor(prompting ? Cfg.ClStCalibrate : Cfg.ClText, form_.SysPalette));
  ui->sbtnCalibrate->setText(Q(view.Caption));
  ui->sbtnCalibrate->setStatusTip(Q(view.Hint));
  ui->mnuActionCalibrate->setStatusTip(Q(view.Hint));
  SetCalibMenuCaption();
}

void TViewMenus::SetControlMenuCaption() {
  const TMenuCaption c =
      MenuCaptionFromButton(ui->sbtnControl->text().toStdString(), Cfg.TemplateQwertyDisabled != 0);
  ui->mnuActionControl->setText(Q(c.Caption));
  ui->mnuActionControl->setShortcut(QKeySequence(Q(c.ShortCut)));
}

void TViewMenus::SetCalibMenuCaption() {
  const TMenuCaption c =
      MenuCaptionFromButton(ui->sbtnCalibrate->text().toStdString(), Cfg.TemplateQwertyDisabled != 0);
  ui->mnuActionCalibrate->setText(Q(c.Caption));
  ui->mnuActionCalibrate->setShortcut(QKeySequence(Q(c.ShortCut)));
}

// ---- Kinetrace ----

void TViewMenus::StepKinetrace(TKinetraceValue value, bool inc) {
  int32_t* setting = nullptr;
  switch (value) {
    case TKinetraceValue::Shape:
      setting = &Cfg.KinetraceShape;
      break;
    case TKinetraceValue::Size:
      setting = &Cfg.KinetraceSize;
      break;
    case TKinetraceValue::Decay:
      setting = &Cfg.KinetraceDecay;
      break;
    case TKinetraceValue::Tail:
      setting = &Cfg.KinetraceTail;
      break;
    case TKinetraceValue::Style:
      setting = &Cfg.KinetraceStyle;
      break;
  }
  if (!setting) return;
  {
    // The live path reads the decay on the timer and MIDI-in threads.
    std::lock_guard lock(EngineLock);
    *setting = StepCyclic(*setting, KinetraceRange(value), inc);
  }
  form_.Lanes().SetKinetraceBounds();
  PublishTopic(TTopic::Kinetrace);
}

void TViewMenus::SetKinetraceOn(bool on) {
  {
    // The timer and MIDI-in threads count notes for it while it is on.
    std::lock_guard lock(EngineLock);
    Cfg.DspKinetrace = on ? 1 : 0;
    if (on) ResetNoteOnCounts();
  }
  ui->mnuViewKinetrace->menuAction()->setCheckable(true);
  ui->mnuViewKinetrace->menuAction()->setChecked(on);
  form_.PlaceGroupBoxes();
  ShowLowerControls();
  form_.Lanes().SetKinetraceBounds();
  PublishTopic(TTopic::Kinetrace);
}

void TViewMenus::ShuffleSeqColours() {
  std::mt19937 gen{std::random_device{}()};
  std::uniform_int_distribution<std::size_t> pick(0, Cfg.ClKinetraceChan.size() - 1);
  for (std::size_t i = 0; i < Cfg.ClKinetraceChan.size(); ++i)
    std::swap(Cfg.ClKinetraceChan[i], Cfg.ClKinetraceChan[pick(gen)]);
  PlayCycle.KinetraceDirty = 1;
}

bool TViewMenus::LoadKinetraceImage() {
  QImageReader reader(Q(Cfg.KinetraceImgFile));
  const QImage image = reader.read();
  if (image.isNull()) {
    const std::string why = reader.errorString().toStdString();
    Cfg.KinetraceImgFile.clear();
    Cfg.KinetraceImgVisible = 0;
    KinetraceImgLoaded.clear();
    form_.Lanes().KinetraceView->SetPicture(QImage());
    ShowMessage(ImageLoadErrorText(why), MsgKind::Error);
    return false;
  }
  KinetraceImgLoaded = Cfg.KinetraceImgFile;
  form_.Lanes().KinetraceView->SetPicture(image);
  return true;
}

void TViewMenus::ApplyKinetraceImage() {
  // Placing the groups places the Kinetrace and its picture.
  form_.PlaceGroupBoxes();
}

void TViewMenus::UnloadKinetraceImage() {
  form_.Lanes().KinetraceView->SetPicture(QImage());
  Cfg.KinetraceImgFile.clear();
  Cfg.KinetraceImgVisible = 0;
  KinetraceImgLoaded.clear();
  ApplyKinetraceImage();
}

void TViewMenus::StepKinetraceImage(bool next) {
  if (Cfg.KinetraceImgFile.empty()) return;
  const QFileInfo current(Q(Cfg.KinetraceImgFile));
  const QDir folder = current.absoluteDir();
  std::vector<std::string> names;
  for (const QString& n : folder.entryList(QDir::Files | QDir::Hidden | QDir::System))
    names.push_back(n.toStdString());
  const std::string name = StepImageName(current.fileName().toStdString(), names, next);
  if (name.empty()) return;
  Cfg.KinetraceImgFile = folder.filePath(Q(name)).toStdString();
  if (LoadKinetraceImage()) Cfg.KinetraceImgVisible = 1;
  ApplyKinetraceImage();
}

// ---- window geometry ----

int32_t TViewMenus::ClientHeight() const {
  return form_.height() - (form_.menuBar() ? form_.menuBar()->height() : 0);
}

int32_t TViewMenus::MainNormalWidth() const {
  // The laid-out width: the rightmost of the seq panel and the group row (with the Kinetrace when
  // it stands among the groups).
  std::vector<const QWidget*> laidOut{ui->pnlSeqStatus, ui->grpControl, ui->grpMetr, ui->grpClock,
                                      ui->grpPorts};
  if (Cfg.DspKinetrace && Cfg.KinetracePosn >= 1 && Cfg.KinetracePosn <= 5)
    laidOut.push_back(ui->pnlKinetrace);
  int32_t right = 0;
  for (const QWidget* w : laidOut) right = std::max(right, int32_t(w->x() + w->width()));
  return vel::KinetraceAvailWidth(right + 4, Cfg.DspKinetrace != 0, Cfg.KinetracePosn,
                                  ui->pnlKinetrace->width());
}

int32_t TViewMenus::KinetraceAvailWidth() const {
  return MainNormalWidth();
}

int32_t TViewMenus::MainFullHeight() const {
  int32_t bottom = 0;
  for (const QWidget* w : {ui->grpControl, ui->grpMetr, ui->grpClock, ui->grpPorts})
    bottom = std::max(bottom, int32_t(w->y() + w->height()));
  return bottom + 4 + form_.statusBar()->sizeHint().height();
}

int32_t TViewMenus::MainReducedHeight() const {
  return ui->pnlSeqStatus->y() + ui->pnlSeqStatus->height() + 4;
}

void TViewMenus::ShowLowerControls() {
  if (!ui->pnlSeqStatus->isVisible()) return;
  const TLowerControls v =
      LowerControlsVisible(ClientHeight(), MainFullHeight(), Cfg.DspKinetrace != 0, Cfg.KinetracePosn);
  for (QWidget* w : {ui->grpControl, ui->grpMetr, ui->grpClock, ui->grpPorts})
    w->setVisible(v.GroupsAndStatus);
  form_.statusBar()->setVisible(v.GroupsAndStatus);
  // Shown again only where its placement puts it.
  if (v.Kinetrace) {
    form_.PlaceGroupBoxes();
  } else {
    ui->pnlKinetrace->hide();
  }
}

void TViewMenus::FormResize() {
  if (RunCtl.ProgState.load() == TProgState::Initialising || !form_.Started()) return;
  const int32_t client = ClientHeight();
  const int32_t cut = ResizedClientHeight(client, MainFullHeight(), Cfg.DspKinetrace != 0, Cfg.KinetracePosn);
  if (cut != client) form_.resize(form_.width(), cut + form_.menuBar()->height());
  ShowLowerControls();
  if (form_.MainClosing) return;
  if (Showing.TemplateShowing && Cfg.TemplateDocked && !AligningMainToTemplate) links_.DockTemplateWindow();
  if (Cfg.DspKinetrace && Cfg.KinetracePosn > 5) form_.Lanes().SetKinetraceBounds();
}

void TViewMenus::AlignMainToTemplate(const QRect& templateFrame) {
  if (AligningMainToTemplate) return;
  AligningMainToTemplate = true;
  const QRect frame = form_.frameGeometry();
  form_.move(templateFrame.left(), templateFrame.top() - frame.height());
  AligningMainToTemplate = false;
}

// ---- hints and activation ----

void TViewMenus::FormActivate() {
  ApplyActiveWindowHints(&form_);
  // An edit left open in a style window is dropped, not kept half-typed.
  links_.CloseStyleEdits();
}

void TViewMenus::ApplyAutoHints() {
  StatusHintsOn = Cfg.AutoHints != 0;
  // The title panel's own pop-ups stand in when the status bar shows no hints.
  for (QWidget* w : ui->pnlTitle->findChildren<QWidget*>())
    w->setToolTip(Cfg.AutoHints ? QString() : w->statusTip());
  if (!StatusHintsOn) form_.statusBar()->clearMessage();
}

void TViewMenus::ApplyActiveWindowHints(QWidget* active) {
  StatusHintsOn = Cfg.AutoHints != 0 && active == &form_;
  if (!StatusHintsOn) form_.statusBar()->clearMessage();
}

void TViewMenus::SetDiagActive(bool on) {
  vel::SetDiagActive(on);
}

void TViewMenus::ShowKeyMapper() {
  links_.ShowKeyMapper();
}
void TViewMenus::ShowCfgMetr() {
  links_.ShowCfgMetr();
}
void TViewMenus::ShowCfgMetrDrum() {
  links_.ShowCfgMetrDrum();
}
void TViewMenus::ShowCfgMetrBass() {
  links_.ShowCfgMetrBass();
}

void TViewMenus::tmMidiInPostTimer() {
  tmMidiInPost->stop();
  ReplayDelayedRecKey();
}

}  // namespace vel
