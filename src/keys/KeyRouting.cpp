#include "keys/KeyRouting.h"

// Placeholder bodies.

namespace vel {

void RouteKeyByKeyMode(int8_t, uint32_t, uint32_t, bool, bool) {}
void HandleFtnModeKey(int8_t, uint32_t, bool) {}
void FinishFtnEntry() {}

}  // namespace vel
