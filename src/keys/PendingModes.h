#pragma once
// The key handlers of the recording, scene, part, port, quantise, time, scale, pitch, cycle,
// velocity and metronome argument modes, and the scene and scale setters they share. Until each
// is built, its mode takes only its escape key, back to Live mode.
#include <cstdint>

namespace vel {

void HandleLoadModeKey(uint8_t input, uint8_t code);
void HandleSaveModeKey(uint8_t input, uint8_t code);
void HandleTempoSlewModeKey(uint8_t input, uint8_t code);
void HandleTempoDivModeKey(uint8_t input, uint8_t code);
void HandlePartModeKey(uint8_t input, uint8_t code);
void HandlePortModeKey(uint8_t input, uint32_t msg, uint8_t code);
void HandleTimeSigModeKey(uint8_t input, uint8_t code);
void HandleTimeShiftModeKey(uint8_t input, uint8_t code);
void HandleQuantModeKey(uint8_t input, uint8_t code);

// The scene number pickers: step the scene to load or save.
void SetLoadValue(uint8_t valType);
void SetSaveValue(uint8_t valType);
// Applies a force-to-scale choice (type 5 the force-to-notes map, 6 the root alone, 7 off, 8..70
// the scales and chords) to the live output when selected and to every selected seq's pending
// set, leaving pitch-locked targets alone. Any other type turns the targets' scale off, as an
// internal error.
void SetScaleValue(int32_t root, uint8_t ftsType);

}  // namespace vel
