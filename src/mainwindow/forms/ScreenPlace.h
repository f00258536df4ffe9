#pragma once
// A window put at its saved place, or centred where that place lies on no screen.
#include <cstdint>

class QWidget;

namespace vel {

void MoveToSavedPlace(QWidget* window, int32_t savedLeft, int32_t savedTop);

}  // namespace vel
