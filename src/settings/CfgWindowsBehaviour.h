#pragma once
// The behaviour and timing windows' rules that need no window: the hotkey target list, the
// hotkey target a radio button chooses, and the buttons a step length or gate shows.
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "platform/Keys.h"

namespace vel {

// Where hotkey targets are looked up: the display's windows, replaced by tests.
struct THotkeyDirectory {
  std::function<std::vector<keys::TitledWindow>()> List = [] { return keys::ListTitledWindows(); };
  std::function<keys::WindowId(const std::string&)> Find = [](const std::string& title) {
    return keys::FindWindowByTitle(title);
  };
};
THotkeyDirectory& HotkeyDirectory();

// The titles hotkeys can be sent to, sorted. A title is kept only when a look-up by it finds a
// window, and two windows of one title come once: the look-up finds the same window for both.
std::vector<std::string> ListHotkeyTargetTitles(const THotkeyDirectory& directory);

// The three hotkey target buttons.
enum class THotkeyTarget : uint8_t { Disabled, ActiveWindow, NamedWindow };
struct THotkeySettings {
  uint8_t DisableHotkeys = 1;
  uint8_t HotkeysTargetActiveWin = 0;
  std::string HotkeysTargetWinName;
};
// The button the settings show.
THotkeyTarget HotkeyTargetShown(const THotkeySettings& s);
// The settings after a button is chosen; `title` is the list's selected title, null when none is
// selected (the name then stays: an empty list must not forget the window the user nominated).
// The named window still has to be looked up.
THotkeySettings ChooseHotkeyTarget(THotkeySettings s, THotkeyTarget target, const std::string* title);
// What the status line says when the nominated window cannot be had and hotkeys stay off: none
// picked (an empty name), or the one picked not open.
std::string HotkeyTargetMissingText(const std::string& name);
// The hotkey settings held, and storing them, or only the nominated window's title, under
// EngineLock: the key path reads them.
THotkeySettings HotkeySettings();
void StoreHotkeySettings(const THotkeySettings& s);
void StoreHotkeyTargetName(const std::string& title);

// The step length button (numbered as its fraction) a stored step length shows: a length no
// button holds shows 1/8.
int32_t StepLenButton(int32_t noteLenFrac);
// The gate button (numbered as its percentage) a stored gate shows: any other shows 75.
int32_t GateButton(int32_t noteOnPercent);
// The step lengths and gates of the buttons, in their order.
const std::vector<int32_t>& StepLenFracs();
const std::vector<int32_t>& GatePercents();

}  // namespace vel
