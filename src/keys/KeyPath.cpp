#include "keys/KeyPath.h"

#include "engine/MidiIn.h"
#include "engine/RunControl.h"
#include "engine/Transport.h"
#include "files/Scenes.h"
#include "files/Tarlo.h"
#include "keys/CfgEngineLink.h"
#include "keys/Commands.h"
#include "keys/KeyRouting.h"
#include "keys/RecordKeys.h"

namespace vel {

void InstallKeyPath() {
  InstallCfgEngineLink();
  MidiInHooks.RouteKeyByKeyMode = &RouteKeyByKeyMode;
  MidiInHooks.ExecCommand = &ExecCommand;
  EngineHooks.FinishFtnEntry = &FinishFtnEntry;
  RunHooks.ClearDPressTimes = &ClearDPressTimes;
  MidiInHooks.HandleRecModeKey = &HandleRecModeKey;
  MidiInHooks.HandleStepRecModeKey = &HandleStepRecModeKey;
  EngineHooks.RecBarCountDone = &RecBarCountDone;
  EngineHooks.ResetRecKeys = &ResetRecKeys;
  InstallTarloCalls();
  MidiInHooks.AfterInput = [] { RunSceneFileJob(); };
}

}  // namespace vel
