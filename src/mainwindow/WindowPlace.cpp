#include "mainwindow/WindowPlace.h"

#include <algorithm>

namespace vel {

namespace {

// The strip of the title bar that must lie on a screen for the user to grab the window.
constexpr int32_t kGripWidth = 50;
constexpr int32_t kGripHeight = 20;

bool HasGrip(int32_t left, int32_t top, int32_t width, const TRect& s) {
  const int32_t gripW = std::min(kGripWidth, std::max(width, 1));
  const int32_t x0 = std::max(left, s.Left);
  const int32_t x1 = std::min(left + std::max(width, 1), s.Left + s.Width);
  const int32_t y0 = std::max(top, s.Top);
  const int32_t y1 = std::min(top + kGripHeight, s.Top + s.Height);
  return x1 - x0 >= gripW && y1 - y0 >= kGripHeight;
}

}  // namespace

TPlacePoint PlaceWindow(int32_t savedLeft, int32_t savedTop, int32_t width, int32_t height,
                        const std::vector<TRect>& screens) {
  const bool placed = !(savedLeft == -1 && savedTop == -1);
  if (screens.empty()) return placed ? TPlacePoint{savedLeft, savedTop} : TPlacePoint{};
  if (placed)
    for (const TRect& s : screens)
      if (HasGrip(savedLeft, savedTop, width, s)) return {savedLeft, savedTop};
  const TRect& s = screens.front();
  return {std::max(s.Left, s.Left + (s.Width - width) / 2), std::max(s.Top, s.Top + (s.Height - height) / 2)};
}

}  // namespace vel
