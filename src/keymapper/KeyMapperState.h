#pragma once
// Showing bytes of the key mapper and key-maps table windows, and the live display state that the
// MIDI-in thread keeps for the key mapper while it shows.

#include <atomic>
#include <cstdint>

namespace vel {

// The key mapper window is open.
inline std::atomic<uint8_t> KeyMapperShowing{0};
// The key-maps table window is open.
inline std::atomic<uint8_t> KeyMapsShowing{0};
// Recolour and redraw the key labels; the key mapper clears it.
inline std::atomic<uint8_t> KeyLabelsRedraw{0};

// The control key last pressed, as received (before any octave shift); -1 none.
inline std::atomic<int32_t> LastLiveKey{-1};
// The key mode after the key was routed, and the key mode in force when it arrived.
inline std::atomic<uint8_t> KeyModeShown{0};
inline std::atomic<uint8_t> KeyModeShownPrev{0};

}  // namespace vel
