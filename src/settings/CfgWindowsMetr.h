#pragma once
// The metronome settings window's rules that need no window.
#include <cstdint>
#include <string>
#include <vector>

namespace vel {

// The seq list: "None" (metronome off), then "1" .. the last seq in use.
std::vector<std::string> MetrSeqItems(int32_t maxActiveSeqs);
// The item showing metrSeqNo: 0 ("None") for no seq, -1 (no choice) for a seq past the list, which
// stays stored until the user picks one.
int32_t MetrSeqItemIndex(int32_t metrSeqNo, int32_t maxActiveSeqs);
// The channels mean something only with a seq chosen (item 0 is "None").
bool MetrSeqControlsEnabled(int32_t itemIndex);
// The notes-per-bar button that shows a stored value: its own, else 8.
int32_t MetrNoteLenFracButton(int32_t value);
// The gate-time button that shows a stored value: its own, else 75.
int32_t MetrNoteOnPercentButton(int32_t value);

}  // namespace vel
