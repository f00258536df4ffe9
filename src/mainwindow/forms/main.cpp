#include "mainwindow/forms/Main.h"

#include <QApplication>
#include <algorithm>
#include <cstdio>
#include <mutex>
#include <string>
#include <vector>

#include "base/EngineLock.h"
#include "keymaps/KeyMapsFactory.h"
#include "mainwindow/CommandLine.h"
#include "mainwindow/forms/ProgramHooks.h"

int main(int argc, char* argv[]) {
  // Asked from a terminal, the syntax goes to it and nothing starts: no display is needed.
  if (vel::ParseCommandLine(std::vector<std::string>(argv + std::min(argc, 1), argv + argc)).Help) {
    std::fputs(vel::ParamSyntaxLines().c_str(), stdout);
    return 0;
  }
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
