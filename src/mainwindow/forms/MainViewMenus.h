#pragma once
// The Action, Tools, View, Virtual keyboard, Kinetrace and Windows menus of the main window, its
// geometry (lower controls, resizing, docking to the template) and status bar hints.
#include <QRect>
#include <cstdint>
#include <functional>
#include <string>

#include "mainwindow/ViewMenus.h"
#include "mainwindow/forms/MainArea.h"

class QAction;
class QTimer;
class QWidget;

namespace vel {

// The windows the menus open and tend, made after the menus: reached through these, filled at
// wiring, so the menus know none of them.
struct TViewMenuLinks {
  std::function<void()> ShowKeyMapper, ShowCfgMetr, ShowCfgMetrDrum, ShowCfgMetrBass;
  // An edit left open in a style window is dropped.
  std::function<void()> CloseStyleEdits;
  std::function<void()> DockTemplateWindow;
};

class TViewMenus : public TMainArea {
 public:
  // Wires the menus, their buttons and the window's events.
  TViewMenus(TfrmMain& form, TViewMenuLinks links);
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
