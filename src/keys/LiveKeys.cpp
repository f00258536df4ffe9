#include "keys/LiveKeys.h"

// Placeholder bodies.

namespace vel {

void HandleLiveKey(uint8_t, uint32_t, bool) {}
void HandleHotkeyModeKey(uint8_t, uint32_t, uint8_t) {}
void RefuseVKbdHotkey() {}

}  // namespace vel
