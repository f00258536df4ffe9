#pragma once
// Timer callback, tempo and transport. For now only what the general procedures need.
#include <cstdint>

namespace vel {

// A beat length a time signature may have: a power of two from 2 to 128.
bool IsValidBeatLen(int32_t n);

}  // namespace vel
