#include "mainwindow/forms/ProgramHooks.h"

#include <cstdint>

#include "engine/KeyMode.h"
#include "engine/RunControl.h"
#include "keys/KeyPath.h"
#include "mainwindow/ValidateConfig.h"
#include "mainwindow/forms/QtUiHooks.h"
#include "settings/CfgLink.h"

namespace vel {

void InstallProgramHooks() {
  InstallQtUiHooks();
  InstallKeyModeCalls();
  InstallKeyPath();
  CfgLink().ValidateConfig = [] { return ValidateConfig(); };
  CfgLink().SetProgState = [](uint8_t state) { SetProgState(static_cast<TProgState>(state)); };
}

}  // namespace vel
