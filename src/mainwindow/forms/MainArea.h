#pragma once
// An area of the main window: a controller with its own state and handlers, made by the window's
// wiring (MainWiring.cpp) and registered with the window registry for the calls it answers.
#include "mainwindow/WindowRegistry.h"

namespace Ui {
class frmMain;
}

namespace vel {

class TfrmMain;

class TMainArea : public TWindow {
 public:
  explicit TMainArea(TfrmMain& form);
  TMainArea(const TMainArea&) = delete;
  TMainArea& operator=(const TMainArea&) = delete;

 protected:
  TfrmMain& form_;
  // The window's designed controls, as the window itself names them.
  Ui::frmMain* const ui;
};

}  // namespace vel
