#pragma once
// The computer keys of the main window: the keys no focused control or menu short-cut takes play
// and command as the virtual keyboard's do. A click on the window's background takes the keys
// back from a control, and running gives them back to the window; so does a menu closed with Esc.
#include <QPointer>

#include "mainwindow/WindowRegistry.h"
#include "mainwindow/forms/MainInput.h"

class QKeyEvent;
class QMenuBar;
class QWidget;

namespace vel {

// The window's background, which has the keys when nothing else takes them, and its menu bar.
struct TComputerKeysWidgets {
  QWidget* Background = nullptr;
  QMenuBar* MenuBar = nullptr;
};

class TComputerKeys : public TWindow {
 public:
  explicit TComputerKeys(const TComputerKeysWidgets& widgets);
  TComputerKeys(const TComputerKeys&) = delete;
  TComputerKeys& operator=(const TComputerKeys&) = delete;
  // A key event of the window; true when it was one of the keyboard's and is swallowed.
  bool Key(const QKeyEvent& event, bool down) { return qwerty_.Key(event, down); }
  // The window lost the keyboard: the keys still held would never be released here.
  void KeyboardLost() { qwerty_.ReleaseAll(); }
  void Answer(TWindowCalls& calls) override;

 private:
  void KeysBackFromMenuBar();

  TComputerKeysWidgets w_;
  TQwertyKeys qwerty_;
  // The control that had the keys when the menu bar took them.
  QPointer<QWidget> beforeMenuBar_;
};

}  // namespace vel
