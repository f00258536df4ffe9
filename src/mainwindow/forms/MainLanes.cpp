#include "mainwindow/forms/Main.h"

namespace vel {

void TfrmMain::InstallLanesAndKinetrace() {}

void TfrmMain::LanesAndKinetraceLocked() {}

void TfrmMain::ApplyLanesAndKinetrace() {}

void TfrmMain::SetKinetraceBounds() {}

}  // namespace vel
