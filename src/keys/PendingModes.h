#pragma once
// The key handlers of the recording, scene, part, port, quantise, time, scale, pitch, cycle,
// velocity and metronome argument modes, and the scene and scale setters they share. Until each
// is built, its mode takes only its escape key, back to Live mode.
#include <cstdint>

namespace vel {

void HandleRecModeKey(int8_t input, uint32_t msg, uint32_t timeStamp, bool isNote, bool noteOn, bool raw);
void HandleStepRecModeKey(int8_t input, uint32_t msg, uint32_t timeStamp, bool isNote, bool noteOn, bool raw);
void HandleRecBarsStopKey(uint8_t input, uint32_t msg, uint8_t code);
void HandleRecBarsNModeKey(uint8_t input, uint8_t code);
void HandleRecBarsNNModeKey(uint8_t input, uint8_t code);
void HandleCycleModeKey(uint8_t input, uint8_t code);  // modes 36..47, 67..78, 83..87, 95..100
void HandleVelModeKey(uint8_t input, uint8_t code);
void HandleMetrStyleModeKey(uint8_t input, uint8_t code);
void HandleFtsRootModeKey(uint32_t msg, uint8_t code);
void HandleFtsTypeModeKey(uint32_t msg, uint8_t code);
void HandlePitchModeKey(uint32_t msg, int32_t key, uint8_t code);
void HandlePitchCyclesModeKey(uint32_t msg, uint8_t code);
void HandleMetrNoteModeKey(uint32_t msg, uint8_t code);
void SetMetrBarBeat(uint32_t msg, uint8_t code);

// Applies a force-to-scale choice (type 5 the force-to-notes map, 6 the root alone, 7 off, 8..70
// the scales and chords) to the live output when selected and to every selected seq's pending
// set, leaving pitch-locked targets alone. Any other type turns the targets' scale off, as an
// internal error.
void SetScaleValue(int32_t root, uint8_t ftsType);

}  // namespace vel
