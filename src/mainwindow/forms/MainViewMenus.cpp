#include "mainwindow/forms/Main.h"

namespace vel {

void TfrmMain::InstallActionViewMenus() {}

}  // namespace vel
