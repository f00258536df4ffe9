#pragma once
// The force-to-scale root and type keys, the pitch keys and their one-digit cycle count, and the
// plain metronome's bar and beat note and note-length keys. Each handler takes a note-on's code in
// its mode's map. Runs on the key path's thread under EngineLock.
#include <cstdint>
#include <string>

namespace vel {

void HandleFtsRootModeKey(uint32_t msg, uint8_t code);
void HandleFtsTypeModeKey(uint32_t msg, uint8_t code);
void HandlePitchModeKey(uint32_t msg, int32_t key, uint8_t code);
void HandlePitchCyclesModeKey(uint32_t msg, uint8_t code);
void HandleMetrNoteModeKey(uint32_t msg, uint8_t code);
void SetMetrBarBeat(uint32_t msg, uint8_t code);

// The label of a force-to-scale type ("maj", "m7"; " " for the ignore code).
std::string FtsCodeName(int32_t code);
// StatusMsg := text, with " (indiv notes)" while pitch commands act on chosen split zones.
void PitchStatus(const std::string& text);

}  // namespace vel
