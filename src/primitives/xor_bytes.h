// The XOR of one buffer into another, used by every chained block step.
#pragma once

#include <cstdint>

namespace ostrel {

// destination[i] ^= source[i] for i in [0, count); count <= 0 changes nothing.
void XorBytes(uint8_t* destination, const uint8_t* source, int32_t count) noexcept;

}  // namespace ostrel
