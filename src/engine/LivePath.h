#pragma once
// Live event path: what the performer plays, echoed to the live output.
// For now the least the queues need; the live settings and the full fitting of each message to
// them (channel, transpose, scale, velocity, multiplier, hotkeys) come with the live path itself.
#include <array>
#include <cstdint>

namespace vel {

// The live channel per output port; the one in force is LiveChan[LivePort].
inline std::array<int8_t, 9> LiveChan{};
// The live port's channel multiplier applies to the live channel.
inline uint8_t LiveMChanApplies = 0;

// One live message on the timer thread (or inside FlushLiveFifo): counts notes on the live
// output and sends the message to the live port. A note-off whose note-on was not counted is
// not sent; hotkey events (data 2 = 128) are not sent.
void ProcessLiveEvent(uint32_t msg);

// The live programs count as sent (nothing is sent).
void MarkLiveProgsSent();

// Clears the live note display's counts.
void ResetNoteOnCounts();

}  // namespace vel
