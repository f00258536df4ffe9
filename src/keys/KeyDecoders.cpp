#include "keys/KeyDecoders.h"

namespace vel {

int32_t DecodeQntKey(uint8_t code) {
  const int32_t c = code & 0x7F;
  return c >= 12 && c <= 76 ? c - 12 : -1;
}

int32_t DecodeTSigKey(uint8_t code) {
  const int32_t c = code & 0x7F;
  return c >= 5 && c <= 67 ? c - 3 : -1;
}

}  // namespace vel
