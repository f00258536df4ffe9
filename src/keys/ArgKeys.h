#pragma once
// What every argument mode's keys share: the mode by its number, and the escape, live and hold
// keys, which stand at codes 0 to 4 of every argument map. Runs on the key path under EngineLock.
#include <cstdint>

#include "keymaps/KeyModes.h"

namespace vel {

// The current key mode's number, and a mode entered by its number.
int32_t ModeNow();
void EnterMode(int32_t mode);
// With KeyHold back to the entry's first mode, else Live mode.
void HoldOrReturn(TKeyMode first);
void HoldOrReturn(int32_t firstMode);
// The hold keys (codes 2, 3, 4): true when the code was one.
bool HoldKey(uint8_t code);
// Escape (back to Live mode), the live key (nothing) and the hold keys: true when the code was one.
bool CommonArgKey(uint8_t code);

}  // namespace vel
