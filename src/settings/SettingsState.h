#pragma once
// Showing bytes of the settings windows and the refresh requests raised for them. Any thread may raise
// a request; the status display clears it while the window shows.

#include <atomic>
#include <cstdint>

namespace vel {

// Set by each settings window's show handler, cleared by its close.
inline std::atomic<uint8_t> CfgColoursShowing{0};
inline std::atomic<uint8_t> CfgPerfShowing{0};
inline std::atomic<uint8_t> CfgTimingShowing{0};
inline std::atomic<uint8_t> CfgMetrShowing{0};
inline std::atomic<uint8_t> CfgKinetraceShowing{0};
inline std::atomic<uint8_t> CfgBehaviourShowing{0};
inline std::atomic<uint8_t> CfgVKbdShowing{0};
inline std::atomic<uint8_t> CfgMChanShowing{0};

// Behaviour window: reload its controls (RecModeChanged: a record key changed an attribute source).
inline std::atomic<uint8_t> CfgBehaviourRefreshReq{0};
inline std::atomic<uint8_t> RecModeChanged{0};
// Metronome window: MetrNoteLenFrac changed.
inline std::atomic<uint8_t> MetrNoteLenChanged{0};

}  // namespace vel
