#pragma once
// The program states. Run control enters them (SetProgState) and every thread reads the one in
// force (ProgState); the main window's controls follow them (ProgStateControls).
#include <cstdint>

namespace vel {

enum class TProgState : uint8_t {
  Initialising = 0,
  LoadingConfig = 1,
  Running = 2,
  Stopping = 3,
  Config = 4,
};

// One of the five states; anything above Config is a design error of the caller.
constexpr bool IsValidProgState(TProgState s) {
  return s <= TProgState::Config;
}

}  // namespace vel
