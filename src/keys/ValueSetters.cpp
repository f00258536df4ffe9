#include "keys/ValueSetters.h"

// Placeholder bodies.

namespace vel {

int32_t SweepStepValue(int32_t, bool, int32_t, int32_t, bool) {
  return -1;
}
void SetPortValue(uint8_t, int8_t, int8_t, int8_t, bool) {}
void SetChanValue(uint8_t, int8_t, int8_t, int8_t, bool) {}
void SetProgValue(uint8_t, int32_t, int32_t, int32_t, bool) {}
void SetSVelValue(uint8_t, uint8_t, uint8_t, uint8_t, bool) {}
void SetTempoValue(uint8_t, int32_t, int32_t, int32_t, bool) {}
bool SetPartValue(uint8_t, int32_t, int32_t, int32_t, bool) {
  return false;
}
void ExpandProgTargets() {}
void ReportValueOutOfRange(const std::string&, int32_t, int32_t, int32_t) {}

}  // namespace vel
