#pragma once
// Live-mode keys and hotkeys: a key of the Live map plays, switches to Command mode, starts or stops
// a recording, or becomes a computer-key stroke; the Hotkey argument mode sends one stroke per key.
// Runs on the key path's thread under EngineLock.
#include <cstdint>

#include "keys/ModeKey.h"

namespace vel {

// Every note-on and note-off of a control input in Live mode while an output port is allocated.
void HandleLiveKey(uint8_t input, uint32_t msg, bool noteOn);
// A note-on in the Hotkey mode with its Hotkey map code.
void HandleHotkeyModeKey(const TModeKey& key);
// The refusal of a hotkey from the virtual keyboard while hotkeys go to the active window.
void RefuseVKbdHotkey();
// After a Hotkey mode stroke: the mode stays with KeyHold, else back to Live.
void HotkeyModeDone();

// The stroke of index 0..156 as one LiveFifo block, so that no other note comes between its
// presses: from the Live map (no text) and from the Hotkey mode (its label in StatusMsg). Each is
// refused with a warning while hotkeys are disabled, or for a virtual keyboard key while hotkeys
// go to the active window. msg is the key's, for where it came from.
void SendLiveHotkey(int32_t stroke, uint32_t msg);
void SendHotkey(int32_t stroke, uint32_t msg);

}  // namespace vel
