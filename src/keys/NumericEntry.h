#pragma once
// Numeric argument entry: the RangeN codes shared by every argument mode, and the program, tempo
// (with tap tempo) and channel modes, one key mode per digit place; the octave calibration key.
// Runs on the key path's thread under EngineLock.
#include <cstdint>

#include "keys/KeyArgs.h"
#include "keys/ModeKey.h"

namespace vel {

// The digit 0..9 of a RangeN code, else -1 after carrying out the codes every argument mode
// shares (escape, hold, switches to another argument mode).
int32_t DecodeNumKey(uint8_t input, uint8_t code);

void HandleProgModeKey(const TModeKey& key);
void HandleTempoModeKey(const TModeKey& key);
void HandleChanModeKey(const TModeKey& key);

// A key in the calibrate mode: sets the input's octave offset from a key a whole number of octaves
// from its calibration key and raises CalibDone; other keys change nothing.
void CalibrateOctave(uint8_t input, int32_t note, bool progCalib);
// The calibrate mode's handler: the key is the note itself. Once calibrated, the entry that asked
// for the calibration goes on, or the keys go back to Live.
void HandleCalibrateModeKey(const TModeKey& key);

// The first place of each entry, its accumulator cleared (the program entry widens its targets
// first).
void StartProgEntry();
void StartTempoEntry();
void StartChanEntry();

// A keyboard that changes its octave with a program change is recalibrated by the next key after
// a program sent to the live output: true when the calibrate mode was entered.
bool RequestProgCalibration();

// End of an entry: with KeyHold back to the first place, else Live mode.
void ProgEntryDone();
void TempoEntryDone();
void ChanEntryDone();

}  // namespace vel
