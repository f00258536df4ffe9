#include "keys/NumericEntry.h"

// Placeholder bodies.

namespace vel {

int32_t DecodeNumKey(uint8_t, uint8_t) {
  return -1;
}
void HandleProgModeKey(uint8_t, uint32_t, uint8_t) {}
void HandleTempoModeKey(uint8_t, uint8_t) {}
void HandleChanModeKey(uint8_t, uint32_t, uint8_t) {}
void CalibrateOctave(uint8_t, int32_t, bool) {}
void ProgEntryDone() {}
void TempoEntryDone() {}
void ChanEntryDone() {}

}  // namespace vel
