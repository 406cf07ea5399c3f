// Loads and stores of 32-bit words at a given byte order, independent of the host's. The internal
// cipher, the digest and Rijndael read little-endian words; DES reads its halves big-endian.
#pragma once

#include <cstdint>

namespace ostrel {

inline uint32_t LoadLittleEndian32(const uint8_t* bytes) noexcept {
  return static_cast<uint32_t>(bytes[0]) | static_cast<uint32_t>(bytes[1]) << 8 |
         static_cast<uint32_t>(bytes[2]) << 16 | static_cast<uint32_t>(bytes[3]) << 24;
}

inline void StoreLittleEndian32(uint8_t* bytes, uint32_t word) noexcept {
  bytes[0] = static_cast<uint8_t>(word);
  bytes[1] = static_cast<uint8_t>(word >> 8);
  bytes[2] = static_cast<uint8_t>(word >> 16);
  bytes[3] = static_cast<uint8_t>(word >> 24);
}

inline uint32_t LoadBigEndian32(const uint8_t* bytes) noexcept {
  return static_cast<uint32_t>(bytes[0]) << 24 | static_cast<uint32_t>(bytes[1]) << 16 |
         static_cast<uint32_t>(bytes[2]) << 8 | static_cast<uint32_t>(bytes[3]);
}

inline void StoreBigEndian32(uint8_t* bytes, uint32_t word) noexcept {
  bytes[0] = static_cast<uint8_t>(word >> 24);
  bytes[1] = static_cast<uint8_t>(word >> 16);
  bytes[2] = static_cast<uint8_t>(word >> 8);
  bytes[3] = static_cast<uint8_t>(word);
}

}  // namespace ostrel
