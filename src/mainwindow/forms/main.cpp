#include "mainwindow/forms/Main.h"

#include <QApplication>
#include <mutex>

#include "base/EngineLock.h"
#include "keymaps/KeyMapsFactory.h"
#include "mainwindow/forms/ProgramHooks.h"

int main(int argc, char* argv[]) {
  QApplication app(argc, argv);
  QApplication::setApplicationName("Vellorine");
  QApplication::setApplicationDisplayName("Vellorine");
  vel::InstallProgramHooks();
  vel::RunEngineOp(vel::LoadKeyMapsFactory);
  vel::TfrmMain frmMain;
  // A start-up that could not take its locks, or that ended in a critical close, goes no further.
  if (!frmMain.Started() || frmMain.Closing()) return 1;
  frmMain.show();
  return QApplication::exec();
}
