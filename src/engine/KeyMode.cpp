#include "engine/KeyMode.h"

#include <mutex>

#include "base/EngineLock.h"
#include "engine/LivePath.h"
#include "engine/PartBufs.h"
#include "keymaps/KeyMaps.h"
#include "keymaps/KeyModes.h"

namespace vel {

void SetKeyMode(TKeyMode mode) {
  if (Keys.KeyMode.exchange(mode) != mode) Keys.KeyModeChanged = 1;
}

bool ReturnToLiveMode() {
  DeselectAll();
  Keys.KeyHold = 0;
  SetKeyMode(TKeyMode::Live);
  return true;
}

void DeselectAll() {
  Live.Selected = 0;
  Keys.SelectionChanged = 1;
  for (int32_t s = 0; s <= LastSeq(); ++s) {
    TPartBuf& b = SeqBuf(s);
    b.Selected = 0;
    b.SelChanged = 1;
  }
  Keys.PitchZoneSel.fill(0);
  Keys.PitchZoneSelCleared = 1;
}

TModeType KeyModeToLabMode() {
  return KeyModeToLabMode(Keys.KeyMode.load(std::memory_order_relaxed));
}

void InstallKeyModeCalls() {
  KeyMapCalls().ReturnToLiveMode = [] {
    std::lock_guard lock(EngineLock);
    ReturnToLiveMode();
  };
}

}  // namespace vel
