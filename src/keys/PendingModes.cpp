#include "keys/PendingModes.h"

#include "engine/KeyMode.h"
#include "keymaps/KeyCodes.h"

// The argument modes whose keys are built later take their escape key alone, so that no mode can
// hold the keyboard. The recording keys and the scene pickers do nothing yet.

namespace vel {

namespace {

void EscOnly(uint8_t code, uint8_t esc) {
  if (code == esc) ReturnToLiveMode();
}

}  // namespace

void HandleRecModeKey(int8_t, uint32_t, uint32_t, bool, bool, bool) {}
void HandleStepRecModeKey(int8_t, uint32_t, uint32_t, bool, bool, bool) {}
void HandleRecBarsStopKey(uint8_t, uint32_t, uint8_t code) {
  EscOnly(code, RecEsc);
}
void HandleRecBarsNModeKey(uint8_t, uint8_t code) {
  EscOnly(code, NumEsc);
}
void HandleRecBarsNNModeKey(uint8_t, uint8_t code) {
  EscOnly(code, NumEsc);
}
void HandleCycleModeKey(uint8_t, uint8_t code) {
  EscOnly(code, NumEsc);
}
void HandleVelModeKey(uint8_t, uint8_t code) {
  EscOnly(code, NumEsc);
}
void HandleMetrStyleModeKey(uint8_t, uint8_t code) {
  EscOnly(code, NumEsc);
}
void HandleFtsRootModeKey(uint32_t, uint8_t code) {
  EscOnly(code, FtsRootEsc);
}
void HandleFtsTypeModeKey(uint32_t, uint8_t code) {
  EscOnly(code, FtsTypeEsc);
}
void HandlePitchModeKey(uint32_t, int32_t, uint8_t code) {
  EscOnly(code, PitchEsc);
}
void HandlePitchCyclesModeKey(uint32_t, uint8_t code) {
  EscOnly(code, NumEsc);
}
void HandleMetrNoteModeKey(uint32_t, uint8_t code) {
  EscOnly(code, MetrEsc);
}
void SetMetrBarBeat(uint32_t, uint8_t code) {
  EscOnly(code, TSigEsc);
}

}  // namespace vel
