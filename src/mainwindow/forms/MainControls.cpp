#include "mainwindow/forms/Main.h"

namespace vel {

void TfrmMain::InstallControlHandlers() {}

}  // namespace vel
