#pragma once
// What the settings file holds of the engine and the main window: the part buffers' output
// settings, the live output, the programs last sent, the allocated ports and the display link. The
// settings layer lies below the engine, so it keeps these values here; the engine's start-up
// installs CfgLink's hooks to fill them before a save and to take them over after a load. Without
// hooks (tests, tools) they simply stay here, so a load followed by a save gives the same file.
#include <array>
#include <cstdint>
#include <functional>
#include <string>

#include "base/HookSlots.h"
#include "base/Sizes.h"

namespace vel {

inline constexpr int kCfgParts = 2;  // parts per seq the system holds
inline constexpr int kCfgSeqs = 4;   // seqs the system holds

struct TCfgPartVals {
  int8_t Port = 0;                    // active output port, 0-based; -1 none
  std::array<int8_t, kPorts> Chan{};  // channel per output port, 0-based
  int32_t SVel = 5;                   // pending values from here on
  uint8_t Muted = 0;
  int32_t FtsRoot = 0;  // pitch class 0..11
  int32_t FtsType = 7;  // force-to-scale type code
  uint8_t PitchLocked = 0;
};

struct TCfgEngineVals {
  std::array<std::array<TCfgPartVals, kCfgSeqs>, kCfgParts> Parts{};
  // Live output.
  std::array<int8_t, kPorts> LiveChan{};
  int32_t LiveSVel = 5;
  uint8_t LivePitchLocked = 0;
  int32_t LiveFtsRoot = 0;
  int32_t LiveFtsType = 7;
  // Program last sent per output port and channel.
  std::array<std::array<int32_t, kChans>, kPorts> PortChanProgs{};
  // Allocated ports as the running system has them: highest index, -1 none; device and port names.
  int8_t InPortsAllocated = -1;
  int8_t OutPortsAllocated = -1;
  std::array<std::string, kPorts> InPortDevNames;
  std::array<std::string, kPorts> InPortNames;
  std::array<std::string, kPorts> OutPortDevNames;
  std::array<std::string, kPorts> OutPortNames;
  // The program-change switch of the device bound to each output port.
  std::array<uint8_t, kPorts> ProgChangesEnabled = {1, 1, 1, 1, 1, 1, 1, 1, 1};
  int8_t LivePort = 0;
  // Local control: the engine sends (LocalControlOn).
  uint8_t LocalControlOn = 1;
  // Display link: open, the link port list's index (-1 none chosen) and the device-id box's text.
  uint8_t TarloOn = 0;
  int32_t TarloPortIndex = 0;
  std::string TarloDevIdText = "1";
  // Main window: the main input's octave offset as its label shows it.
  std::string OctOffsetLabel;
};

struct TCfgLinkHooks {
  // Before a save: fill the values from the running system.
  std::function<void(TCfgEngineVals&)> Capture;
  // After a full load: the part and live values, programs, tempo and bar settings take effect.
  std::function<void(const TCfgEngineVals&)> Apply;
  // The main window's settings loader with the factory flag (ResetAllToFactory).
  std::function<void()> LoadConfigAndApplyFactory;
  // The main window's status bar text ("Warning: Config converted; ...").
  std::function<void(const std::string&)> SetStatusText;
  // The program state (1 "Loading config..." at the start of a full load).
  std::function<void(uint8_t)> SetProgState;
  // Settings validation; true when there is none.
  std::function<bool()> ValidateConfig;
  // File dialogs: the chosen name, empty when cancelled.
  std::function<std::string(const std::string& title, const std::string& folder)> OpenDialog;
  std::function<std::string(const std::string& title, const std::string& folder)> SaveDialog;
};

// The values as loaded or last captured, and the hooks. GUI thread.
inline TCfgEngineVals CfgEngine;
TCfgLinkHooks& CfgLink();

inline auto HookSlots(const TCfgLinkHooks& h) {
  return std::to_array<THookSlot>({
      VEL_HOOK_SLOT(h, Capture),
      VEL_HOOK_SLOT(h, Apply),
      VEL_HOOK_SLOT(h, LoadConfigAndApplyFactory),
      VEL_HOOK_SLOT(h, SetStatusText),
      VEL_HOOK_SLOT(h, SetProgState),
      VEL_HOOK_SLOT(h, ValidateConfig),
      VEL_HOOK_SLOT(h, OpenDialog),
      VEL_HOOK_SLOT(h, SaveDialog),
  });
}
static_assert(kAllSlotsListed<TCfgLinkHooks, std::function<void()>>,
              "a member of TCfgLinkHooks is not in HookSlots");

}  // namespace vel
