#pragma once
// The pieces of a packed short message: status in the low byte, then data 1 and data 2.
#include <cstdint>

namespace vel::msg {

constexpr uint8_t Status(uint32_t msg) {
  return static_cast<uint8_t>(msg);
}
constexpr uint8_t Data1(uint32_t msg) {
  return static_cast<uint8_t>(msg >> 8);
}
constexpr uint8_t Data2(uint32_t msg) {
  return static_cast<uint8_t>(msg >> 16);
}
constexpr uint32_t Pack(uint32_t status, uint32_t d1, uint32_t d2) {
  return (status & 0xFF) | ((d1 & 0xFF) << 8) | ((d2 & 0xFF) << 16);
}

// a mod n in 0..n-1, negative a included.
constexpr int32_t FloorMod(int32_t a, int32_t n) {
  const int32_t r = a % n;
  return r < 0 ? r + n : r;
}

}  // namespace vel::msg
