#include "mainwindow/forms/ProgramHooks.h"

#include <cstdint>

#include "engine/KeyMode.h"
#include "engine/RunControl.h"
#include "engine/Transport.h"
#include "keys/KeyPath.h"
#include "mainwindow/ValidateConfig.h"
#include "mainwindow/ViewMenus.h"
#include "mainwindow/forms/QtUiHooks.h"
#include "settings/CfgLink.h"
#include "tools/SampleAid.h"
#include "tools/forms/Template.h"

namespace vel {

void InstallWindowQueues() {
  InstallSampleAidHooks();
  EngineHooks.RecBarCountDone = &RecBarCountDonePost;
  Ui().MoveShownKeyRange = &MoveTemplateKeyRangeQueued;
}

void InstallProgramHooks() {
  InstallQtUiHooks();
  InstallKeyModeCalls();
  InstallKeyPath();
  InstallWindowQueues();
  CfgLink().ValidateConfig = [] { return ValidateConfig(); };
  CfgLink().SetProgState = [](uint8_t state) { SetProgState(static_cast<TProgState>(state)); };
}

}  // namespace vel
