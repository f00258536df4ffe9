#pragma once
// The program's title, the main window's caption and the wait message's texts and place.
#include <cstdint>
#include <string>

namespace vel {

// "Vellorine", with withVersion + " " + the version, and with withBuild + " (build n)".
std::string ProgVersionText(bool withVersion, bool withBuild);

// The application title and the main window's caption: the title (with the version when the
// view option asks for it), the novice marker, and the settings file's name without its folder,
// cut before its last ".".
std::string SetMainCaption(const std::string& configFileName);

// The wait messages of start-up and shut-down.
inline constexpr const char* kWaitInitialising = "Initialising...";
inline constexpr const char* kWaitPreparingAutoRun = "Preparing to auto-run...";
inline constexpr const char* kWaitClosingDown = "Closing down...";
std::string StartupDelayWaitText(int32_t secs);

// Where the wait message stands: centred on the seq status panel, from the window's client
// origin.
struct TPoint {
  int32_t X = 0;
  int32_t Y = 0;
};
TPoint WaitMessagePos(int32_t panelWidth, int32_t panelHeight, int32_t labelWidth, int32_t labelHeight);

}  // namespace vel
