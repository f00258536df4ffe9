#pragma once
// Standard MIDI files: the seqs saved to and loaded from formats 0 and 1 at 3840 ticks per quarter
// note, one track per part, each track opening with a text event that carries the part's settings.
// Runs on the caller's thread (GUI for the menus, MIDI-in for scene keys) under EngineLock.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "base/Formats.h"

namespace vel {

inline constexpr int32_t kSmfDivision = 3840;
// The product word and file version the settings text carries.
inline constexpr const char* kSmfProductWord = "Vellorine";
inline constexpr const char* kSmfVersion = "13.03";
// Files before this version hold "po" 0-based.
inline constexpr int32_t kSmfPortOneBasedVersion = 1015;

// The files' state. Guarded by EngineLock.
struct TFiles {
  // A track was loaded into the metronome seq by the last load.
  uint8_t MetrSeqLoaded = 0;
};
inline TFiles Files;

// Writes the file; true when it was written. allParts: all parts of all seqs, else the playing part
// of each selected seq. The file is written beside its final name and renamed over it, so a failed
// save leaves the old file.
bool SaveSeqsToMidiFile(const std::string& fileName, bool fromMenu, bool allParts);
// Reads a file (demoIndex -1) or demo image demoIndex (0..9) into the parts; true when at least
// one seq was loaded. Nothing changes unless the whole file reads cleanly.
bool LoadSeqsFromMidiFile(int32_t demoIndex, const std::string& fileName, bool fromMenu, bool allParts);

// The two halves of a save and of a load from a file, for callers that hold the engine lock only
// for the half that touches the seqs: a slow disk must not stall the engine's timer.
// The image of the seqs, or the refusal or fault reported and false (under the engine lock).
bool BuildMidiFileReported(bool fromMenu, bool allParts, std::vector<uint8_t>& bytes);
// Writes an image beside fileName and renames it over it; the fault reported and false.
bool WriteMidiFileBytes(const std::string& fileName, const std::vector<uint8_t>& bytes, bool fromMenu);
// Whether a load may run now, the refusal reported when not (under the engine lock).
bool MidiLoadAllowed(bool fromMenu, bool allParts);
// The whole file, or the fault reported and false.
bool ReadMidiFileBytes(const std::string& fileName, bool fromMenu, std::vector<uint8_t>& bytes);

// The file image a save writes; false with the refusal or fault in error (the text a run-time
// save shows, without "@").
bool BuildMidiFile(bool fromMenu, bool allParts, std::vector<uint8_t>& out, std::string& error);
// Loads an image held in memory as LoadSeqsFromMidiFile loads a file's bytes. name names it in
// the messages.
bool LoadSeqsFromMidiBytes(const uint8_t* data, std::size_t size, const std::string& name, bool fromMenu,
                           bool allParts);

}  // namespace vel
