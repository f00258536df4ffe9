#pragma once
// The computer keys of the main window: the keys no focused control or menu short-cut takes play
// and command as the virtual keyboard's do. A click on the window's background takes the keys
// back from a control, and running gives them back to the window.
#include "mainwindow/forms/MainArea.h"
#include "mainwindow/forms/MainInput.h"

class QKeyEvent;

namespace vel {

class TComputerKeys : public TMainArea {
 public:
  explicit TComputerKeys(TfrmMain& form);
  // A key event of the window; true when it was one of the keyboard's and is swallowed.
  bool Key(const QKeyEvent& event, bool down) { return qwerty_.Key(event, down); }
  // The window lost the keyboard: the keys still held would never be released here.
  void KeyboardLost() { qwerty_.ReleaseAll(); }
  void Answer(TWindowCalls& calls) override;

 private:
  TQwertyKeys qwerty_;
};

}  // namespace vel
