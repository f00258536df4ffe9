#pragma once
// Window and refresh bytes of the drum and bass style windows. The engine and the commands raise them;
// the windows (or RefreshAll) clear them.

#include <atomic>
#include <cstdint>

namespace vel {

// The style window is showing; cleared at start-up and by the window's close.
inline std::atomic<uint8_t> CfgDrumShowing{0};
inline std::atomic<uint8_t> CfgBassShowing{0};

// The builder moved the chain: redraw the chain.
inline std::atomic<uint8_t> CfgDrumRefresh{0};
inline std::atomic<uint8_t> CfgBassRefresh{0};
// The current style or pattern changed.
inline std::atomic<uint8_t> DrumStyleChanged{0};
inline std::atomic<uint8_t> BassStyleChanged{0};
// The break trigger's state changed.
inline std::atomic<uint8_t> DrumTriggerChanged{0};
inline std::atomic<uint8_t> BassTriggerChanged{0};
// 0: the builder's copy of the current pattern is stale and must be taken again.
inline std::atomic<uint8_t> MetrDrumChanged{0};
inline std::atomic<uint8_t> MetrBassChanged{0};

}  // namespace vel
