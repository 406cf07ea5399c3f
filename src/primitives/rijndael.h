// Rijndael with a 128-bit block and 128-, 192- or 256-bit keys: AES exactly as FIPS-197.
// Decryption runs the inverse cipher on the encryption round keys in reverse order.
#pragma once

#include <cstdint>

namespace ostrel {

inline constexpr int kRijndaelBlockSize = 16;
inline constexpr int kRijndaelMaxKeySize = 32;

struct RijndaelContext {
  bool Direction;          // true: encrypting
  int32_t RoundCount;      // 10, 12 or 14
  uint32_t RoundKeys[60];  // round key r is words 4r..4r+3, little-endian columns

  ~RijndaelContext();
};

// keyLength is 16, 24 or 32. Another length never reads outside the key buffer: the key is taken
// as its first min(keyLength, 32) bytes, zero-padded to the next of 16, 24 and 32.
void InitRijndaelContext(const uint8_t* key, int32_t keyLength, RijndaelContext& context,
                         bool encrypt) noexcept;
void RijndaelBlock(const RijndaelContext& context, uint8_t* block) noexcept;
// Encrypting: block = E(block ^ chain). Decrypting: block = D(block) ^ chain. chain is not changed.
void RijndaelBlockCbc(const RijndaelContext& context, const uint8_t* chain,
                      uint8_t* block) noexcept;

}  // namespace ostrel
