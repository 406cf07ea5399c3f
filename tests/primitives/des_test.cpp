// The DES tables, the grouped subkey format and the S-box circuits of the bitsliced engine, checked
// against the definitions of FIPS 46-3 written out here from the standard, independently of the
// tables the cipher uses.
#include "primitives/des.h"

#include <gtest/gtest.h>

#include <cstring>
#include <utility>
#include <vector>

#include "hex.h"
#include "primitives/des_sbox_circuits.h"
#include "primitives/des_tables.h"

namespace ostrel {
namespace {

using test::Hex;
using test::ToHex;

const uint8_t kSBoxes[8][4][16] = {
    {{14, 4, 13, 1, 2, 15, 11, 8, 3, 10, 6, 12, 5, 9, 0, 7},
     {0, 15, 7, 4, 14, 2, 13, 1, 10, 6, 12, 11, 9, 5, 3, 8},
     {4, 1, 14, 8, 13, 6, 2, 11, 15, 12, 9, 7, 3, 10, 5, 0},
     {15, 12, 8, 2, 4, 9, 1, 7, 5, 11, 3, 14, 10, 0, 6, 13}},
    {{15, 1, 8, 14, 6, 11, 3, 4, 9, 7, 2, 13, 12, 0, 5, 10},
     {3, 13, 4, 7, 15, 2, 8, 14, 12, 0, 1, 10, 6, 9, 11, 5},
     {0, 14, 7, 11, 10, 4, 13, 1, 5, 8, 12, 6, 9, 3, 2, 15},
     {13, 8, 10, 1, 3, 15, 4, 2, 11, 6, 7, 12, 0, 5, 14, 9}},
    {{10, 0, 9, 14, 6, 3, 15, 5, 1, 13, 12, 7, 11, 4, 2, 8},
     {13, 7, 0, 9, 3, 4, 6, 10, 2, 8, 5, 14, 12, 11, 15, 1},
     {13, 6, 4, 9, 8, 15, 3, 0, 11, 1, 2, 12, 5, 10, 14, 7},
     {1, 10, 13, 0, 6, 9, 8, 7, 4, 15, 14, 3, 11, 5, 2, 12}},
    {{7, 13, 14, 3, 0, 6, 9, 10, 1, 2, 8, 5, 11, 12, 4, 15},
     {13, 8, 11, 5, 6, 15, 0, 3, 4, 7, 2, 12, 1, 10, 14, 9},
     {10, 6, 9, 0, 12, 11, 7, 13, 15, 1, 3, 14, 5, 2, 8, 4},
     {3, 15, 0, 6, 10, 1, 13, 8, 9, 4, 5, 11, 12, 7, 2, 14}},
    {{2, 12, 4, 1, 7, 10, 11, 6, 8, 5, 3, 15, 13, 0, 14, 9},
     {14, 11, 2, 12, 4, 7, 13, 1, 5, 0, 15, 10, 3, 9, 8, 6},
     {4, 2, 1, 11, 10, 13, 7, 8, 15, 9, 12, 5, 6, 3, 0, 14},
     {11, 8, 12, 7, 1, 14, 2, 13, 6, 15, 0, 9, 10, 4, 5, 3}},
    {{12, 1, 10, 15, 9, 2, 6, 8, 0, 13, 3, 4, 14, 7, 5, 11},
     {10, 15, 4, 2, 7, 12, 9, 5, 6, 1, 13, 14, 0, 11, 3, 8},
     {9, 14, 15, 5, 2, 8, 12, 3, 7, 0, 4, 10, 1, 13, 11, 6},
     {4, 3, 2, 12, 9, 5, 15, 10, 11, 14, 1, 7, 6, 0, 8, 13}},
    {{4, 11, 2, 14, 15, 0, 8, 13, 3, 12, 9, 7, 5, 10, 6, 1},
     {13, 0, 11, 7, 4, 9, 1, 10, 14, 3, 5, 12, 2, 15, 8, 6},
     {1, 4, 11, 13, 12, 3, 7, 14, 10, 15, 6, 8, 0, 5, 9, 2},
     {6, 11, 13, 8, 1, 4, 10, 7, 9, 5, 0, 15, 14, 2, 3, 12}},
    {{13, 2, 8, 4, 6, 15, 11, 1, 10, 9, 3, 14, 5, 0, 12, 7},
     {1, 15, 13, 8, 10, 3, 7, 4, 12, 5, 6, 11, 0, 14, 9, 2},
     {7, 11, 4, 1, 9, 12, 14, 2, 0, 6, 10, 13, 15, 3, 5, 8},
     {2, 1, 14, 7, 4, 10, 8, 13, 15, 12, 9, 0, 3, 5, 6, 11}},
};

const int kP[32] = {16, 7, 20, 21, 29, 12, 28, 17, 1,  15, 23, 26, 5,  18, 31, 10,
                    2,  8, 24, 14, 32, 27, 3,  9,  19, 13, 30, 6,  22, 11, 4,  25};

const int kPc1[56] = {57, 49, 41, 33, 25, 17, 9,  1,  58, 50, 42, 34, 26, 18, 10, 2,  59, 51, 43,
                      35, 27, 19, 11, 3,  60, 52, 44, 36, 63, 55, 47, 39, 31, 23, 15, 7,  62, 54,
                      46, 38, 30, 22, 14, 6,  61, 53, 45, 37, 29, 21, 13, 5,  28, 20, 12, 4};

const int kPc2[48] = {14, 17, 11, 24, 1,  5,  3,  28, 15, 6,  21, 10, 23, 19, 12, 4,
                      26, 8,  16, 7,  27, 20, 13, 2,  41, 52, 31, 37, 47, 55, 30, 40,
                      51, 45, 33, 48, 44, 49, 39, 56, 34, 53, 46, 42, 50, 36, 29, 32};

// The standard's shift schedule, one round at a time.
const int kShifts[16] = {1, 1, 2, 2, 2, 2, 2, 2, 1, 2, 2, 2, 2, 2, 2, 1};

// Bit n (1 = most significant) of a width-bit value.
uint64_t Bit(uint64_t value, int width, int n) {
  return (value >> (width - n)) & 1;
}

// The 48-bit subkeys K1..K16 of FIPS 46-3, computed the plain way.
std::vector<uint64_t> StandardSubkeys(const std::vector<uint8_t>& key) {
  uint64_t k = 0;
  for (uint8_t byte : key) {
    k = k << 8 | byte;
  }
  uint64_t c = 0;
  uint64_t d = 0;
  for (int i = 0; i < 28; ++i) {
    c = c << 1 | Bit(k, 64, kPc1[i]);
    d = d << 1 | Bit(k, 64, kPc1[28 + i]);
  }
  std::vector<uint64_t> subkeys;
  for (int round = 0; round < 16; ++round) {
    for (int s = 0; s < kShifts[round]; ++s) {
      c = ((c << 1) | (c >> 27)) & 0x0FFFFFFF;
      d = ((d << 1) | (d >> 27)) & 0x0FFFFFFF;
    }
    const uint64_t cd = c << 28 | d;
    uint64_t subkey = 0;
    for (int i = 0; i < 48; ++i) {
      subkey = subkey << 1 | Bit(cd, 56, kPc2[i]);
    }
    subkeys.push_back(subkey);
  }
  return subkeys;
}

// A subkey in the grouped pair format: odd-numbered six-bit groups in A, even-numbered in B.
std::pair<uint32_t, uint32_t> GroupedPair(uint64_t subkey) {
  uint32_t g[8];
  for (int j = 0; j < 8; ++j) {
    g[j] = static_cast<uint32_t>(subkey >> (42 - 6 * j)) & 63;
  }
  return {g[0] << 24 | g[2] << 16 | g[4] << 8 | g[6], g[1] << 24 | g[3] << 16 | g[5] << 8 | g[7]};
}

TEST(Des, RoundTablesAreSBoxesThroughP) {
  const uint32_t* tables[8] = {SP1, SP2, SP3, SP4, SP5, SP6, SP7, SP8};
  for (int n = 1; n <= 8; ++n) {
    for (uint32_t v = 0; v < 64; ++v) {
      const int row = static_cast<int>((v >> 4 & 2) | (v & 1));
      const int column = static_cast<int>(v >> 1 & 15);
      const uint32_t placed = static_cast<uint32_t>(kSBoxes[n - 1][row][column]) << (32 - 4 * n);
      uint32_t permuted = 0;
      for (int i = 0; i < 32; ++i) {
        permuted = permuted << 1 | static_cast<uint32_t>(Bit(placed, 32, kP[i]));
      }
      const uint32_t expected = permuted << 1 | permuted >> 31;
      EXPECT_EQ(tables[n - 1][v], expected) << "SP" << n << "[" << v << "]";
    }
  }
}

// The reference schedule above reproduces the standard's own worked example.
TEST(Des, ReferenceScheduleMatchesTheTextbookKey) {
  const std::vector<uint64_t> subkeys = StandardSubkeys(Hex("133457799bbcdff1"));
  EXPECT_EQ(subkeys[0], 0x1B02EFFC7072u);
  EXPECT_EQ(subkeys[15], 0xCB3D8B0E17F5u);
}

// Encrypting contexts hold round i+1 as pair i, decrypting ones round 16-i, A before B in both.
TEST(Des, SubkeyPairsAreTheStandardSubkeysGrouped) {
  for (const char* keyHex : {"133457799bbcdff1", "0123456789abcdef", "fedcba9876543210",
                             "7ca110454a1a6e57", "0101010101010101", "e0fee0fef1fef1fe"}) {
    SCOPED_TRACE(keyHex);
    const std::vector<uint8_t> key = Hex(keyHex);
    const std::vector<uint64_t> subkeys = StandardSubkeys(key);
    DesContext encrypting;
    DesContext decrypting;
    InitDesContext(key.data(), encrypting, true);
    InitDesContext(key.data(), decrypting, false);
    EXPECT_TRUE(encrypting.Direction);
    EXPECT_FALSE(decrypting.Direction);
    for (int i = 0; i < 16; ++i) {
      const auto [a, b] = GroupedPair(subkeys[i]);
      EXPECT_EQ(encrypting.SubKeys[2 * i], a) << "round " << i + 1;
      EXPECT_EQ(encrypting.SubKeys[2 * i + 1], b) << "round " << i + 1;
      EXPECT_EQ(decrypting.SubKeys[2 * (15 - i)], a) << "round " << i + 1;
      EXPECT_EQ(decrypting.SubKeys[2 * (15 - i) + 1], b) << "round " << i + 1;
    }
  }
}

TEST(Des, ParityBitsAreIgnored) {
  const std::vector<uint8_t> key = Hex("133457799bbcdff1");
  for (int parityMask : {0x01, 0x02, 0x55, 0x80, 0xFF}) {
    SCOPED_TRACE(parityMask);
    std::vector<uint8_t> flipped = key;
    for (int i = 0; i < 8; ++i) {
      if (parityMask >> i & 1) {
        flipped[i] ^= 0x01;
      }
    }
    for (bool encrypt : {true, false}) {
      DesContext original;
      DesContext other;
      InitDesContext(key.data(), original, encrypt);
      InitDesContext(flipped.data(), other, encrypt);
      EXPECT_EQ(0, std::memcmp(original.SubKeys, other.SubKeys, sizeof original.SubKeys));
    }
  }
}

// With K1 = K2 the middle pass undoes the first, so Triple-DES is single DES under K1.
TEST(TripleDes, EqualHalvesGiveSingleDes) {
  for (const char* keyHex : {"133457799bbcdff1", "0123456789abcdef", "7ca110454a1a6e57"}) {
    const std::vector<uint8_t> key = Hex(keyHex);
    std::vector<uint8_t> doubled = key;
    doubled.insert(doubled.end(), key.begin(), key.end());
    for (bool encrypt : {true, false}) {
      SCOPED_TRACE(testing::Message() << keyHex << (encrypt ? " encrypting" : " decrypting"));
      DesContext single;
      TripleDesContext triple;
      InitDesContext(key.data(), single, encrypt);
      InitTripleDesContext(doubled.data(), triple, encrypt);
      for (const char* blockHex : {"0123456789abcdef", "0000000000000000", "ffffffff00000001"}) {
        std::vector<uint8_t> expected = Hex(blockHex);
        std::vector<uint8_t> actual = expected;
        DesBlock(single, expected.data());
        TripleDesBlock(triple, actual.data());
        EXPECT_EQ(ToHex(actual), ToHex(expected)) << blockHex;
      }
    }
  }
}

// The second record is K2 in the opposite direction: E(K1) D(K2) E(K1) and its inverse.
TEST(TripleDes, ContextHoldsK1AsRequestedAndK2Opposite) {
  const std::vector<uint8_t> key = Hex("0123456789abcdeffedcba9876543210");
  for (bool encrypt : {true, false}) {
    TripleDesContext triple;
    DesContext first;
    DesContext second;
    InitTripleDesContext(key.data(), triple, encrypt);
    InitDesContext(key.data(), first, encrypt);
    InitDesContext(key.data() + 8, second, !encrypt);
    EXPECT_EQ(0, std::memcmp(triple.First.SubKeys, first.SubKeys, sizeof first.SubKeys));
    EXPECT_EQ(0, std::memcmp(triple.Second.SubKeys, second.SubKeys, sizeof second.SubKeys));
    EXPECT_EQ(triple.First.Direction, encrypt);
    EXPECT_EQ(triple.Second.Direction, !encrypt);
  }
}

// The generated S-box circuits, on 64-bit words whose bit x carries S-box input x: one evaluation
// checks all 64 inputs. Each circuit is checked with its gates as truth tables (what a
// ternary-logic instruction computes) and as the two-input operations used without one.
struct WordGates {
  static uint64_t And(uint64_t a, uint64_t b) { return a & b; }
  static uint64_t Or(uint64_t a, uint64_t b) { return a | b; }
  static uint64_t Xor(uint64_t a, uint64_t b) { return a ^ b; }
  static uint64_t AndNot(uint64_t a, uint64_t b) { return ~a & b; }
  static uint64_t Zero() { return 0; }
  static uint64_t Ones() { return ~uint64_t{0}; }
};

struct TruthTableGates {
  template <uint8_t kTruth>
  static uint64_t Ternary(uint64_t a, uint64_t b, uint64_t c) {
    uint64_t result = 0;
    for (int k = 0; k < 8; ++k) {
      if ((kTruth >> k) & 1) {
        result |= ((k & 4) != 0 ? a : ~a) & ((k & 2) != 0 ? b : ~b) & ((k & 1) != 0 ? c : ~c);
      }
    }
    return result;
  }
};

struct TwoInputGates {
  template <uint8_t kTruth>
  static uint64_t Ternary(uint64_t a, uint64_t b, uint64_t c) {
    return des_sbox_circuits::TernaryFromGates<kTruth, WordGates>(a, b, c);
  }
};

template <class Gates, int kBox>
void CheckSBoxCircuit(const char* gates) {
  uint64_t x[6] = {};
  for (uint64_t input = 0; input < 64; ++input) {
    for (int i = 0; i < 6; ++i) {
      x[i] |= ((input >> (5 - i)) & 1) << input;
    }
  }
  uint64_t y[4];
  des_sbox_circuits::SBox<kBox, Gates>(x[0], x[1], x[2], x[3], x[4], x[5], y[0], y[1], y[2], y[3]);
  for (int input = 0; input < 64; ++input) {
    const int row = (input >> 4 & 2) | (input & 1);
    const int column = input >> 1 & 15;
    int value = 0;
    for (int j = 0; j < 4; ++j) {
      value = value << 1 | static_cast<int>((y[j] >> input) & 1);
    }
    EXPECT_EQ(value, kSBoxes[kBox][row][column])
        << "S" << kBox + 1 << " input " << input << " " << gates;
  }
}

template <int... kBoxes>
void CheckSBoxCircuits(std::integer_sequence<int, kBoxes...>) {
  (CheckSBoxCircuit<TruthTableGates, kBoxes>("as truth tables"), ...);
  (CheckSBoxCircuit<TwoInputGates, kBoxes>("as two-input operations"), ...);
}

TEST(Des, SBoxCircuitsGiveTheStandardsTablesForAll64Inputs) {
  CheckSBoxCircuits(std::make_integer_sequence<int, 8>());
}

}  // namespace
}  // namespace ostrel
