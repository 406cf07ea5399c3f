// Bytes from the operating system's cryptographic random source.
#pragma once

#include <cstddef>
#include <cstdint>

namespace ostrel {

// Fills size bytes. When the source fails the process ends with a message on standard error: a key
// must never be silently weak, so there is no fallback and no error return to ignore.
void FillFromSystemRandom(uint8_t* buffer, size_t size);

}  // namespace ostrel
