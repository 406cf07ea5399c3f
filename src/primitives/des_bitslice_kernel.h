// Bitsliced two-key Triple-DES, written once over a vector type and compiled per instruction set
// (des_bitslice_avx2.cpp, des_bitslice_avx512.cpp). A batch is 64 registers of 64-bit lanes: the
// blocks are loaded as they lie in memory, one 64x64 bit-matrix transpose per lane turns register
// i into bit i of every block, and from then on a register is one bit of the state across the
// whole batch. Permutations of bits (the initial and final permutations, E, P) cost nothing: they
// only choose which register to read. Each S-box is a circuit of three-input gates
// (des_sbox_circuits.h), and a subkey bit is a lane mask of all zeros or all ones.
//
// Everything here is a template over Ops, which each instruction-set file defines in an anonymous
// namespace, so no function compiled for a wider instruction set can be shared with, and run by,
// code built for the generic processor.
//
// Ops supplies: V; kQwords (64-bit lanes per V); Load/Store (unaligned, sizeof(V) bytes); Xor;
// Zero; Broadcast (a 32-bit mask into every lane); Exchange<kShift>(a, b, mask), which swaps the
// bits of a selected by mask << kShift with the bits of b selected by mask, lane by lane; and
// Ternary<kTruth>(a, b, c), a gate of the S-box circuits.
#pragma once

#include <cstdint>

#include "primitives/des_sbox_circuits.h"

namespace ostrel::des_bitslice {

inline constexpr int kRounds = 48;      // three passes of sixteen
inline constexpr int kSubkeyBits = 48;  // per round, in the order the S-boxes read them
inline constexpr int kBlockBits = 64;   // registers per batch

// FIPS 46-3: IP, E and P as 1-based bit positions.
inline constexpr uint8_t kInitialPermutation[64] = {
    58, 50, 42, 34, 26, 18, 10, 2, 60, 52, 44, 36, 28, 20, 12, 4,  //
    62, 54, 46, 38, 30, 22, 14, 6, 64, 56, 48, 40, 32, 24, 16, 8,  //
    57, 49, 41, 33, 25, 17, 9,  1, 59, 51, 43, 35, 27, 19, 11, 3,  //
    61, 53, 45, 37, 29, 21, 13, 5, 63, 55, 47, 39, 31, 23, 15, 7,
};
inline constexpr uint8_t kExpansion[48] = {
    32, 1,  2,  3,  4,  5,  4,  5,  6,  7,  8,  9,  8,  9,  10, 11,  //
    12, 13, 12, 13, 14, 15, 16, 17, 16, 17, 18, 19, 20, 21, 20, 21,  //
    22, 23, 24, 25, 24, 25, 26, 27, 28, 29, 28, 29, 30, 31, 32, 1,
};
inline constexpr uint8_t kPermutation[32] = {
    16, 7, 20, 21, 29, 12, 28, 17, 1,  15, 23, 26, 5,  18, 31, 10,  //
    2,  8, 24, 14, 32, 27, 3,  9,  19, 13, 30, 6,  22, 11, 4,  25,
};

// The register that holds DES bit n (1 = the most significant bit of byte 0) after the transpose:
// a lane is loaded little-endian, so byte k is bits 8k..8k+7 with the byte's first bit highest.
constexpr int RegisterOfBit(int n) {
  return 8 * ((n - 1) / 8) + 7 - (n - 1) % 8;
}

// The half-state index (0-based) that S-box output bit o (1-based, 4 per S-box) lands on through P.
constexpr int TargetOfSBoxBit(int o) {
  for (int k = 0; k < 32; ++k) {
    if (kPermutation[k] == o) {
      return k;
    }
  }
  return -1;
}

// One S-box of one round: left ^= P(S(E(right) ^ subkey)) restricted to this S-box's four bits.
template <class Ops, int kBox, class V = typename Ops::V>
inline void SBoxStep(const V* right, V* left, const uint32_t* subkey) {
  constexpr int e = 6 * kBox;
  const V x1 = Ops::Xor(right[kExpansion[e] - 1], Ops::Broadcast(subkey[e]));
  const V x2 = Ops::Xor(right[kExpansion[e + 1] - 1], Ops::Broadcast(subkey[e + 1]));
  const V x3 = Ops::Xor(right[kExpansion[e + 2] - 1], Ops::Broadcast(subkey[e + 2]));
  const V x4 = Ops::Xor(right[kExpansion[e + 3] - 1], Ops::Broadcast(subkey[e + 3]));
  const V x5 = Ops::Xor(right[kExpansion[e + 4] - 1], Ops::Broadcast(subkey[e + 4]));
  const V x6 = Ops::Xor(right[kExpansion[e + 5] - 1], Ops::Broadcast(subkey[e + 5]));
  V y1, y2, y3, y4;
  des_sbox_circuits::SBox<kBox, Ops>(x1, x2, x3, x4, x5, x6, y1, y2, y3, y4);
  constexpr int o = 4 * kBox + 1;
  left[TargetOfSBoxBit(o)] = Ops::Xor(left[TargetOfSBoxBit(o)], y1);
  left[TargetOfSBoxBit(o + 1)] = Ops::Xor(left[TargetOfSBoxBit(o + 1)], y2);
  left[TargetOfSBoxBit(o + 2)] = Ops::Xor(left[TargetOfSBoxBit(o + 2)], y3);
  left[TargetOfSBoxBit(o + 3)] = Ops::Xor(left[TargetOfSBoxBit(o + 3)], y4);
}

template <class Ops, class V = typename Ops::V>
inline void Round(const V* right, V* left, const uint32_t* subkey) {
  SBoxStep<Ops, 0>(right, left, subkey);
  SBoxStep<Ops, 1>(right, left, subkey);
  SBoxStep<Ops, 2>(right, left, subkey);
  SBoxStep<Ops, 3>(right, left, subkey);
  SBoxStep<Ops, 4>(right, left, subkey);
  SBoxStep<Ops, 5>(right, left, subkey);
  SBoxStep<Ops, 6>(right, left, subkey);
  SBoxStep<Ops, 7>(right, left, subkey);
}

// Sixteen rounds in pairs, so that the halves change roles instead of places.
template <class Ops, class V = typename Ops::V>
void Pass(V* a, V* b, const uint32_t* subkeys) {
  for (int round = 0; round < 16; round += 2) {
    Round<Ops>(b, a, subkeys + kSubkeyBits * round);
    Round<Ops>(a, b, subkeys + kSubkeyBits * (round + 1));
  }
}

// Transposes the 64x64 bit matrix in each lane: bit j of row i trades places with bit i of row j.
// Six exchange stages, each swapping the off-diagonal blocks of every 2s x 2s block.
template <class Ops, int kShift, class V = typename Ops::V>
inline void TransposeStage(V* rows, uint64_t mask) {
#pragma GCC unroll 64
  for (int i = 0; i < kBlockBits; ++i) {
    if ((i & kShift) == 0) {
      Ops::template Exchange<kShift>(rows[i], rows[i + kShift], mask);
    }
  }
}

template <class Ops, class V = typename Ops::V>
inline void Transpose(V* rows) {
  TransposeStage<Ops, 32>(rows, 0x00000000FFFFFFFFull);
  TransposeStage<Ops, 16>(rows, 0x0000FFFF0000FFFFull);
  TransposeStage<Ops, 8>(rows, 0x00FF00FF00FF00FFull);
  TransposeStage<Ops, 4>(rows, 0x0F0F0F0F0F0F0F0Full);
  TransposeStage<Ops, 2>(rows, 0x3333333333333333ull);
  TransposeStage<Ops, 1>(rows, 0x5555555555555555ull);
}

template <class Ops, class V = typename Ops::V>
inline void WipeVectors(V* vectors, int count) {
  for (int i = 0; i < count; ++i) {
    vectors[i] = Ops::Zero();
  }
  // Claims to read the memory, so the stores above happen although nothing reads it afterwards.
  __asm__ __volatile__("" : : "r"(vectors) : "memory");
}

// Blocks per batch: 64 registers, each holding kQwords blocks.
template <class Ops>
inline constexpr int kBatchBlocks = kBlockBits* Ops::kQwords;

// batches * kBatchBlocks<Ops> blocks from in to out (which may be the same place). subkeys: the
// 48 rounds' subkey bits as lane masks, round after round (see SliceSubkeys).
template <class Ops, class V = typename Ops::V>
void TripleDesBatches(const uint32_t* subkeys, const uint8_t* in, uint8_t* out, int64_t batches) {
  V rows[kBlockBits];
  V left[32];
  V right[32];
  for (int64_t batch = 0; batch < batches; ++batch) {
    const uint8_t* from = in + batch * kBlockBits * static_cast<int64_t>(sizeof(V));
    uint8_t* to = out + batch * kBlockBits * static_cast<int64_t>(sizeof(V));
    for (int i = 0; i < kBlockBits; ++i) {
      rows[i] = Ops::Load(from + i * static_cast<int64_t>(sizeof(V)));
    }
    Transpose<Ops>(rows);
    // The initial permutation: L0 and R0 are the registers of the bits IP selects.
    for (int k = 0; k < 32; ++k) {
      left[k] = rows[RegisterOfBit(kInitialPermutation[k])];
      right[k] = rows[RegisterOfBit(kInitialPermutation[32 + k])];
    }
    // A pass ends with R16 L16, which the final permutation and the next pass's initial
    // permutation leave in place: the next pass starts with the halves exchanged.
    Pass<Ops>(left, right, subkeys);
    Pass<Ops>(right, left, subkeys + 16 * kSubkeyBits);
    Pass<Ops>(left, right, subkeys + 32 * kSubkeyBits);
    // The final permutation, the inverse of the initial one, of R16 L16.
    for (int k = 0; k < 32; ++k) {
      rows[RegisterOfBit(kInitialPermutation[k])] = right[k];
      rows[RegisterOfBit(kInitialPermutation[32 + k])] = left[k];
    }
    Transpose<Ops>(rows);
    for (int i = 0; i < kBlockBits; ++i) {
      Ops::Store(to + i * static_cast<int64_t>(sizeof(V)), rows[i]);
    }
  }
  WipeVectors<Ops>(rows, kBlockBits);
  WipeVectors<Ops>(left, 32);
  WipeVectors<Ops>(right, 32);
}

}  // namespace ostrel::des_bitslice
