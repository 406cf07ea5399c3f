// XOR of one buffer into another, a 32-bit word at a time and then the odd bytes; it runs inside
// every chained block step.
#include "primitives/xor_bytes.h"

#include <cstring>

namespace ostrel {

void XorBytes(uint8_t* destination, const uint8_t* source, int32_t count) noexcept {
  int32_t i = 0;
  // memcpy keeps unaligned buffers well-defined; compilers turn it into plain word moves.
  for (; i + 4 <= count; i += 4) {
    uint32_t target;
    uint32_t operand;
    std::memcpy(&target, destination + i, 4);
    std::memcpy(&operand, source + i, 4);
    target ^= operand;
    std::memcpy(destination + i, &target, 4);
  }
  for (; i < count; ++i) {
    destination[i] ^= source[i];
  }
}

}  // namespace ostrel
