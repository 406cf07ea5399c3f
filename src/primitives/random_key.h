// Random key bytes from the operating system's cryptographic source.
#pragma once

#include <cstdint>

namespace ostrel {

// Writes keyLength random bytes; keyLength <= 0 writes nothing.
void FillRandomKey(uint8_t* key, int32_t keyLength);

}  // namespace ostrel
