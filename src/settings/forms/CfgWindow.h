#pragma once
// What every settings window shares: a tool window made hidden with the main window, opened from
// its Settings menu item with the main window's title for it, loaded from the settings each time
// it shows (and again after every settings load while it shows), its controls' binding rows, its
// showing flag, its "Save" button and its place on the screen, restored when it opens and kept as
// it moves.
#include <QWidget>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "base/UiHooks.h"
#include "mainwindow/WindowRegistry.h"
#include "settings/CfgBinding.h"
#include "settings/forms/RadioGroup.h"

class QAbstractButton;
class QButtonGroup;
class QComboBox;

namespace vel {

class TfrmMain;

struct TCfgWindowDef {
  const char* MenuItem;       // the Settings menu item that opens it
  int32_t* Left;              // its place, -1 never placed
  int32_t* Top;
  TTopic Loader;  // the topic that reloads it while it shows
};

// The numbers a list offers: first, first + step, .. last.
struct TCfgItems {
  int32_t First = 0;
  int32_t Step = 0;
  int32_t Last = 0;
};

// One settings control and its setting. The loader shows the setting; the user's change stores
// it (a check box 1 or 0, a list or radio group or slider the number shown, converted).
struct TCfgControl {
  QObject* Control;  // a QCheckBox, QComboBox, QButtonGroup or QSlider
  TCfgBinding Binding;
  // A list's numbers; none: the setting's range, one by one.
  TCfgItems Items = {};
  // Stores the held value in place of StoreCfg: a setter that applies it too.
  std::function<void(int32_t held)> Store = {};
  // What the window itself does after the store.
  std::function<void(int32_t held)> After = {};
};

// A list's number, shown as the user picked it; nothing while no item is picked.
std::optional<int32_t> PickedNumber(const QComboBox* combo);

class TCfgWindow : public QWidget, public TWindow {
 public:
  TCfgWindow(TfrmMain& main, const TCfgWindowDef& def);
  ~TCfgWindow() override;

  // Every settings load reloads a showing window, which stays where it is; any other topic goes
  // to OnShowing while the window shows.
  void On(TTopic topic) override;

  // Opens it with this title at its saved place, or brings it to the front.
  void Open(const std::string& title);
  // The loader, with every control's signals blocked so that no handler runs.
  void Reload();

 protected:
  // Sets every control from its setting.
  virtual void Load() = 0;
  // A topic other than a settings load, while the window shows: by default the loader's topic
  // reloads it.
  virtual void OnShowing(TTopic topic);
  // Connects "Save" and enables the window's menu item; the derived window calls it once its
  // controls exist.
  void Wire(QAbstractButton* save);
  // Ties a control to its setting: a list is filled and a slider given the range, and the
  // user's change stored.
  void Bind(TCfgControl control);
  void Bind(std::initializer_list<TCfgControl> controls);
  // Shows every bound control's setting, or the one control's.
  void LoadBound();
  void LoadBound(const QObject* control);

  void showEvent(QShowEvent* event) override;

  TfrmMain& main_;

 private:
  TCfgWindowDef def_;
  std::vector<TCfgControl> bound_;
  TRegistration registration_;
};

}  // namespace vel
