#include "keys/ResetAllState.h"

#include <mutex>

#include "engine/ResetEngineState.h"
#include "files/MidiFile.h"
#include "files/Scenes.h"
#include "files/Tarlo.h"
#include "keys/Commands.h"
#include "keys/CycleKeys.h"
#include "keys/KeyArgs.h"
#include "keys/RecordKeys.h"
#include "keys/SceneKeys.h"
#include "keys/TimeKeys.h"

namespace vel {
namespace {

// The link keeps its mutex, so its fields go back one by one.
void ResetTarlo() {
  std::lock_guard lock(Tarlo.Mutex);
  const TTarlo fresh;
  Tarlo.DevIdx = fresh.DevIdx;
  Tarlo.DevId = fresh.DevId;
  Tarlo.Handle = fresh.Handle;
  Tarlo.Buf = fresh.Buf;
  Tarlo.Pos = fresh.Pos;
  Tarlo.LastLabel = fresh.LastLabel;
  Tarlo.LastFont = fresh.LastFont;
  Tarlo.LastBack = fresh.LastBack;
  Tarlo.ResendPending = fresh.ResendPending.load();
}

}  // namespace

void ResetAllState() {
  ResetEngineState();
  Commands = TCommands{};
  CmdRandom = &CmdRandomDefault;
  Args = TKeyArgs{};
  CycleEntry = TCycleEntry{};
  RecKeys = TRecKeys{};
  SceneKeys = TSceneKeys{};
  TimeKeys = TTimeKeys{};
  Files = TFiles{};
  Scenes = TScenes{};
  ResetTarlo();
}

}  // namespace vel
