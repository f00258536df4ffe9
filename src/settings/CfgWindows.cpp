#include "settings/CfgWindows.h"

namespace vel {

int32_t RadioFor(int32_t value, int32_t first, int32_t last) {
  return value >= first && value <= last ? value : 0;
}

bool KinetraceTailsEnabled(int32_t decay) {
  return decay > 1;
}

bool TemplateAnimDecayEnabled(int32_t animateSize) {
  return animateSize > 1;
}

}  // namespace vel
