#include "keys/KeyPath.h"

#include <mutex>

#include "base/EngineLock.h"
#include "engine/MidiIn.h"
#include "engine/RunControl.h"
#include "engine/Transport.h"
#include "files/Scenes.h"
#include "files/Tarlo.h"
#include "keys/CfgEngineLink.h"
#include "keys/Commands.h"
#include "keys/KeyArgs.h"
#include "keys/KeyRouting.h"
#include "keys/RecordKeys.h"

namespace vel {

namespace {

// The key path's part of the engine reset. Input keeps arriving outside Running, so under the lock.
void ResetKeyPath() {
  std::lock_guard lock(EngineLock);
  Args.TapTempoTime = 0;
  Args.TapTempoInterval = 0;
  Args.ProgCalibPending = 0;
}

}  // namespace

void InstallKeyPath() {
  InstallCfgEngineLink();
  MidiInHooks.RouteKeyByKeyMode = &RouteKeyByKeyMode;
  MidiInHooks.ExecCommand = &ExecCommand;
  EngineHooks.FinishFtnEntry = &FinishFtnEntry;
  RunHooks.ClearDPressTimes = &ClearDPressTimes;
  RunHooks.ResetKeyPath = &ResetKeyPath;
  MidiInHooks.HandleRecModeKey = &HandleRecModeKey;
  MidiInHooks.HandleStepRecModeKey = &HandleStepRecModeKey;
  EngineHooks.RecBarCountDone = &RecBarCountDone;
  EngineHooks.ResetRecKeys = &ResetRecKeys;
  InstallTarloCalls();
  MidiInHooks.AfterInput = [] { RunSceneFileJob(); };
}

}  // namespace vel
