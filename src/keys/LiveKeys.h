#pragma once
// Live-mode keys and hotkeys: a key of the Live map plays, switches to Command mode, starts or stops
// a recording, or becomes a computer-key stroke; the Hotkey argument mode sends one stroke per key.
// Runs on the key path's thread under EngineLock.
#include <cstdint>

namespace vel {

void HandleLiveKey(uint8_t input, uint32_t msg, bool noteOn);
void HandleHotkeyModeKey(uint8_t input, uint32_t msg, uint8_t code);
// The refusal of a hotkey from the virtual keyboard while hotkeys go to the active window.
void RefuseVKbdHotkey();

}  // namespace vel
