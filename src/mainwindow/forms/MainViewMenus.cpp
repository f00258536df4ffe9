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
#include <QGroupBox>
#include <QImageReader>
#include <QLabel>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QMouseEvent>
#include <QScreen>
#include <QSocketNotifier>
#include <QStatusBar>
#include <QTimer>
#include <QToolButton>
#include <algorithm>
#include <exception>
#include <functional>
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
#include "mainwindow/SeqControls.h"
#include "mainwindow/forms/Colours.h"
#include "mainwindow/forms/QtText.h"
#include "mainwindow/forms/QtUiHooks.h"
#include "settings/CfgBinding.h"
#include "settings/Settings.h"
#include "settings/forms/CfgWindow.h"

namespace vel {

namespace {

// Resize, activation and status tips of the main window, clicks on the Kinetrace panel, and on
// the Run button while it cannot run.
class TViewEvents : public QObject {
 public:
  TViewEvents(TViewMenus* menus, const TViewMenuWidgets& w)
      : QObject(w.Window),
        menus_(menus),
        window_(w.Window),
        control_(w.sbtnControl),
        kinetrace_(w.pnlKinetrace),
        sysPalette_(w.SysPalette) {}

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (watched == window_) {
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
        window_->statusBar()->showMessage("No MIDI output port allocated: Settings, Ports, MIDI");
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
        const QColor c = menus_->KinetraceBgPhase == 0 ? sysPalette_->color(QPalette::Button)
                                                       : kFixed[menus_->KinetraceBgPhase];
        SetBgColour(kinetrace_, c);
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
  QMainWindow* window_;
  QWidget* control_;
  QFrame* kinetrace_;
  const QPalette* sysPalette_;
};

void SetChecked(QAction* a, bool on) {
  const QSignalBlocker block(a);
  a->setChecked(on);
}

// The programme lists in the names or numbers the view asks for, each keeping its programme.
void RefillProgLists(const TViewMenuWidgets& ui) {
  std::vector<QComboBox*> combos{ui.cboLiveProgs};
  for (const TSeqRow& r : *ui.SeqRows)
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
void ShowViewMenuMarks(const TViewMenuWidgets& ui) {
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
  // The key mapper reset the octave offsets: the performer is asked to calibrate again.
  if (topic == TTopic::CalibrationLost) ToggleCalibPrompt();
  // Start of running clears the calibrate prompt.
  if (topic != TTopic::RunStarted) return;
  ClearCalibratePending();
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
}

TViewMenus::TViewMenus(const TViewMenuWidgets& widgets, TViewMenuLinks links)
    : w_(widgets), links_(std::move(links)) {
  WireMidiInPost();
  WireActionMenu();
  WireToolsMenu();
  WireViewMenu();
  WireTemplateMenu();
  WireKinetraceMenu();
  WireKinetraceImage();
  WireWindowsMenu();
  auto* events = new TViewEvents(this, w_);
  w_.Window->installEventFilter(events);
  w_.pnlKinetrace->installEventFilter(events);
  w_.sbtnControl->installEventFilter(events);

  // The prompt starts hidden.
  ClearCalibratePending();
  PromptCalibrateCmdKey();
}

void TViewMenus::Toggle(QAction* a, uint8_t& setting, std::function<void()> then) {
  QObject::connect(a, &QAction::triggered, w_.Window, [&setting, then](bool checked) {
    // Some are read on the timer and MIDI-in threads (activity lights, grid redraws).
    StoreLocked(setting, checked ? 1 : 0);
    if (then) then();
  });
}

void TViewMenus::WireMidiInPost() {
  tmMidiInPost = new QTimer(w_.Window);
  tmMidiInPost->setObjectName("tmMidiInPost");
  tmMidiInPost->setSingleShot(true);
  tmMidiInPost->setInterval(1);
  QObject::connect(tmMidiInPost, &QTimer::timeout, w_.Window, [this] { tmMidiInPostTimer(); });
  const int postFd = eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
  if (postFd >= 0) {
    auto* wake = new QSocketNotifier(postFd, QSocketNotifier::Read, tmMidiInPost);
    QObject::connect(wake, &QSocketNotifier::activated, w_.Window, [this, postFd] {
      uint64_t count = 0;
      [[maybe_unused]] const ssize_t n = read(postFd, &count, sizeof count);
      tmMidiInPost->start();
    });
    SetRecBarPostFd(postFd);
    QObject::connect(tmMidiInPost, &QObject::destroyed, [postFd] {
      SetRecBarPostFd(-1);
      ::close(postFd);
    });
  }
}

void TViewMenus::WireActionMenu() {
  // Action menu and its buttons.
  QObject::connect(w_.mnuActionControl, &QAction::triggered, w_.Window, [this] { ToggleRunStop(); });
  QObject::connect(w_.sbtnControl, &QToolButton::clicked, w_.Window, [this] { ToggleRunStop(); });
  QObject::connect(w_.mnuActionEsc, &QAction::triggered, w_.Window,
                   [] { RunEngineOp([] { ReturnToLiveMode(); }); });
  QObject::connect(w_.mnuActionCalibrate, &QAction::triggered, w_.Window, [this] { ToggleCalibPrompt(); });
  QObject::connect(w_.sbtnCalibrate, &QToolButton::clicked, w_.Window, [this] { ToggleCalibPrompt(); });
}

void TViewMenus::WireToolsMenu() {
  // Tools menu. The sample aid sends notes: it opens only while running.
  w_.mnuToolsSampleAid->setEnabled(false);
  QObject::connect(w_.mnuTools, &QMenu::aboutToShow, w_.Window, [this] {
    w_.mnuToolsSampleAid->setEnabled(RunCtl.ProgState.load() == TProgState::Running);
    const bool on = Cfg.TarloOn != 0;
    const bool chosen = w_.cboTarloPNo->currentIndex() >= 0;
    QAction* tarlo = w_.mnuToolsTarlo->menuAction();
    tarlo->setVisible(Cfg.StandardMode != 0);
    tarlo->setCheckable(true);
    tarlo->setChecked(on);
    tarlo->setEnabled(chosen);
    w_.mnuToolsCloseTarlo->setEnabled(on);
    QString open = on ? "Re-&open" : "&Open";
    if (chosen) open += " on " + w_.cboTarloPNo->currentText();
    w_.mnuToolsOpenTarlo->setText(open);
  });
  QObject::connect(w_.mnuToolsOpenTarlo, &QAction::triggered, w_.Window, [this] {
    TarloOpen(w_.cboTarloPNo->currentIndex(), PickedNumber(w_.cboTarloSysexDevId).value_or(0));
  });
  QObject::connect(w_.mnuToolsCloseTarlo, &QAction::triggered, w_.Window, [] { TarloClose(); });
}

void TViewMenus::WireViewMenu() {
  // View menu: each toggle copies its check mark to its setting.
  auto relayout = [this] {
    w_.LayoutSeqStatusColumns();
    SetProgState(RunCtl.ProgState.load());
  };
  Toggle(w_.mnuViewAutoHints, Cfg.AutoHints, [this] { ApplyAutoHints(); });
  Toggle(w_.mnuViewPortNames, Cfg.DspPortNames, relayout);
  Toggle(w_.mnuViewProgNames, Cfg.DspProgNames, [this, relayout] {
    relayout();
    RefillProgLists(w_);
  });
  Toggle(w_.mnuViewScale, Cfg.DspScale, relayout);
  Toggle(w_.mnuViewMidiActivity, Cfg.DspMidiActivity, [this, relayout] {
    const bool on = Cfg.DspMidiActivity != 0;
    w_.shpLiveMidiActivity->setVisible(on);
    for (int32_t s = 0; s <= Cfg.MaxActiveSeqs && s < kSeqs; ++s)
      if ((*w_.SeqRows)[s].shpSeqMidiActivity) (*w_.SeqRows)[s].shpSeqMidiActivity->setVisible(on);
    relayout();
  });
  Toggle(w_.mnuViewSeqLen, Cfg.DspSeqLen, relayout);
  Toggle(w_.mnuViewTDiv, Cfg.DspTempoDiv, relayout);
  Toggle(w_.mnuViewProgVersion, Cfg.DspProgVersionReqd, [this] { w_.SetCaption(); });
  // The colours window marks the title colour as overridden, and the grid ticks as unseen.
  Toggle(w_.mnuViewKModeTitleColours, Cfg.DspKModeTitleColours, [] { PublishTopic(TTopic::Colours); });
  Toggle(w_.mnuViewKModeInputColours, Cfg.DspKModeInputColours, nullptr);
  Toggle(w_.mnuViewSeqGrid, Cfg.DspSeqGrid, [relayout] {
    relayout();
    RequestSeqGridRedraw();
    PublishTopic(TTopic::Colours);
  });
  Toggle(w_.mnuViewSolidTracks, Cfg.DspSolidTracks, nullptr);
  Toggle(w_.mnuViewSeqNumPosn, Cfg.DspSeqNumPosn, nullptr);
  QObject::connect(w_.mnuView, &QMenu::aboutToShow, w_.Window, [this] { ShowViewMenuMarks(w_); });
}

void TViewMenus::WireTemplateMenu() {
  // Virtual keyboard submenu: showing and closing are wired with the window.
  QObject::connect(w_.mnuViewTemplateOptions, &QMenu::aboutToShow, w_.Window, [this] {
    w_.mnuTemplateReset->setEnabled(Cfg.DspTemplate != 0);
    SetChecked(w_.mnuTemplateOnTop, Cfg.TemplateOnTop != 0);
  });
  Toggle(w_.mnuTemplateOnTop, Cfg.TemplateOnTop, nullptr);
  QObject::connect(w_.mnuTemplateReset, &QAction::triggered, w_.Window,
                   [] { RunEngineOp(ResetNoteDisplays); });
}

void TViewMenus::WireKinetraceMenu() {
  // Kinetrace submenu.
  QObject::connect(w_.mnuViewKinetrace, &QMenu::aboutToShow, w_.Window, [this] {
    const bool on = Cfg.DspKinetrace != 0;
    const bool img = !Cfg.KinetraceImgFile.empty();
    w_.mnuKinetraceOn->setEnabled(!on);
    w_.mnuKinetraceOff->setEnabled(on);
    w_.mnuKinetraceClear->setEnabled(on);
    for (QAction* a : {w_.mnuKinetraceImgPrev, w_.mnuKinetraceImgNext, w_.mnuKinetraceImgUnload,
                       w_.mnuKinetraceImgVisible, w_.mnuKinetraceImgStretch})
      a->setEnabled(img);
    SetChecked(w_.mnuKinetraceImgVisible, Cfg.KinetraceImgVisible != 0);
    SetChecked(w_.mnuKinetraceImgStretch, Cfg.KinetraceImgStretch != 0);
  });
  QObject::connect(w_.mnuKinetraceOn, &QAction::triggered, w_.Window, [this] { SetKinetraceOn(true); });
  QObject::connect(w_.mnuKinetraceOff, &QAction::triggered, w_.Window, [this] { SetKinetraceOn(false); });
  QObject::connect(w_.mnuKinetraceClear, &QAction::triggered, w_.Window,
                   [] { RunEngineOp(ResetNoteDisplays); });
  QObject::connect(w_.mnuKinetraceRandCols, &QAction::triggered, w_.Window, [this] { ShuffleSeqColours(); });
  using V = TKinetraceValue;
  const std::tuple<QAction*, V, bool> steps[] = {
      {w_.mnuKinetraceIncShape, V::Shape, true}, {w_.mnuKinetraceDecShape, V::Shape, false},
      {w_.mnuKinetraceIncSize, V::Size, true},   {w_.mnuKinetraceDecSize, V::Size, false},
      {w_.mnuKinetraceIncDecay, V::Decay, true}, {w_.mnuKinetraceDecDecay, V::Decay, false},
      {w_.mnuKinetraceIncTail, V::Tail, true},   {w_.mnuKinetraceDecTail, V::Tail, false},
      {w_.mnuKinetraceIncStyle, V::Style, true}, {w_.mnuKinetraceDecStyle, V::Style, false},
  };
  for (const auto& [a, v, inc] : steps)
    QObject::connect(a, &QAction::triggered, w_.Window, [this, v, inc] { StepKinetrace(v, inc); });
  // The position is set from the Kinetrace settings window only.
  w_.mnuKinetraceIncPosn->setEnabled(false);
  w_.mnuKinetraceDecPosn->setEnabled(false);
}

void TViewMenus::WireKinetraceImage() {
  // Background image.
  QObject::connect(w_.mnuKinetraceImgFile, &QAction::triggered, w_.Window, [this] {
    const QString folder =
        Cfg.KinetraceImgFile.empty() ? QString() : QFileInfo(Q(Cfg.KinetraceImgFile)).absolutePath();
    const QString file = QFileDialog::getOpenFileName(
        w_.Window, "Load background image for kinetrace", folder,
        "Image files (*.bmp *.jpg *.jpeg *.gif *.ico *.emf *.wmf);;Any file (*)");
    if (file.isEmpty()) {
      if (Trace.DiagFlags) DiagLogTimed("Load image cancelled");
      return;
    }
    Cfg.KinetraceImgFile = file.toStdString();
    if (LoadKinetraceImage()) Cfg.KinetraceImgVisible = 1;
    ApplyKinetraceImage();
  });
  QObject::connect(w_.mnuKinetraceImgVisible, &QAction::triggered, w_.Window, [this] {
    if (!Cfg.KinetraceImgFile.empty()) Cfg.KinetraceImgVisible = Cfg.KinetraceImgVisible ? 0 : 1;
    ApplyKinetraceImage();
  });
  QObject::connect(w_.mnuKinetraceImgStretch, &QAction::triggered, w_.Window, [this] {
    Cfg.KinetraceImgStretch = Cfg.KinetraceImgStretch ? 0 : 1;
    ApplyKinetraceImage();
  });
  QObject::connect(w_.mnuKinetraceImgUnload, &QAction::triggered, w_.Window,
                   [this] { UnloadKinetraceImage(); });
  QObject::connect(w_.mnuKinetraceImgNext, &QAction::triggered, w_.Window,
                   [this] { StepKinetraceImage(true); });
  QObject::connect(w_.mnuKinetraceImgPrev, &QAction::triggered, w_.Window,
                   [this] { StepKinetraceImage(false); });
}

void TViewMenus::WireWindowsMenu() {
  // Windows menu.
  QObject::connect(w_.mnuWindowWidth, &QAction::triggered, w_.Window, [this] {
    const QScreen* screen = w_.Window->screen();
    if (!screen) return;
    const TSpan span =
        ToggleMainWidth(w_.Window->width(), screen->availableGeometry().width(), MainNormalWidth());
    w_.Window->setGeometry(span.Left, w_.Window->y(), span.Width, w_.Window->height());
  });
  QObject::connect(w_.mnuWindowHeight, &QAction::triggered, w_.Window, [this] {
    const int32_t client = ToggleMainHeight(ClientHeight(), MainFullHeight(), MainReducedHeight());
    w_.Window->resize(w_.Window->width(), client + w_.Window->menuBar()->height());
    ShowLowerControls();
  });
  QObject::connect(w_.mnuWindowCentreAll, &QAction::triggered, w_.Window, [] {
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
      {w_.mnuTemplateShow, "Ctrl+F2"},
      {w_.mnuTemplateHide, "Ctrl+F3"},
      {w_.mnuKinetraceOn, "Alt+F2"},
      {w_.mnuKinetraceOff, "Alt+F3"},
      {w_.mnuKinetraceIncShape, "Alt+F12"},
      {w_.mnuKinetraceDecShape, "Alt+F11"},
      {w_.mnuKinetraceIncSize, "Shift+F12"},
      {w_.mnuKinetraceDecSize, "Shift+F11"},
      {w_.mnuKinetraceIncDecay, "Ctrl+F12"},
      {w_.mnuKinetraceDecDecay, "Ctrl+F11"},
      {w_.mnuKinetraceIncTail, "Ctrl+Alt+F12"},
      {w_.mnuKinetraceDecTail, "Ctrl+Alt+F11"},
      {w_.mnuKinetraceIncStyle, "Shift+Alt+F12"},
      {w_.mnuKinetraceDecStyle, "Shift+Alt+F11"},
      {w_.mnuKinetraceIncPosn, "Shift+Ctrl+F12"},
      {w_.mnuKinetraceDecPosn, "Shift+Ctrl+F11"},
  };
  for (const auto& [action, key] : keys) action->setShortcut(QKeySequence(QString::fromLatin1(key)));
  SetControlMenuCaption();
  SetCalibMenuCaption();
}

// ---- Action ----

void TViewMenus::ToggleRunStop() {
  // No second click while switching; the state's controls enable it again.
  w_.sbtnControl->setEnabled(false);
  w_.mnuActionControl->setEnabled(false);
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
    const bool seqPlaying = AnySeqPlaying();
    if (ShowMessage(StopQuestionText(seqPlaying), MsgKind::Confirmation, MsgButtons::YesNo) != MsgAnswer::Yes)
      return false;
  }
  const TBusyCursor busy;
  StopRunning();
  return true;
}

void TViewMenus::ToggleCalibPrompt() {
  ToggleCalibratePending();
  PromptCalibrateCmdKey();
}

void TViewMenus::PromptCalibrateCmdKey() {
  const bool prompting = ApplyCalibratePending();
  const TCalibPromptView view = CalibPromptView(prompting, Cfg.InPortLiveCmdKey[0].load());
  SetFgColour(w_.sbtnCalibrate, ToQColor(prompting ? Cfg.ClStCalibrate : Cfg.ClText, *w_.SysPalette));
  w_.sbtnCalibrate->setText(Q(view.Caption));
  w_.sbtnCalibrate->setStatusTip(Q(view.Hint));
  w_.mnuActionCalibrate->setStatusTip(Q(view.Hint));
  SetCalibMenuCaption();
}

void TViewMenus::SetControlMenuCaption() {
  const TMenuCaption c =
      MenuCaptionFromButton(w_.sbtnControl->text().toStdString(), Cfg.TemplateQwertyDisabled != 0);
  w_.mnuActionControl->setText(Q(c.Caption));
  w_.mnuActionControl->setShortcut(QKeySequence(Q(c.ShortCut)));
}

void TViewMenus::SetCalibMenuCaption() {
  const TMenuCaption c =
      MenuCaptionFromButton(w_.sbtnCalibrate->text().toStdString(), Cfg.TemplateQwertyDisabled != 0);
  w_.mnuActionCalibrate->setText(Q(c.Caption));
  w_.mnuActionCalibrate->setShortcut(QKeySequence(Q(c.ShortCut)));
}

// ---- Kinetrace ----

void TViewMenus::StepKinetrace(TKinetraceValue value, bool inc) {
  if (!StepKinetraceSetting(value, inc)) return;
  links_.SetKinetraceBounds();
  PublishTopic(TTopic::Kinetrace);
}

void TViewMenus::SetKinetraceOn(bool on) {
  SetDspKinetrace(on);
  w_.mnuViewKinetrace->menuAction()->setCheckable(true);
  w_.mnuViewKinetrace->menuAction()->setChecked(on);
  w_.PlaceGroupBoxes();
  ShowLowerControls();
  links_.SetKinetraceBounds();
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
    links_.SetKinetracePicture(QImage());
    ShowMessage(ImageLoadErrorText(why), MsgKind::Error);
    return false;
  }
  KinetraceImgLoaded = Cfg.KinetraceImgFile;
  links_.SetKinetracePicture(image);
  return true;
}

void TViewMenus::ApplyKinetraceImage() {
  // Placing the groups places the Kinetrace and its picture.
  w_.PlaceGroupBoxes();
}

void TViewMenus::UnloadKinetraceImage() {
  links_.SetKinetracePicture(QImage());
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
  return w_.Window->height() - (w_.Window->menuBar() ? w_.Window->menuBar()->height() : 0);
}

int32_t TViewMenus::MainNormalWidth() const {
  // The laid-out width: the rightmost of the seq panel and the group row (with the Kinetrace when
  // it stands among the groups).
  std::vector<const QWidget*> laidOut{w_.pnlSeqStatus, w_.grpControl, w_.grpMetr, w_.grpClock, w_.grpPorts};
  if (Cfg.DspKinetrace && Cfg.KinetracePosn >= 1 && Cfg.KinetracePosn <= 5)
    laidOut.push_back(w_.pnlKinetrace);
  int32_t right = 0;
  for (const QWidget* w : laidOut) right = std::max(right, int32_t(w->x() + w->width()));
  return vel::KinetraceAvailWidth(right + 4, Cfg.DspKinetrace != 0, Cfg.KinetracePosn,
                                  w_.pnlKinetrace->width());
}

int32_t TViewMenus::KinetraceAvailWidth() const {
  return MainNormalWidth();
}

int32_t TViewMenus::MainFullHeight() const {
  int32_t bottom = 0;
  for (const QWidget* w : {w_.grpControl, w_.grpMetr, w_.grpClock, w_.grpPorts})
    bottom = std::max(bottom, int32_t(w->y() + w->height()));
  return bottom + 4 + w_.Window->statusBar()->sizeHint().height();
}

int32_t TViewMenus::MainReducedHeight() const {
  return w_.pnlSeqStatus->y() + w_.pnlSeqStatus->height() + 4;
}

void TViewMenus::ShowLowerControls() {
  if (!w_.pnlSeqStatus->isVisible()) return;
  const TLowerControls v =
      LowerControlsVisible(ClientHeight(), MainFullHeight(), Cfg.DspKinetrace != 0, Cfg.KinetracePosn);
  for (QWidget* w : {w_.grpControl, w_.grpMetr, w_.grpClock, w_.grpPorts}) w->setVisible(v.GroupsAndStatus);
  w_.Window->statusBar()->setVisible(v.GroupsAndStatus);
  // Shown again only where its placement puts it.
  if (v.Kinetrace) {
    w_.PlaceGroupBoxes();
  } else {
    w_.pnlKinetrace->hide();
  }
}

void TViewMenus::FormResize() {
  if (RunCtl.ProgState.load() == TProgState::Initialising || !w_.Started()) return;
  const int32_t client = ClientHeight();
  const int32_t cut = ResizedClientHeight(client, MainFullHeight(), Cfg.DspKinetrace != 0, Cfg.KinetracePosn);
  if (cut != client) w_.Window->resize(w_.Window->width(), cut + w_.Window->menuBar()->height());
  ShowLowerControls();
  if (*w_.MainClosing) return;
  if (Showing.TemplateShowing && Cfg.TemplateDocked && !AligningMainToTemplate) links_.DockTemplateWindow();
  if (Cfg.DspKinetrace && Cfg.KinetracePosn > 5) links_.SetKinetraceBounds();
}

void TViewMenus::AlignMainToTemplate(const QRect& templateFrame) {
  if (AligningMainToTemplate) return;
  AligningMainToTemplate = true;
  const QRect frame = w_.Window->frameGeometry();
  w_.Window->move(templateFrame.left(), templateFrame.top() - frame.height());
  AligningMainToTemplate = false;
}

// ---- hints and activation ----

void TViewMenus::FormActivate() {
  ApplyActiveWindowHints(w_.Window);
  // An edit left open in a style window is dropped, not kept half-typed.
  links_.CloseStyleEdits();
}

void TViewMenus::ApplyAutoHints() {
  StatusHintsOn = Cfg.AutoHints != 0;
  // The title panel's own pop-ups stand in when the status bar shows no hints.
  for (QWidget* w : w_.pnlTitle->findChildren<QWidget*>())
    w->setToolTip(Cfg.AutoHints ? QString() : w->statusTip());
  if (!StatusHintsOn) w_.Window->statusBar()->clearMessage();
}

void TViewMenus::ApplyActiveWindowHints(QWidget* active) {
  StatusHintsOn = Cfg.AutoHints != 0 && active == w_.Window;
  if (!StatusHintsOn) w_.Window->statusBar()->clearMessage();
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
