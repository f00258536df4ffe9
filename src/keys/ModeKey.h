#pragma once
// One note-on of an argument mode as its handler gets it: every handler of the key-mode table has
// this one signature, so the router calls the mode's row and nothing else.
#include <cstdint>

namespace vel {

struct TModeKey {
  uint8_t Input = 0;  // the control input, 0 or 1
  uint32_t Msg = 0;   // the note-on; a top byte of 1 marks the on-screen keyboard
  uint8_t Code = 0;   // the note's code in the mode's key map
  int32_t Note = 0;   // the note number, before the input's octave offset
};

using TModeKeyFn = void (*)(const TModeKey& key);

}  // namespace vel
