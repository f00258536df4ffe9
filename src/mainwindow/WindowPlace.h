#pragma once
// Where a window opens: the place it was left at, kept in its "Window..." settings, unless that
// place no longer lies on any screen (a screen unplugged, a settings file from another desk).
#include <cstdint>
#include <vector>

#include "mainwindow/Rect.h"

namespace vel {

struct TPlacePoint {
  int32_t Left = 0;
  int32_t Top = 0;
  bool operator==(const TPlacePoint&) const = default;
};

// The top left of a window of this size. A saved place of -1, -1 was never set; a saved place
// whose title strip has no grip on any screen counts as lost. Both open centred on the first
// screen (its top left kept on that screen, so the title bar stays reachable). No screen at all
// keeps the saved place, or 0, 0.
TPlacePoint PlaceWindow(int32_t savedLeft, int32_t savedTop, int32_t width, int32_t height,
                        const std::vector<TRect>& screens);

}  // namespace vel
