// The Rijndael tables, checked against the rules of FIPS-197 that define them, and the context's
// handling of direction and of key lengths the callers never pass.
#include "primitives/rijndael.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "hex.h"
#include "primitives/rijndael_tables.h"

namespace ostrel {
namespace {

using test::ToHex;

// Multiplication in GF(2^8) modulo x^8 + x^4 + x^3 + x + 1.
uint8_t Multiply(uint8_t a, uint8_t b) {
  uint8_t product = 0;
  while (b != 0) {
    if (b & 1) {
      product ^= a;
    }
    a = static_cast<uint8_t>((a << 1) ^ ((a & 0x80) ? 0x1B : 0));
    b >>= 1;
  }
  return product;
}

uint8_t Inverse(uint8_t a) {
  for (int b = 1; b < 256; ++b) {
    if (Multiply(a, static_cast<uint8_t>(b)) == 1) {
      return static_cast<uint8_t>(b);
    }
  }
  return 0;  // 0 has no inverse and maps to 0
}

uint8_t RotateByte(uint8_t b, int n) {
  return static_cast<uint8_t>((b << n) | (b >> (8 - n)));
}

uint32_t Column(uint8_t row0, uint8_t row1, uint8_t row2, uint8_t row3) {
  return static_cast<uint32_t>(row0) | static_cast<uint32_t>(row1) << 8 |
         static_cast<uint32_t>(row2) << 16 | static_cast<uint32_t>(row3) << 24;
}

// Rotating a column down by k rows moves row r to row r + k.
uint32_t RotateDown(uint32_t column, int rows) {
  return rows == 0 ? column : (column << (8 * rows)) | (column >> (32 - 8 * rows));
}

TEST(Rijndael, SBoxIsTheInverseThroughTheAffineMap) {
  for (int x = 0; x < 256; ++x) {
    const uint8_t b = Inverse(static_cast<uint8_t>(x));
    const uint8_t expected = static_cast<uint8_t>(b ^ RotateByte(b, 1) ^ RotateByte(b, 2) ^
                                                  RotateByte(b, 3) ^ RotateByte(b, 4) ^ 0x63);
    EXPECT_EQ(RijndaelSBox[x], expected) << x;
    EXPECT_EQ(RijndaelInverseSBox[RijndaelSBox[x]], x) << x;
  }
}

TEST(Rijndael, RoundConstantsArePowersOfX) {
  uint8_t power = 1;
  for (int i = 0; i < 10; ++i) {
    EXPECT_EQ(RijndaelRcon[i], power) << i;
    power = Multiply(power, 2);
  }
}

TEST(Rijndael, RoundTablesFollowFromTheSBoxAndMultiplication) {
  const uint32_t* encryption[4] = {T0, T1, T2, T3};
  const uint32_t* decryption[4] = {U0, U1, U2, U3};
  for (int x = 0; x < 256; ++x) {
    const uint8_t s = RijndaelSBox[x];
    const auto b = static_cast<uint8_t>(x);
    const uint32_t t = Column(Multiply(s, 2), s, s, Multiply(s, 3));
    const uint32_t u = Column(Multiply(b, 14), Multiply(b, 9), Multiply(b, 13), Multiply(b, 11));
    for (int k = 0; k < 4; ++k) {
      EXPECT_EQ(encryption[k][x], RotateDown(t, k)) << "T" << k << "[" << x << "]";
      EXPECT_EQ(decryption[k][x], RotateDown(u, k)) << "U" << k << "[" << x << "]";
    }
  }
}

// There is one key schedule: the two directions share it and differ in the flag alone.
TEST(Rijndael, EncryptingAndDecryptingContextsDifferOnlyInDirection) {
  std::vector<uint8_t> key(32);
  for (size_t i = 0; i < key.size(); ++i) {
    key[i] = static_cast<uint8_t>(i * 53 + 7);
  }
  for (int32_t length : {16, 24, 32}) {
    SCOPED_TRACE(length);
    RijndaelContext encrypting;
    RijndaelContext decrypting;
    InitRijndaelContext(key.data(), length, encrypting, true);
    InitRijndaelContext(key.data(), length, decrypting, false);
    EXPECT_TRUE(encrypting.Direction);
    EXPECT_FALSE(decrypting.Direction);
    EXPECT_EQ(encrypting.RoundCount, length / 4 + 6);
    EXPECT_EQ(decrypting.RoundCount, encrypting.RoundCount);
    EXPECT_EQ(0,
              std::memcmp(encrypting.RoundKeys, decrypting.RoundKeys, sizeof encrypting.RoundKeys));
  }
}

// Another key length reads only the bytes the caller gives (each key below is a buffer of exactly
// that length, so a sanitizer build catches any read beyond it) and is taken zero-padded to the
// next of 16, 24 and 32 bytes, or cut to 32.
TEST(Rijndael, OtherKeyLengthsAreZeroPaddedOrCut) {
  struct Case {
    int32_t length;
    int32_t scheduled;
  };
  const Case cases[] = {{-3, 16}, {0, 16},  {1, 16},  {15, 16}, {17, 24},
                        {20, 24}, {25, 32}, {31, 32}, {33, 32}, {40, 32}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.length);
    std::vector<uint8_t> key(static_cast<size_t>(std::max(c.length, 0)));
    for (size_t i = 0; i < key.size(); ++i) {
      key[i] = static_cast<uint8_t>(0xA0 + i);
    }
    std::vector<uint8_t> padded(static_cast<size_t>(c.scheduled), 0);
    std::copy_n(key.begin(), std::min(key.size(), padded.size()), padded.begin());

    RijndaelContext odd;
    RijndaelContext expected;
    InitRijndaelContext(key.data(), c.length, odd, true);
    InitRijndaelContext(padded.data(), c.scheduled, expected, true);
    EXPECT_EQ(odd.RoundCount, expected.RoundCount);
    EXPECT_EQ(0, std::memcmp(odd.RoundKeys, expected.RoundKeys, sizeof odd.RoundKeys));
  }
}

}  // namespace
}  // namespace ostrel
