#pragma once
// The argument keys of tempo slew, the tempo clock divider, quantise, time signature and time
// shift, with the growing and shrinking of seqs.
// Key path thread under EngineLock.
#include <cstdint>

#include "base/Atomic.h"
#include "keys/KeyDecoders.h"
#include "keys/ModeKey.h"

namespace vel {

// The entries' state. Guarded by EngineLock.
struct TTimeKeys {
  int32_t QuantNoteEntry = 0;
  int32_t TSigBeatsEntry = 0;
  int32_t TimeShiftBeatsEntry = 0;
};
inline TTimeKeys TimeKeys;

void HandleTempoSlewModeKey(const TModeKey& key);
void HandleTempoDivModeKey(const TModeKey& key);
void HandleQuantModeKey(const TModeKey& key);
void HandleTimeSigModeKey(const TModeKey& key);
void HandleTimeShiftModeKey(const TModeKey& key);

void SetTempoSlew(int32_t seconds);
// True when a metronome style sets the time signature.
bool TSigUnderStyleControl();
// Each selected seq with events (but the metronome seq and part-sweeping seqs) one seq-quantise
// step longer or shorter (toSQ), or as long as the longest or as short as the shortest.
void GrowShrinkSeqs(bool toSQ, bool grow);

}  // namespace vel
