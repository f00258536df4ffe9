#pragma once
// What other windows ask of the main window: computer keys and mouse clicks of the virtual keyboard
// turned into MIDI input on the ordinary input path, test notes and program changes sent straight
// to an output port, the diagnostics switch, the hotkey target window and the channel multiplier
// flags. GUI thread only; each takes EngineLock where it touches engine data.
#include <cstdint>
#include <functional>

namespace vel {

// Where the keyboards' messages go; tests record them instead. Defaults to HandleMidiIn.
struct TInputIo {
  std::function<void(int32_t port, uint32_t msg, int32_t time)> MidiIn;
};
inline TInputIo InputIo;

// Windows virtual-key codes of the computer keys that play or steer.
inline constexpr uint8_t kVkEscape = 27;
inline constexpr uint8_t kVkBackslash = 220;
inline constexpr uint8_t kVkEquals = 187;
inline constexpr uint8_t kVkMinus = 189;

// The input port of the keyboards: port 2 (index 1) when the window's raw-port setting asks for it,
// a second input exists and it is not the auxiliary input; else port 1.
int32_t KeyboardInPort(bool rawPortWanted);

// One of the computer keys the virtual keyboard plays or steers with.
bool IsQwertyKey(uint8_t virtualKey);
// A computer key of the virtual keyboard. False for a key that is not one of its keys (the caller
// passes it on). Its keys are swallowed: a press outside Running gives the "must be running" box,
// a key whose function no key map carries sends nothing.
bool QwertyKeyToMidi(uint8_t virtualKey, bool down);
// A mouse press or release on a key of the virtual keyboard.
void VKbdMouseToMidi(int32_t channel, int32_t note, int32_t velocity, bool down);

// A note (program < 0) or a program change with its bank messages (bankMethod 1 none, 2 both bank
// bytes, 3 MSB only, 4 LSB only, 5 patch program first), straight to the port's device. True when
// sent; refusals give a box (or a status-bar warning) and send nothing.
bool SendTestMidi(int32_t port, int32_t channel, int32_t bankMethod, int32_t bankMsb, int32_t bankLsbOrPatch,
                  int32_t program, int32_t note, bool noteOn, int32_t velocity);

// Diagnostics on (the flag first, then its display timer) or off (the timer first).
void SetDiagActive(bool on);
void ResetDiagFifos();

// The hotkey target: the window titled HotkeysTargetWinName, else hotkeys are disabled unless they
// go to the active window. The behaviour window's hotkey controls follow.
void FindHotkeyTargetWindow();

// After a key-map change: the showing views of the key maps (virtual keyboard labels, key mapper,
// key maps table) refresh.
void RefreshKeyMapViews();
// After a key-mode change (KeyModeChanged, cleared here): the virtual keyboard's labels, the display
// link's key mode and the key mapper follow.
void ShowKeyModeChange();

// Whether the channel multiplier applies to the live output and to each part, by their ports and
// channels. Takes EngineLock.
void UpdateMChanApplies();

}  // namespace vel
