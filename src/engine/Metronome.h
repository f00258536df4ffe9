#pragma once
// Metronome bar builder: fills the metronome seq's playing part with a click bar or a drum or
// bass style pattern. For now only what the play cycle and the transport call; the builder itself
// comes with the metronome.
#include <atomic>
#include <cstdint>

namespace vel {

// Rebuild at the next end of the metronome seq's part.
inline std::atomic<uint8_t> MetrRebuildPending{0};
// The bar was rebuilt (display flag).
inline std::atomic<uint8_t> MetrRebuilt{0};

// Builds the metronome bar into part of the metronome seq; fromChain when called at the end of
// the metronome seq's part.
void BuildMetronomeBar(int32_t part, bool fromChain);
// After a setting changed: rebuilds now when the metronome seq's playing part is Stopped, else at
// its next end of part. False, doing nothing, without a metronome seq.
bool RequestMetrRebuild();

}  // namespace vel
