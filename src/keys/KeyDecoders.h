#pragma once
// The values of the quantise and time-signature map codes, shared by the argument modes that take
// them. Only the low 7 bits of a code count.
#include <cstdint>

namespace vel {

// Quant map codes 12..76 give 0..64, anything else -1.
int32_t DecodeQntKey(uint8_t code);
// TSig map codes 5..67 give 2..64, anything else -1.
int32_t DecodeTSigKey(uint8_t code);

}  // namespace vel
