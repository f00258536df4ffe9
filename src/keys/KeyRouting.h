#pragma once
// Key routing by key mode: every note-on and note-off of a control input goes to the handler of
// the current key mode, through that mode's key map. Also force-to-notes entry. Runs on the key
// path's thread under EngineLock; FinishFtnEntry on the timer thread, under the timer's hold of it.
#include <cstdint>

namespace vel {

// A note-on of velocity 0 arrives as a note-off. raw: a note of an input that is no control input.
void RouteKeyByKeyMode(int8_t input, uint32_t msg, uint32_t timeStamp, bool noteOn, bool raw);
void HandleFtnModeKey(int8_t input, uint32_t msg, bool noteOn);
// The held notes become the scale map of the selected seqs and the live output.
void FinishFtnEntry();

}  // namespace vel
