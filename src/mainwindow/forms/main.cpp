#include "mainwindow/forms/Main.h"

#include <QApplication>
#include <mutex>

#include "base/EngineLock.h"
#include "engine/KeyMode.h"
#include "keymaps/KeyMapsFactory.h"
#include "keys/KeyPath.h"
#include "mainwindow/ValidateConfig.h"
#include "mainwindow/forms/QtUiHooks.h"
#include "settings/CfgLink.h"

int main(int argc, char* argv[]) {
  QApplication app(argc, argv);
  QApplication::setApplicationName("Vellorine");
  QApplication::setApplicationDisplayName("Vellorine");
  vel::InstallQtUiHooks();
  vel::InstallKeyModeCalls();
  vel::InstallKeyPath();
  vel::CfgLink().ValidateConfig = [] { return vel::ValidateConfig(); };
  {
    std::lock_guard lock(vel::EngineLock);
    vel::LoadKeyMapsFactory();
  }
  vel::TfrmMain frmMain;
  if (!frmMain.Started()) return 1;
  frmMain.show();
  return QApplication::exec();
}
