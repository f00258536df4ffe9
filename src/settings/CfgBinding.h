#pragma once
// A settings control's tie to its setting. The number a control shows is the number the settings
// file holds (a setting held from 0 shows from 1, a time held in ms shows in seconds), so the
// setting's own row gives the conversion both ways and its limits give the range shown. Storing
// takes EngineLock: the timer and MIDI-in threads read settings under it.
#include <climits>
#include <cstdint>
#include <mutex>

#include "base/EngineLock.h"
#include "settings/Settings.h"

namespace vel {

struct TCfgBinding {
  CfgVarRef Var;  // the setting
  // held = shown * Scale + Offset
  int32_t Scale = 1;
  int32_t Offset = 0;
  // The range as shown; the whole int range for a setting without limits.
  int32_t Lo = INT32_MIN;
  int32_t Hi = INT32_MAX;
};

// The binding of the setting held in var, from its settings row; a setting with no row (written
// by hand) shows as held.
TCfgBinding BindCfg(CfgVarRef var);

int32_t ShownValue(const TCfgBinding& b, int32_t held);
int32_t HeldValue(const TCfgBinding& b, int32_t shown);

// The setting's held value. Read without the lock, as a loader may run while the sender holds it.
int32_t HeldCfg(const TCfgBinding& b);
// The same under EngineLock, for a setting another thread may change.
int32_t ReadCfgLocked(const TCfgBinding& b);
// Stores a held value under EngineLock.
void StoreCfg(const TCfgBinding& b, int32_t held);

// Stores a setting under EngineLock.
template <typename T, typename V>
void StoreLocked(T& setting, V value) {
  std::lock_guard lock(EngineLock);
  setting = T(value);
}

}  // namespace vel
