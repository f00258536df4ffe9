#include "mainwindow/forms/Main.h"

namespace vel {

TfrmMain::TfrmMain(QWidget* parent) : QMainWindow(parent) {
  setObjectName("frmMain");
  setWindowTitle("Vellorine");
  resize(800, 500);
}

}  // namespace vel
