#pragma once
// The key mode: how the next key of a control input is taken (TKeyMode in KeyModes.h). Any thread
// reads it without a lock; it changes only through SetKeyMode.
#include <array>
#include <atomic>
#include <cstdint>

#include "base/Atomic.h"
#include "keymaps/KeyModes.h"
#include "keymaps/KeyTokens.h"

namespace vel {

// The key mode and the state of the pitch commands. KeyMode and the flags are shared atomics: any
// thread reads them without a lock, and the key mode changes only through SetKeyMode. The pitch
// cycle and zone values are guarded by EngineLock (the pitch keys set them, SetSeqPitch reads them).
struct TKeys {
  TAtomic<TKeyMode> KeyMode{TKeyMode::Inactive};
  // Raised by SetKeyMode on every change; the status display clears it after redrawing.
  TAtomic<uint8_t> KeyModeChanged{0};
  // While set, an argument mode stays active after its value has been applied.
  TAtomic<uint8_t> KeyHold{0};
  // The key mode after the last control key was routed, and the key mode in force when it arrived;
  // the status display shows them.
  TAtomic<TKeyMode> KeyModeShown{TKeyMode::Inactive};
  TAtomic<TKeyMode> KeyModeShownPrev{TKeyMode::Inactive};
  // The selection display must be redrawn.
  TAtomic<uint8_t> SelectionChanged{0};
  // Pitch-command state: the pitch keys set it, SetSeqPitch reads it (under EngineLock).
  // A pitch-cycle command is in progress (one or two digits), changing the pitch every PitchCycles
  // cycles.
  int32_t PitchCycles = 0;
  uint8_t PitchCyclesN = 0;
  uint8_t PitchCyclesNN = 0;
  // The split zones pitch commands act on: low note, high note, first note.
  std::array<uint8_t, 3> PitchZoneSel{};
  TAtomic<uint8_t> PitchZoneSelCleared{0};
};
inline TKeys Keys;

// Stores the mode and raises KeyModeChanged when it differs from the current one.
void SetKeyMode(TKeyMode mode);
// Deselects everything, clears KeyHold and enters Live mode. Always true.
bool ReturnToLiveMode();
// Clears the live output's and every seq's selection and the split-zone selection.
void DeselectAll();

// The key-map mode type of the current KeyMode.
TModeType KeyModeToLabMode();

// Fills the key maps' call into the key mode: a recalibration returns to Live mode under
// EngineLock. Start-up calls it.
void InstallKeyModeCalls();

}  // namespace vel
