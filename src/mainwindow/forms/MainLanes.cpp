#include "mainwindow/forms/Main.h"

namespace vel {

void TfrmMain::InstallLanesAndKinetrace() {}

}  // namespace vel
