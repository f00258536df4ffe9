#pragma once
// The first step of each argument entry that a command enters, by the number of its key mode.
// The entries' own handlers move on through the steps that follow.
#include "keymaps/KeyModes.h"

namespace vel::cmdmode {

inline constexpr TKeyMode Tempo = KeyModeFromNo(8);            // three tempo digits, +/-, sweep, taps
inline constexpr TKeyMode Prog = KeyModeFromNo(21);            // three program digits
inline constexpr TKeyMode Chan = KeyModeFromNo(32);            // two channel digits
inline constexpr TKeyMode RecBarsNN = KeyModeFromNo(34);       // bars to record, two digits
inline constexpr TKeyMode PlayCyclesNN = KeyModeFromNo(36);    // play cycles, two digits
inline constexpr TKeyMode MuteCyclesNN = KeyModeFromNo(38);    // mute cycles, two digits
inline constexpr TKeyMode PlayMuteNN = KeyModeFromNo(40);      // play-mute cycles, two digits
inline constexpr TKeyMode MutePlayNN = KeyModeFromNo(42);      // mute-play cycles, two digits
inline constexpr TKeyMode PlayMuteTogNN = KeyModeFromNo(44);   // play-mute toggle cycles, two digits
inline constexpr TKeyMode PitchCyclesNN = KeyModeFromNo(46);   // pitch cycles, two digits
inline constexpr TKeyMode LoadAll = KeyModeFromNo(48);         // load every seq from a scene
inline constexpr TKeyMode LoadAllExt = KeyModeFromNo(50);      // ... from an external scene
inline constexpr TKeyMode LoadSel = KeyModeFromNo(52);         // load the selected seqs
inline constexpr TKeyMode LoadSelExt = KeyModeFromNo(54);      // ... from an external scene
inline constexpr TKeyMode SaveAll = KeyModeFromNo(56);         // save every seq to a scene
inline constexpr TKeyMode SaveSel = KeyModeFromNo(58);         // save the selected seqs
inline constexpr TKeyMode TempoSlew = KeyModeFromNo(60);       // tempo slew, two digits
inline constexpr TKeyMode RecBarsN = KeyModeFromNo(79);        // bars to record, one digit
inline constexpr TKeyMode Vel = KeyModeFromNo(80);             // velocity scale
inline constexpr TKeyMode Part = KeyModeFromNo(81);            // part
inline constexpr TKeyMode Port = KeyModeFromNo(82);            // port
inline constexpr TKeyMode PlayCyclesN = KeyModeFromNo(83);     // play cycles, one digit
inline constexpr TKeyMode MuteCyclesN = KeyModeFromNo(84);     // mute cycles, one digit
inline constexpr TKeyMode PlayMuteN = KeyModeFromNo(85);       // play-mute cycles, one digit
inline constexpr TKeyMode MutePlayN = KeyModeFromNo(86);       // mute-play cycles, one digit
inline constexpr TKeyMode PlayMuteTogN = KeyModeFromNo(87);    // play-mute toggle cycles, one digit
inline constexpr TKeyMode PitchCyclesN = KeyModeFromNo(88);    // pitch cycles, one digit
inline constexpr TKeyMode TimeShiftBack = KeyModeFromNo(108);  // time shift back: beats

// The load entry's modes: every seq or the selected ones, internal or external scenes. Each
// entry takes two modes, one per digit.
constexpr bool IsLoadMode(TKeyMode m) {
  return m >= LoadAll && m <= KeyModeFromNo(ModeNo(LoadSelExt) + 1);
}
constexpr bool IsExtLoadMode(TKeyMode m) {
  return IsLoadMode(m) && (ModeNo(m) - ModeNo(LoadAll)) / 2 % 2 == 1;
}
// The load entry for every seq or the selected ones, from internal or external scenes.
constexpr TKeyMode LoadMode(bool all, bool ext) {
  return all ? (ext ? LoadAllExt : LoadAll) : (ext ? LoadSelExt : LoadSel);
}
constexpr TKeyMode SaveMode(bool all) {
  return all ? SaveAll : SaveSel;
}

}  // namespace vel::cmdmode
