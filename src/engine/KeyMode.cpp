#include "engine/KeyMode.h"

#include <mutex>

#include "base/EngineLock.h"
#include "engine/LivePath.h"
#include "engine/PartBufs.h"
#include "keymaps/KeyMaps.h"
#include "keymaps/KeyModes.h"

namespace vel {

void SetKeyMode(TKeyMode mode) {
  if (KeyMode.exchange(mode) != mode) KeyModeChanged = 1;
}

bool ReturnToLiveMode() {
  DeselectAll();
  KeyHold = 0;
  SetKeyMode(TKeyMode::Live);
  return true;
}

void DeselectAll() {
  LiveSelected = 0;
  SelectionChanged = 1;
  for (int32_t s = 0; s <= LastSeq(); ++s) {
    TPartBuf& b = SeqBuf(s);
    b.Selected = 0;
    b.SelChanged = 1;
  }
  PitchZoneSel.fill(0);
  PitchZoneSelCleared = 1;
}

TModeType KeyModeToLabMode() {
  return KeyModeToLabMode(KeyMode.load(std::memory_order_relaxed));
}

void InstallKeyModeCalls() {
  KeyMapCalls().ReturnToLiveMode = [] {
    std::lock_guard<std::recursive_mutex> lock(EngineLock);
    ReturnToLiveMode();
  };
}

}  // namespace vel
