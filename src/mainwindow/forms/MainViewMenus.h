#pragma once
// The Action, Tools, View, Virtual keyboard, Kinetrace and Windows menus of the main window, its
// geometry (lower controls, resizing, docking to the template) and status bar hints.
#include <QRect>
#include <cstdint>
#include <functional>
#include <string>

#include "mainwindow/ViewMenus.h"
#include "mainwindow/WindowRegistry.h"
#include "mainwindow/forms/SeqRow.h"

class QAction;
class QComboBox;
class QFrame;
class QGroupBox;
class QImage;
class QMainWindow;
class QMenu;
class QPalette;
class QTimer;
class QToolButton;
class QWidget;

namespace vel {

// The menus' items and the buttons they stand beside; the groups and panels the window's geometry
// is taken from; the lists the programme view refills; the window, whose events, size, status bar
// and hints the menus tend; the seq rows; the system colours; whether the window is closing or has
// started; and the window's own calls that lay it out again and set its caption.
struct TViewMenuWidgets {
  QComboBox* cboLiveProgs = nullptr;
  QComboBox* cboTarloPNo = nullptr;
  QComboBox* cboTarloSysexDevId = nullptr;
  QGroupBox* grpClock = nullptr;
  QGroupBox* grpControl = nullptr;
  QGroupBox* grpMetr = nullptr;
  QGroupBox* grpPorts = nullptr;
  QAction* mnuActionCalibrate = nullptr;
  QAction* mnuActionControl = nullptr;
  QAction* mnuActionEsc = nullptr;
  QAction* mnuKinetraceClear = nullptr;
  QAction* mnuKinetraceDecDecay = nullptr;
  QAction* mnuKinetraceDecPosn = nullptr;
  QAction* mnuKinetraceDecShape = nullptr;
  QAction* mnuKinetraceDecSize = nullptr;
  QAction* mnuKinetraceDecStyle = nullptr;
  QAction* mnuKinetraceDecTail = nullptr;
  QAction* mnuKinetraceImgFile = nullptr;
  QAction* mnuKinetraceImgNext = nullptr;
  QAction* mnuKinetraceImgPrev = nullptr;
  QAction* mnuKinetraceImgStretch = nullptr;
  QAction* mnuKinetraceImgUnload = nullptr;
  QAction* mnuKinetraceImgVisible = nullptr;
  QAction* mnuKinetraceIncDecay = nullptr;
  QAction* mnuKinetraceIncPosn = nullptr;
  QAction* mnuKinetraceIncShape = nullptr;
  QAction* mnuKinetraceIncSize = nullptr;
  QAction* mnuKinetraceIncStyle = nullptr;
  QAction* mnuKinetraceIncTail = nullptr;
  QAction* mnuKinetraceOff = nullptr;
  QAction* mnuKinetraceOn = nullptr;
  QAction* mnuKinetraceRandCols = nullptr;
  QAction* mnuTemplateHide = nullptr;
  QAction* mnuTemplateOnTop = nullptr;
  QAction* mnuTemplateReset = nullptr;
  QAction* mnuTemplateShow = nullptr;
  QMenu* mnuTools = nullptr;
  QAction* mnuToolsCloseTarlo = nullptr;
  QAction* mnuToolsOpenTarlo = nullptr;
  QAction* mnuToolsSampleAid = nullptr;
  QMenu* mnuToolsTarlo = nullptr;
  QMenu* mnuView = nullptr;
  QAction* mnuViewAutoHints = nullptr;
  QAction* mnuViewKModeInputColours = nullptr;
  QAction* mnuViewKModeTitleColours = nullptr;
  QMenu* mnuViewKinetrace = nullptr;
  QAction* mnuViewMidiActivity = nullptr;
  QAction* mnuViewPortNames = nullptr;
  QAction* mnuViewProgNames = nullptr;
  QAction* mnuViewProgVersion = nullptr;
  QAction* mnuViewScale = nullptr;
  QAction* mnuViewSeqGrid = nullptr;
  QAction* mnuViewSeqLen = nullptr;
  QAction* mnuViewSeqNumPosn = nullptr;
  QAction* mnuViewSolidTracks = nullptr;
  QAction* mnuViewTDiv = nullptr;
  QMenu* mnuViewTemplateOptions = nullptr;
  QAction* mnuWindowCentreAll = nullptr;
  QAction* mnuWindowHeight = nullptr;
  QAction* mnuWindowWidth = nullptr;
  QFrame* pnlKinetrace = nullptr;
  QFrame* pnlSeqStatus = nullptr;
  QFrame* pnlTitle = nullptr;
  QToolButton* sbtnCalibrate = nullptr;
  QToolButton* sbtnControl = nullptr;
  QFrame* shpLiveMidiActivity = nullptr;
  QMainWindow* Window = nullptr;
  const TSeqRows* SeqRows = nullptr;
  const QPalette* SysPalette = nullptr;
  const bool* MainClosing = nullptr;
  std::function<bool()> Started;
  std::function<void()> LayoutSeqStatusColumns;
  std::function<void()> PlaceGroupBoxes;
  std::function<void()> SetCaption;
};

// The windows and the other areas the menus open and tend, most made after the menus: reached
// through these, filled at wiring, so the menus know none of them.
struct TViewMenuLinks {
  std::function<void()> ShowKeyMapper, ShowCfgMetr, ShowCfgMetrDrum, ShowCfgMetrBass;
  // An edit left open in a style window is dropped.
  std::function<void()> CloseStyleEdits;
  std::function<void()> DockTemplateWindow;
  // The Kinetrace's place and size, and its background picture.
  std::function<void()> SetKinetraceBounds;
  std::function<void(const QImage& picture)> SetKinetracePicture;
};

class TViewMenus : public TWindow {
 public:
  // Wires the menus, their buttons and the window's events.
  TViewMenus(const TViewMenuWidgets& widgets, TViewMenuLinks links);
  TViewMenus(const TViewMenus&) = delete;
  TViewMenus& operator=(const TViewMenus&) = delete;
  // Each program state re-derives the captions; start of running clears the calibrate prompt.
  void Answer(TWindowCalls& calls) override;
  void On(TTopic topic) override;

  // The menus' fixed short-cuts and the Action items' derived captions (start-up).
  void SetViewMenuShortCuts();
  // Run from Config, else stop after asking; the button is not clicked twice while it switches.
  void ToggleRunStop();
  // False when the user declined; without confirm it stops at once.
  bool StopToConfigMode(bool confirm);
  void ToggleCalibPrompt();
  // The calibrate button, its menu item and key mode 101 by CalibratePending.
  void PromptCalibrateCmdKey();
  // The Action items' captions and short-cuts from their buttons and "Disable qwerty controls".
  void SetControlMenuCaption();
  void SetCalibMenuCaption();
  // One wrapping step of a Kinetrace value; the display is laid out again.
  void StepKinetrace(TKinetraceValue value, bool inc);
  void SetKinetraceOn(bool on);
  void ShuffleSeqColours();
  // The background image of the Kinetrace: loaded from KinetraceImgFile (false and the image
  // settings cleared when it cannot be), applied, placed in the panel, cleared, stepped.
  bool LoadKinetraceImage();
  void ApplyKinetraceImage();
  void UnloadKinetraceImage();
  void StepKinetraceImage(bool next);
  // Window geometry: the lower controls by the client height, the resize rule, docking to the
  // template, the widths and heights the toggles use.
  void ShowLowerControls();
  void FormResize();
  void AlignMainToTemplate(const QRect& templateFrame);
  int32_t KinetraceAvailWidth() const;
  int32_t MainNormalWidth() const;
  int32_t MainFullHeight() const;
  int32_t MainReducedHeight() const;
  int32_t ClientHeight() const;
  // Status bar hints on exactly for the active window while AutoHints is on.
  void FormActivate();
  void ApplyAutoHints();
  void ApplyActiveWindowHints(QWidget* active);
  void SetDiagActive(bool on);
  // Windows built later: each shows its window once it exists.
  void ShowKeyMapper();
  void ShowCfgMetr();
  void ShowCfgMetrDrum();
  void ShowCfgMetrBass();
  // Replays the record key held back until a bar count ends.
  void tmMidiInPostTimer();
  QTimer* tmMidiInPost = nullptr;
  std::string KinetraceImgLoaded;
  bool StatusHintsOn = true;
  bool AligningMainToTemplate = false;
  int32_t KinetraceBgPhase = 0;

 private:
  TViewMenuWidgets w_;
  TViewMenuLinks links_;
  // The menus' parts, wired once by the constructor.
  void WireMidiInPost();
  void WireActionMenu();
  void WireToolsMenu();
  void WireViewMenu();
  void WireTemplateMenu();
  void WireKinetraceMenu();
  void WireKinetraceImage();
  void WireWindowsMenu();
  // A View item whose check mark is copied to its setting under the lock, then.
  void Toggle(QAction* a, uint8_t& setting, std::function<void()> then);
};

}  // namespace vel
