#include "keys/StyleKeysLocked.h"

#include <mutex>

#include "base/EngineLock.h"
#include "keys/StyleKeys.h"
#include "styles/StyleChains.h"

namespace vel {

void SetBreakTrigger(TStyleStore& store, bool down) {
  std::lock_guard lock(EngineLock);
  if (down)
    TriggerBreak(store);
  else
    ClearTrigger(store, false);
}

void PickRandomStyle(TStyleStore& store) {
  std::lock_guard lock(EngineLock);
  RandomStyle(store);
}

}  // namespace vel
