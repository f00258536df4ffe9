#pragma once
// The ten demo MIDI files held in the program, as complete file images at 3840 ticks per quarter.
#include <cstdint>
#include <span>

namespace vel {

inline constexpr int32_t kDemoFiles = 10;

// The image of demo index (0..9); empty for any other index.
std::span<const uint8_t> DemoFile(int32_t index);

}  // namespace vel
