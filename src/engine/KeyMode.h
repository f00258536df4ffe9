#pragma once
// The key mode: how the next key of a control input is taken (TKeyMode in KeyModes.h). Any thread
// reads it without a lock; it changes only through SetKeyMode.
#include <array>
#include <atomic>
#include <cstdint>

#include "keymaps/KeyModes.h"
#include "keymaps/KeyTokens.h"

namespace vel {

inline std::atomic<TKeyMode> KeyMode{TKeyMode::Inactive};
// Raised by SetKeyMode on every change; the status display clears it after redrawing.
inline std::atomic<uint8_t> KeyModeChanged{0};
// While set, an argument mode stays active after its value has been applied.
inline std::atomic<uint8_t> KeyHold{0};
// The key mode after the last control key was routed, and the key mode in force when it arrived;
// the status display shows them.
inline std::atomic<TKeyMode> KeyModeShown{TKeyMode::Inactive};
inline std::atomic<TKeyMode> KeyModeShownPrev{TKeyMode::Inactive};

// The selection display must be redrawn.
inline std::atomic<uint8_t> SelectionChanged{0};

// Pitch-command state: the pitch keys set it, SetSeqPitch reads it (under EngineLock).
// A pitch-cycle command is in progress (one or two digits), changing the pitch every PitchCycles
// cycles.
inline int32_t PitchCycles = 0;
inline uint8_t PitchCyclesN = 0;
inline uint8_t PitchCyclesNN = 0;
// The split zones pitch commands act on: low note, high note, first note.
inline std::array<uint8_t, 3> PitchZoneSel{};
inline std::atomic<uint8_t> PitchZoneSelCleared{0};

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
