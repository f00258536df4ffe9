#include "keys/KeyDecoders.h"

#include "keymaps/KeyCodes.h"

namespace vel {

int32_t DecodeQntKey(uint8_t code) {
  const int32_t c = code & 0x7F;
  return c >= Q0 && c <= Q64 ? c - Q0 : -1;
}

int32_t DecodeTSigKey(uint8_t code) {
  const int32_t c = code & 0x7F;
  return c >= TSig2 && c <= TSig64 ? c - TSig2 + 2 : -1;
}

}  // namespace vel
