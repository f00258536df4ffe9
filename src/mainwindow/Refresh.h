#pragma once
// The refresh of the whole program after its settings changed: the ports re-found by their saved
// device names, the seqs' ports by their saved port names, the engine reset and the main window's
// controls reloaded. Also the tidying before a settings load and the metronome and display-link
// controls' visibility. GUI thread only, outside Running.
#include <array>
#include <cstdint>
#include <functional>
#include <string>

#include "base/HookSlots.h"
#include "base/Sizes.h"
#include "engine/ProgStateTable.h"
#include "mainwindow/MainCombos.h"
#include "mainwindow/PortModel.h"

namespace vel {

// What the refresh asks of the windows; an empty one is skipped.
struct TRefreshHooks {
  // The window-side flags that a reload starts without (the virtual keyboard's hotkey advice).
  std::function<void()> ClearWindowMessages;
  // The key mapper and key maps table windows close when showing.
  std::function<void()> CloseKeyMapWindows;
  // Hints, hint mode, seq status columns and the fixed lists of the main window.
  std::function<void()> ReloadMainWindow;
  // The port rows and labels of one side, after its ports were re-found.
  std::function<void(TPortSide side)> PortRowsChanged;
  // The main window's combos, check boxes, radio buttons and menu marks from the values.
  std::function<void(const TMainComboIndices& combos)> LoadMainControls;
  // The display link's port and device-id lists show the loaded TarloSysExPortNo and TarloSysExDevId.
  std::function<void()> SelectTarloControls;
};
inline TRefreshHooks RefreshHooks;

inline auto HookSlots(const TRefreshHooks& h) {
  return std::to_array<THookSlot>({
      VEL_HOOK_SLOT(h, ClearWindowMessages),
      VEL_HOOK_SLOT(h, CloseKeyMapWindows),
      VEL_HOOK_SLOT(h, ReloadMainWindow),
      VEL_HOOK_SLOT(h, PortRowsChanged),
      VEL_HOOK_SLOT(h, LoadMainControls),
      VEL_HOOK_SLOT(h, SelectTarloControls),
  });
}
static_assert(kAllSlotsListed<TRefreshHooks, std::function<void()>>,
              "a member of TRefreshHooks is not in HookSlots");

// Brings every control and the engine into line with the settings; with reinit, first the ports by
// their saved names, the settings windows and the key labels. Ends in Config. Refused while
// Running ("RefreshAll error: Unexpected ProgState"): it resets the engine. False when refused.
bool RefreshAll(bool reinit);

// The port allocation in force, as a settings file asks for it: what a refused file gives back,
// so that it changes no port.
struct TPortRequest {
  int8_t InPorts = -1;
  int8_t OutPorts = -1;
  std::array<std::string, kPorts> InDevNames, InNames, OutDevNames, OutNames;
  std::array<uint8_t, kPorts> ProgChangesEnabled{};
};
TPortRequest PortsInForce();
// The next refresh with reinit re-finds these ports.
void RequestPorts(const TPortRequest& ports);

// Every part of every seq empty, its attributes reset in full and its tempo divider 1.
void ClearAllPartBufs();
// The live channels, every port's programs (wanted 0, none sent) and every part's channels 0.
void ResetPortChanTables();
// Every part's events peak -1 and each queue's count and peak 0, under the queue's own mutex (MIDI
// input still writes the live queues in Config).
void ResetUsagePeaks();

// The display link's controls show in standard mode when an output port exists.
bool TarloControlsVisible();

struct TShowEnable {
  bool Visible = false;
  bool Enabled = true;
  bool operator==(const TShowEnable&) const = default;
};
// The metronome group's controls while running or not.
struct TMetrControls {
  TShowEnable StyleLabels;    // lblvMetrStyleName, lblvMetrStylePatNo
  TShowEnable NoteCombos;     // cboMetrBarNote, cboMetrBeatNote, cboMetrBarSVel, cboMetrBeatSVel
  TShowEnable SVelLabel;      // lblMetrSVel
  TShowEnable NoteLabels;     // lblvMetrBarNote, lblvMetrBeatNote, lblvMetrBarSVel, lblvMetrBeatSVel
  TShowEnable Fill;           // chkMetrFill, lblMetrFill
  TShowEnable BarBeatLabels;  // lblBar, lblBeat
  TShowEnable ModeStyles;     // chkMetrModeStyles, lblMetrModeStyles
  TShowEnable TypeButtons;    // sbtnMetrTypePitched, sbtnMetrTypePitchLocked
  bool ModeStylesChecked = false;
  bool operator==(const TMetrControls&) const = default;
};
TMetrControls UpdateMetrControls(bool running);
// The same from the GUI thread: takes EngineLock.
TMetrControls MetrControlsNow(bool running);

// The inputs of the program state's controls; the live port, channel and velocity among them are
// set from the keyboard too: copied under EngineLock.
TProgStateInputs ProgStateInputsNow();

}  // namespace vel
