#include "mainwindow/forms/Main.h"

namespace vel {

void TfrmMain::InstallStatusDisplay() {}

}  // namespace vel
