#include "keys/KeyPath.h"

#include "engine/MidiIn.h"
#include "engine/Transport.h"
#include "keys/Commands.h"
#include "keys/KeyRouting.h"
#include "keys/PendingModes.h"

namespace vel {

void InstallKeyPath() {
  MidiInHooks.RouteKeyByKeyMode = &RouteKeyByKeyMode;
  MidiInHooks.HandleRecModeKey = &HandleRecModeKey;
  MidiInHooks.HandleStepRecModeKey = &HandleStepRecModeKey;
  MidiInHooks.ExecCommand = &ExecCommand;
  EngineHooks.FinishFtnEntry = &FinishFtnEntry;
}

}  // namespace vel
