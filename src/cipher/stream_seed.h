// The seed of the CBC layout's chaining block.
#pragma once

#include <cstdint>

namespace ostrel {

// The low bytes of successive millisecond readings (four for 8-byte blocks, two for 16-byte
// blocks), then bytes from the system's random source, so that seeds taken in the same
// millisecond still differ.
void FillChainSeed(uint8_t* seed, int32_t blockSize);

}  // namespace ostrel
