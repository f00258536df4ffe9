#include "mainwindow/forms/Main.h"

namespace vel {

void TfrmMain::InstallControlHandlers() {}

void TfrmMain::ApplyClockSource() {}

}  // namespace vel
