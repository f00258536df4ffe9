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

void HandleLoadModeKey(uint8_t, uint8_t code) {
  EscOnly(code, NumEsc);
}
void HandleSaveModeKey(uint8_t, uint8_t code) {
  EscOnly(code, NumEsc);
}
void HandleTempoSlewModeKey(uint8_t, uint8_t code) {
  EscOnly(code, NumEsc);
}
void HandleTempoDivModeKey(uint8_t, uint8_t code) {
  EscOnly(code, QEsc);
}
void HandlePartModeKey(uint8_t, uint8_t code) {
  EscOnly(code, NumEsc);
}
void HandlePortModeKey(uint8_t, uint32_t, uint8_t code) {
  EscOnly(code, NumEsc);
}
void HandleTimeSigModeKey(uint8_t, uint8_t code) {
  EscOnly(code, TSigEsc);
}
void HandleTimeShiftModeKey(uint8_t, uint8_t code) {
  EscOnly(code, TShiftEsc);
}
void HandleQuantModeKey(uint8_t, uint8_t code) {
  EscOnly(code, QEsc);
}
void SetLoadValue(uint8_t) {}
void SetSaveValue(uint8_t) {}

}  // namespace vel
