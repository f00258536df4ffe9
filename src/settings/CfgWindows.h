#pragma once
// The settings windows' rules that need no window: which radio button a stored value shows and
// which controls a value enables.
#include <cstdint>

namespace vel {

// The button (numbered as its value) of a radio group of first..last that shows value; 0 for a
// value no button holds (a hand-edited file): the group then shows no selection and the value
// stays stored until a button is picked.
int32_t RadioFor(int32_t value, int32_t first, int32_t last);

// With the Kinetrace decay off (1) there is no tail: its buttons are disabled, the tail kept.
bool KinetraceTailsEnabled(int32_t decay);
// With the key depression off (1) there is nothing to decay.
bool TemplateAnimDecayEnabled(int32_t animateSize);

}  // namespace vel
