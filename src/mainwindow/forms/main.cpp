#include "mainwindow/forms/Main.h"

#include <QApplication>

#include "engine/KeyMode.h"
#include "keys/KeyPath.h"

int main(int argc, char* argv[]) {
  QApplication app(argc, argv);
  QApplication::setApplicationName("Vellorine");
  QApplication::setApplicationDisplayName("Vellorine");
  vel::InstallKeyModeCalls();
  vel::InstallKeyPath();
  vel::TfrmMain frmMain;
  frmMain.show();
  return QApplication::exec();
}
