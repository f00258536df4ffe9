#pragma once
// What every settings window shares: a tool window made hidden with the main window, opened from
// its Settings menu item with the main window's title for it, loaded from the settings each time
// it shows (and again after every settings load while it shows), its showing flag, its "Save"
// button and its place on the screen, restored when it opens and kept as it moves.
#include <QWidget>
#include <cstdint>
#include <mutex>
#include <string>

#include "base/Atomic.h"
#include "base/EngineLock.h"
#include "base/UiHooks.h"
#include "mainwindow/WindowRegistry.h"

class QAbstractButton;
class QButtonGroup;

namespace vel {

class TfrmMain;

struct TCfgWindowDef {
  const char* MenuItem;       // the Settings menu item that opens it
  TAtomic<uint8_t>* Showing;  // its showing flag
  int32_t* Left;              // its place, -1 never placed
  int32_t* Top;
  TRefresh Loader;  // the request that reloads it while it shows
};

// Stores a setting the timer or MIDI-in thread reads, under the engine lock.
template <typename T, typename V>
void StoreLocked(T& setting, V value) {
  std::lock_guard lock(EngineLock);
  setting = T(value);
}

// Checks the radio button with every handler quiet: loading never stores or applies anything.
void FocusCfgControl(QAbstractButton* button);
// Checks the group's button of this id; an id no button has leaves the group without a choice.
void SelectRadio(QButtonGroup* group, int32_t id);
// A group of the window's buttons prefix + first .. prefix + last, each with its number as id.
QButtonGroup* MakeRadioGroup(QWidget* window, const char* prefix, int32_t first, int32_t last);

class TCfgWindow : public QWidget, public TWindow {
 public:
  TCfgWindow(TfrmMain& main, const TCfgWindowDef& def);
  ~TCfgWindow() override;

  bool Serves(TRefresh which) const override { return isVisible() && which == def_.Loader; }
  void Refresh(TRefresh) override { Reload(); }
  void Answer(TWindowCalls& calls) override;

  // Opens it with this title at its saved place, or brings it to the front.
  void Open(const std::string& title);
  // The loader, with every control's signals blocked so that no handler runs.
  void Reload();

 protected:
  // Sets every control from its setting.
  virtual void Load() = 0;
  // Connects "Save" and enables the window's menu item; the derived window calls it once its
  // controls exist.
  void Wire(QAbstractButton* save);

  void showEvent(QShowEvent* event) override;
  void hideEvent(QHideEvent* event) override;

  TfrmMain& main_;

 private:
  TCfgWindowDef def_;
  TRegistration registration_;
};

}  // namespace vel
