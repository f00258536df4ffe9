#pragma once
// A rectangle in pixels: a control's or a screen's place and size.
#include <cstdint>

namespace vel {

struct TRect {
  int32_t Left = 0;
  int32_t Top = 0;
  int32_t Width = 0;
  int32_t Height = 0;
  bool operator==(const TRect&) const = default;
};

}  // namespace vel
