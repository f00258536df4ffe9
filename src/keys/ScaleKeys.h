#pragma once
// The force-to-scale root and type keys, the pitch keys and their one-digit cycle count, and the
// plain metronome's bar and beat note and note-length keys. Each handler takes a note-on's code in
// its mode's map. Runs on the key path's thread under EngineLock.
#include <cstdint>
#include <string>

#include "keys/ModeKey.h"

namespace vel {

void HandleFtsRootModeKey(const TModeKey& key);
void HandleFtsTypeModeKey(const TModeKey& key);
void HandlePitchModeKey(const TModeKey& key);
void HandlePitchCyclesModeKey(const TModeKey& key);
void HandleMetrNoteModeKey(const TModeKey& key);
void SetMetrBarBeat(const TModeKey& key);

// The label of a force-to-scale type ("maj", "m7"; " " for the ignore code).
std::string FtsCodeName(int32_t code);
// StatusMsg := text, with " (indiv notes)" while pitch commands act on chosen split zones.
void PitchStatus(const std::string& text);

}  // namespace vel
