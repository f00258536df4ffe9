#pragma once
// The style keys' procedures as the style windows call them: each takes EngineLock itself, so a
// window never does. GUI thread.
#include "styles/StyleStore.h"

namespace vel {

// Down arms a break (TriggerBreak), up clears the trigger without raising its flag.
void SetBreakTrigger(TStyleStore& store, bool down);
// RandomStyle.
void PickRandomStyle(TStyleStore& store);

}  // namespace vel
