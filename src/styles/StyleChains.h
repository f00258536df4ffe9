#pragma once
// Chains and the break trigger of the drum and bass style stores.
//
// A chain is a short song: steps of (style, pattern, repeats), each optionally jumping into another chain
// and returning afterwards. With chain mode on the metronome builder takes its style and pattern from the
// current step; with it off, the break trigger can swap in one cycle of a break pattern and then return
// to the main pattern. NextStyleBar is the builder's single call for both: it runs once per bar build,
// moves the chain or the break on, and says which pattern to build.
//
// Callers hold EngineLock (the builder runs on the timer thread, the windows and commands on theirs).

#include <cstdint>
#include <string_view>

#include "styles/StyleStore.h"

namespace vel {

// Every return position becomes (-1, -1).
void ResetChainPosns(TStyleStore& store);
// The chains emptied (every step: no jump, style 0, pattern 0, no repeats), no return positions, no
// chain cell selected, the position back at the start chain before its first step, chain mode off.
void ResetChains(TStyleStore& store);
void ResetChainsAndStart(TStyleStore& store);
// The chain that chain mode starts from; a chain outside 0..last chain becomes 0. The current chain
// follows it and the return positions are cleared.
void SetChainNoStart(TStyleStore& store, int32_t chain);
// Back to the start chain, before its first step: chain mode turned on or off, the metronome seq stopped.
void RestartChain(TStyleStore& store);
// Chain mode. On: the chain restarts and a rebuild is asked for. Off: a chain that had started goes back
// to its start; true when it did (the window redraws the chain then).
bool SetChainMode(TStyleStore& store, bool on);
// Moves to the next active step (repeats above 0), through jumps and returns; when none is found within
// chains x steps moves, back to step 0 of the start chain with every return position cleared. The
// repeats left then come from the step reached.
void AdvanceChain(TStyleStore& store);

// The builder's choice for one bar build.
struct TStyleBarPick {
  int32_t Style = 0;
  int32_t Pattern = 0;
  // The pattern to play; nullptr when the current style and pattern name no defined pattern.
  const TStylePattern* Source = nullptr;
  // Take a fresh copy of Source (rows, steps, time signature): the pattern changed or was edited.
  bool Stale = false;
  // Build again at the next end of the metronome part: a break started or ended, the chain is on, or
  // velocities are randomised.
  bool RebuildPending = false;
};

// Run at each build of a style bar, fromChain when the metronome seq's part has ended (a bar of the
// current chain step has been played). Chain mode off: an armed break switches to the style's last-used
// break pattern (or its first), a break that has played switches back to the last-used main pattern (or
// pattern 0). Chain mode on: counts the step's repeats down and advances the chain when they run out; the
// step's style and pattern become current when they are valid. Marks the family's copy fresh when it
// returns Stale; the builder then records what it built in BuiltStyle and BuiltPat.
TStyleBarPick NextStyleBar(TStyleStore& store, bool fromChain);

// Break trigger states as the trigger button shows them: "/" idle, ">" break pending, "<" return pending.
enum class TBreakTriggerState : uint8_t { Idle, BreakPending, ReturnPending };
TBreakTriggerState BreakTriggerState(const TStyleStore& store);
std::string_view BreakTriggerCaption(TBreakTriggerState state);

// Arms a break cycle when a main pattern was built last, or the return to the main pattern when a break
// was; refused under chain control with a warning. The caller has checked that the metronome plays this
// family's styles, and asks for the rebuild.
bool ArmBreak(TStyleStore& store);
// Disarms both; raiseFlag raises the trigger display flag.
void ClearTrigger(TStyleStore& store, bool raiseFlag);

// ---------------------------------------------------------------------------------------------------
// Drum and bass names

inline void ResetDrumChainPosns() {
  ResetChainPosns(DrumStore);
}
inline void ResetBassChainPosns() {
  ResetChainPosns(BassStore);
}
inline void ResetDrumChains() {
  ResetChains(DrumStore);
}
inline void ResetBassChains() {
  ResetChains(BassStore);
}
inline void ResetDrumChainsAndStart() {
  ResetChainsAndStart(DrumStore);
}
inline void ResetBassChainsAndStart() {
  ResetChainsAndStart(BassStore);
}
inline void SetDrumChainNoStart(int32_t chain) {
  SetChainNoStart(DrumStore, chain);
}
inline void SetBassChainNoStart(int32_t chain) {
  SetChainNoStart(BassStore, chain);
}
inline void RestartDrumChain() {
  RestartChain(DrumStore);
}
inline void RestartBassChain() {
  RestartChain(BassStore);
}
inline bool SetDrumChainMode(bool on) {
  return SetChainMode(DrumStore, on);
}
inline bool SetBassChainMode(bool on) {
  return SetChainMode(BassStore, on);
}
inline void AdvanceDrumChain() {
  AdvanceChain(DrumStore);
}
inline void AdvanceBassChain() {
  AdvanceChain(BassStore);
}
inline TStyleBarPick NextDrumBar(bool fromChain) {
  return NextStyleBar(DrumStore, fromChain);
}
inline TStyleBarPick NextBassBar(bool fromChain) {
  return NextStyleBar(BassStore, fromChain);
}
inline TBreakTriggerState DrumBreakTriggerState() {
  return BreakTriggerState(DrumStore);
}
inline TBreakTriggerState BassBreakTriggerState() {
  return BreakTriggerState(BassStore);
}
inline bool ArmDrumBreak() {
  return ArmBreak(DrumStore);
}
inline bool ArmBassBreak() {
  return ArmBreak(BassStore);
}
inline void ClearDrumTrigger(bool raiseFlag) {
  ClearTrigger(DrumStore, raiseFlag);
}
inline void ClearBassTrigger(bool raiseFlag) {
  ClearTrigger(BassStore, raiseFlag);
}

}  // namespace vel
