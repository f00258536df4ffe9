#pragma once
// Key routing by key mode: every note-on and note-off of a control input goes to the handler of
// the current key mode, through that mode's key map (KeyModeTable.h). Also force-to-notes entry.
// Runs on the key path's thread under EngineLock; FinishFtnEntry on the timer thread, under the
// timer's hold of it.
#include <cstdint>

#include "keymaps/KeyModes.h"

namespace vel {

// A note-on of velocity 0 arrives as a note-off. raw: a note of an input that is no control input.
void RouteKeyByKeyMode(int8_t input, uint32_t msg, uint32_t timeStamp, bool noteOn, bool raw);
void HandleFtnModeKey(int8_t input, uint32_t msg, bool noteOn);
// The held notes become the scale map of the selected seqs and the live output. The timer counts
// the entry down, calls this and then sets the key mode; nothing here changes it. Never allocates.
void FinishFtnEntry();

// The code of a note of control input 0 or 1 in the map of a key mode: the note less 12 x the
// input's octave offset is the key; a key outside 0..127, another input or a mode without a map
// gives the mode's out-of-map code.
uint8_t ModeKeyCode(TKeyMode mode, int32_t input, int32_t note);

// The on-screen keyboard marks its keys with a top byte of 1; MIDI devices leave it 0.
constexpr bool FromVirtualKeyboard(uint32_t msg) {
  return (msg >> 24) != 0;
}

}  // namespace vel
