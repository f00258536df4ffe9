#include "keys/ArgKeys.h"

#include "engine/KeyMode.h"
#include "keymaps/KeyCodes.h"

namespace vel {

// One set of names serves every argument map, since their first five codes are the same.
static_assert(NumEsc == 0 && QEsc == NumEsc && TSigEsc == NumEsc && TShiftEsc == NumEsc &&
              PitchEsc == NumEsc && MetrEsc == NumEsc && FtsRootEsc == NumEsc && FtsTypeEsc == NumEsc &&
              FtnEsc == NumEsc);
static_assert(NumLiveN == 1 && NumHold == 2 && NumHoldOff == 3 && NumHoldTog == 4);
static_assert(QHold == NumHold && TSigHoldOff == NumHoldOff && PitchHoldTog == NumHoldTog &&
              FtsTypeHold == NumHold && MetrHoldTog == NumHoldTog);

int32_t ModeNow() {
  return ModeNo(Keys.KeyMode.load());
}

void EnterMode(int32_t mode) {
  SetKeyMode(KeyModeFromNo(mode));
}

void HoldOrReturn(TKeyMode first) {
  if (Keys.KeyHold)
    SetKeyMode(first);
  else
    ReturnToLiveMode();
}

void HoldOrReturn(int32_t firstMode) {
  HoldOrReturn(KeyModeFromNo(firstMode));
}

bool HoldKey(uint8_t code) {
  switch (code) {
    case NumHold:
      Keys.KeyHold = 1;
      return true;
    case NumHoldOff:
      Keys.KeyHold = 0;
      return true;
    case NumHoldTog:
      Keys.KeyHold = Keys.KeyHold ? 0 : 1;
      return true;
    default:
      return false;
  }
}

bool CommonArgKey(uint8_t code) {
  switch (code) {
    case NumEsc:
      ReturnToLiveMode();
      return true;
    case NumLiveN:
      return true;
    default:
      return HoldKey(code);
  }
}

}  // namespace vel
