#pragma once
// The channel multiplier window's rules that need no window: its offset list, the two presets and
// the colours that mark a port's channel range.
#include <cstdint>
#include <string>
#include <vector>

namespace vel {

inline constexpr int32_t kMChanOffsetHi = 36;   // the list runs from +36 ..
inline constexpr int32_t kMChanOffsetLo = -12;  // .. down to -12
inline constexpr int32_t kMChanOffsetItems = kMChanOffsetHi - kMChanOffsetLo + 1;

// The offset list's texts, "+36" .. "+1", "0", "-1" .. "-12".
std::vector<std::string> MChanOffsetTexts();
// The list item of an offset; -1 for one the list lacks (a hand-edited file), which then shows
// no item and stays stored until one is picked.
int32_t MChanOffsetItem(int32_t offset);
// The offset of a list item.
int32_t MChanItemOffset(int32_t item);

// The offsets a preset gives the channels lo..hi, lowest first; none when lo is above hi.
// Zero: all 0. Pipes: the nine drawbars' intervals from 16' up, again from the first after 1'.
std::vector<int32_t> ZeroPreset(int32_t lo, int32_t hi);
std::vector<int32_t> PipesPreset(int32_t lo, int32_t hi);

// An offset combo's background, as 0xRRGGBB, or -1 for the window's own colour: light red inside
// the range, light green outside, only while the port's multiplier is on.
int32_t MChanComboColour(bool inRange, bool on);
inline constexpr int32_t kMChanOnColour = 0xEF9090;  // also the on/off box when checked

}  // namespace vel
