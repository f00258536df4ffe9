#include "keys/KeyPath.h"

#include "engine/MidiIn.h"
#include "engine/RunControl.h"
#include "engine/Transport.h"
#include "files/Tarlo.h"
#include "keys/Commands.h"
#include "keys/KeyRouting.h"

namespace vel {

void InstallKeyPath() {
  MidiInHooks.RouteKeyByKeyMode = &RouteKeyByKeyMode;
  MidiInHooks.ExecCommand = &ExecCommand;
  EngineHooks.FinishFtnEntry = &FinishFtnEntry;
  RunHooks.ClearDPressTimes = &ClearDPressTimes;
  InstallTarloCalls();
}

}  // namespace vel
