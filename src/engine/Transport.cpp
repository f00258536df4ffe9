#include "engine/Transport.h"

#include "engine/General.h"

namespace vel {

bool IsValidBeatLen(int32_t n) {
  return n >= 2 && PowerOf2Index(n) >= 0;
}

}  // namespace vel
