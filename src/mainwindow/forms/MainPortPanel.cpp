#include "mainwindow/forms/Main.h"

namespace vel {

void TfrmMain::InstallPortPanelAndHelp() {}

}  // namespace vel
