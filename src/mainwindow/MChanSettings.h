#pragma once
// The channel multiplier's settings as the window changes them. The timer and MIDI-in threads send
// through them, so each store is made under EngineLock; range and on/off changes then recompute
// where the multiplier applies. A port or channel out of range changes nothing.
#include <cstdint>

namespace vel {

void SetMChanEnabled(int32_t port, bool on);
// Channels 0-based; Min above Max is kept: the range then holds no channel.
void SetMChanMin(int32_t port, int32_t chan);
void SetMChanMax(int32_t port, int32_t chan);
// Read by the engine at each send; nothing else follows.
void StoreMChanPitchOffset(int32_t port, int32_t chan, int32_t offset);

}  // namespace vel
