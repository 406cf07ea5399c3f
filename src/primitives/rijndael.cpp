// Rijndael with a 128-bit block: AES exactly as FIPS-197 defines it for 128-, 192- and 256-bit
// keys. Columns are little-endian words (row 0 in the low byte). Encryption rounds use T0..T3 with
// ShiftRows folded into the choice of source column; decryption is the standard's inverse cipher
// on the same round keys in reverse order, InvMixColumns through U0..U3 and InvShiftRows folded
// into the choice of destination column.
#include "primitives/rijndael.h"

#include <algorithm>
#include <cstring>

#include "primitives/byte_order.h"
#include "primitives/rijndael_tables.h"
#include "primitives/xor_bytes.h"
#include "secret/secure_wipe.h"

namespace ostrel {
namespace {

inline uint32_t Byte(uint32_t word, int row) noexcept {
  return (word >> (8 * row)) & 0xFF;
}

inline uint32_t SubWord(uint32_t word) noexcept {
  return static_cast<uint32_t>(RijndaelSBox[Byte(word, 0)]) |
         static_cast<uint32_t>(RijndaelSBox[Byte(word, 1)]) << 8 |
         static_cast<uint32_t>(RijndaelSBox[Byte(word, 2)]) << 16 |
         static_cast<uint32_t>(RijndaelSBox[Byte(word, 3)]) << 24;
}

// [a0, a1, a2, a3] becomes [a1, a2, a3, a0]; a0 is the low byte.
inline uint32_t RotWord(uint32_t word) noexcept {
  return (word >> 8) | (word << 24);
}

// The key length in bytes that a requested length is taken as: 16, 24 or 32.
inline int32_t ScheduledKeyLength(int32_t keyLength) noexcept {
  if (keyLength <= 16) {
    return 16;
  }
  return keyLength <= 24 ? 24 : 32;
}

// Row r of output column c comes from input column c + r (ShiftRows), through the S-box.
inline uint32_t ShiftSubColumn(const uint32_t* s, int c) noexcept {
  return static_cast<uint32_t>(RijndaelSBox[Byte(s[c], 0)]) |
         static_cast<uint32_t>(RijndaelSBox[Byte(s[(c + 1) % 4], 1)]) << 8 |
         static_cast<uint32_t>(RijndaelSBox[Byte(s[(c + 2) % 4], 2)]) << 16 |
         static_cast<uint32_t>(RijndaelSBox[Byte(s[(c + 3) % 4], 3)]) << 24;
}

// Row r of output column c comes from input column c - r (InvShiftRows), through the inverse S-box.
inline uint32_t InvShiftSubColumn(const uint32_t* s, int c) noexcept {
  return static_cast<uint32_t>(RijndaelInverseSBox[Byte(s[c], 0)]) |
         static_cast<uint32_t>(RijndaelInverseSBox[Byte(s[(c + 3) % 4], 1)]) << 8 |
         static_cast<uint32_t>(RijndaelInverseSBox[Byte(s[(c + 2) % 4], 2)]) << 16 |
         static_cast<uint32_t>(RijndaelInverseSBox[Byte(s[(c + 1) % 4], 3)]) << 24;
}

inline uint32_t InvMixColumn(uint32_t column) noexcept {
  return U0[Byte(column, 0)] ^ U1[Byte(column, 1)] ^ U2[Byte(column, 2)] ^ U3[Byte(column, 3)];
}

void EncryptBlock(const RijndaelContext& context, uint8_t* block) noexcept {
  const uint32_t* roundKey = context.RoundKeys;
  uint32_t s[4];
  for (int c = 0; c < 4; ++c) {
    s[c] = LoadLittleEndian32(block + 4 * c) ^ roundKey[c];
  }
  uint32_t t[4];
  for (int32_t round = 1; round < context.RoundCount; ++round) {
    roundKey += 4;
    for (int c = 0; c < 4; ++c) {
      t[c] = T0[Byte(s[c], 0)] ^ T1[Byte(s[(c + 1) % 4], 1)] ^ T2[Byte(s[(c + 2) % 4], 2)] ^
             T3[Byte(s[(c + 3) % 4], 3)] ^ roundKey[c];
    }
    std::memcpy(s, t, sizeof s);
  }
  roundKey += 4;
  for (int c = 0; c < 4; ++c) {
    t[c] = ShiftSubColumn(s, c) ^ roundKey[c];
  }
  for (int c = 0; c < 4; ++c) {
    StoreLittleEndian32(block + 4 * c, t[c]);
  }
}

void DecryptBlock(const RijndaelContext& context, uint8_t* block) noexcept {
  const uint32_t* roundKey = context.RoundKeys + 4 * context.RoundCount;
  uint32_t s[4];
  for (int c = 0; c < 4; ++c) {
    s[c] = LoadLittleEndian32(block + 4 * c) ^ roundKey[c];
  }
  uint32_t t[4];
  for (int c = 0; c < 4; ++c) {
    t[c] = InvShiftSubColumn(s, c);
  }
  for (int32_t round = context.RoundCount - 1; round >= 1; --round) {
    roundKey -= 4;
    for (int c = 0; c < 4; ++c) {
      s[c] = InvMixColumn(t[c] ^ roundKey[c]);
    }
    for (int c = 0; c < 4; ++c) {
      t[c] = InvShiftSubColumn(s, c);
    }
  }
  roundKey -= 4;
  for (int c = 0; c < 4; ++c) {
    StoreLittleEndian32(block + 4 * c, t[c] ^ roundKey[c]);
  }
}

}  // namespace

RijndaelContext::~RijndaelContext() {
  SecureWipe(*this);
}

void InitRijndaelContext(const uint8_t* key, int32_t keyLength, RijndaelContext& context,
                         bool encrypt) noexcept {
  SecureWipe(context);
  context.Direction = encrypt;

  // Only the bytes the caller vouches for are read; a short key is zero-padded.
  uint8_t keyBytes[kRijndaelMaxKeySize] = {};
  const int32_t available = std::clamp(keyLength, 0, kRijndaelMaxKeySize);
  if (available > 0) {
    std::memcpy(keyBytes, key, static_cast<size_t>(available));
  }
  const int32_t nk = ScheduledKeyLength(keyLength) / 4;
  context.RoundCount = nk + 6;

  uint32_t* w = context.RoundKeys;
  for (int32_t i = 0; i < nk; ++i) {
    w[i] = LoadLittleEndian32(keyBytes + 4 * i);
  }
  const int32_t wordCount = 4 * (context.RoundCount + 1);
  for (int32_t i = nk; i < wordCount; ++i) {
    uint32_t temp = w[i - 1];
    if (i % nk == 0) {
      temp = SubWord(RotWord(temp)) ^ RijndaelRcon[i / nk - 1];
    } else if (nk > 6 && i % nk == 4) {
      temp = SubWord(temp);
    }
    w[i] = w[i - nk] ^ temp;
  }
  SecureWipe(keyBytes, sizeof keyBytes);
}

void RijndaelBlock(const RijndaelContext& context, uint8_t* block) noexcept {
  if (context.Direction) {
    EncryptBlock(context, block);
  } else {
    DecryptBlock(context, block);
  }
}

void RijndaelBlockCbc(const RijndaelContext& context, const uint8_t* chain,
                      uint8_t* block) noexcept {
  if (context.Direction) {
    XorBytes(block, chain, kRijndaelBlockSize);
    RijndaelBlock(context, block);
  } else {
    RijndaelBlock(context, block);
    XorBytes(block, chain, kRijndaelBlockSize);
  }
}

}  // namespace ostrel
