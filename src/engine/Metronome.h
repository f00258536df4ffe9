#pragma once
// Metronome bar builder. The metronome is an ordinary seq (MetrSeqNo) whose part the engine fills
// with generated bars: a plain click, or the current pattern of the drum or bass style store. The
// builder writes only the part's events, its channel and its pitch lock; looping, muting and ports
// stay the seq's own.
//
// Builds run on the timer thread (at the metronome seq's end of part while a rebuild is pending),
// on the MIDI-in thread (commands, part changes) and on the GUI thread (RequestMetrRebuild), always
// under EngineLock. Nothing here allocates: the pattern copies are fixed-size.
#include <array>
#include <atomic>
#include <cstdint>

#include "base/Atomic.h"
#include "styles/StyleStore.h"

namespace vel {

// The builder's copy of a family's current pattern, taken again when the family's MetrDrumChanged
// (or MetrBassChanged) is 0. StepsPerWhole is Steps x TSigDen div TSigNum, at least 1.
struct TMetrPatCopy {
  std::array<ShortStr<kStyleMaxSteps>, kStyleRows> Rows{};
  int32_t Steps = kStyleMaxSteps;
  int32_t TSigNum = 4;
  int32_t TSigDen = 4;
  int32_t StepsPerWhole = kStyleMaxSteps;
};
// The metronome builder's state. Guarded by EngineLock; the two flags are shared atomics because
// the GUI thread raises a rebuild and the displays read MetrRebuilt without the lock.
struct TMetr {
  // Rebuild at the next end of the metronome seq's part.
  TAtomic<uint8_t> MetrRebuildPending{0};
  // The bar was rebuilt (display flag).
  TAtomic<uint8_t> MetrRebuilt{0};
  TMetrPatCopy DrumPatCopy;
  TMetrPatCopy BassPatCopy;
};
inline TMetr Metr;

// The velocity variation's random source: a value in 0..n - 1 for n >= 1. Tests install their own
// so that randomised bars are exact; MetrRandomDefault is the builder's own generator.
using TMetrRandomFn = int32_t (*)(int32_t n);
int32_t MetrRandomDefault(int32_t n);
inline TMetrRandomFn MetrRandom = &MetrRandomDefault;

// Builds the metronome bar into part of the metronome seq: the plain click when MetrModeStyles is
// off, else the drum style (MetrTypePitchLocked) or the bass style. fromChain when called at the
// end of the metronome seq's part, where a chain step's repeats count down.
void BuildMetronomeBar(int32_t part, bool fromChain);
void RebuildMetronome(int32_t part);
void RebuildDrumMetronome(int32_t part, bool fromChain);
void RebuildBassMetronome(int32_t part, bool fromChain);

// After a setting changed: rebuilds now when the metronome seq's playing part is Stopped, else at
// its next end of part. False, doing nothing, without a metronome seq.
bool RequestMetrRebuild();

// The metronome seq stopped at its end of part: the chain of the family it plays restarts.
void RestartMetrStyleChain();

// Installs the builder in the style stores (their rebuild requests) and the play cycle (the chain
// restart when the metronome seq stops). Called once at start-up.
void InitMetronomeHooks();

// Level 0..9 to velocity and back; out-of-range values are held to the ends.
int32_t LevelToVel(int32_t level);
int32_t VelToLevel(int32_t vel);

// vel moved by (Random(variation) - variation div 2) x 50 div 100 and kept within 1..127; 0 stays 0.
// A variation below 1 leaves vel as it is (at most 127).
int32_t RandomiseVel(int32_t vel, int32_t variation);
int32_t RandomiseDrumVel(int32_t vel);
int32_t RandomiseBassVel(int32_t vel);

}  // namespace vel
