#include "mainwindow/forms/Main.h"

namespace vel {

void TfrmMain::InstallFileConfigMenus() {}

}  // namespace vel
