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
// Xor3; Zero; Broadcast (a 32-bit mask into every lane); Exchange<kShift>(a, b, mask), which swaps
// the bits of a selected by mask << kShift with the bits of b selected by mask, lane by lane; and
// Ternary<kTruth>(a, b, c), a gate of the S-box circuits.
#pragma once

#include <cstdint>

#include "primitives/des_bitslice_layout.h"
#include "primitives/des_sbox_circuits.h"

namespace ostrel::des_bitslice {

// The state V of a half is held as V ^ offset, where the offset (a lane mask per bit, known from
// the key) is the subkey bit of the S-box input that next reads the bit. The key is then mixed in
// by the update that writes a half, which has a free operand for it, instead of by one operation
// per S-box input: only an input that reads a bit a second time (E doubles 16 bits) corrects it.

template <class Ops, int kPosition, class V = typename Ops::V>
inline V SBoxInput(const V* right, const uint32_t* words) {
  constexpr int slot = kCorrectionSlots[kPosition];
  if constexpr (slot < 0) {
    return right[kExpansion[kPosition] - 1];
  } else {
    return Ops::Xor(right[kExpansion[kPosition] - 1],
                    Ops::Broadcast(words[kCorrectionWords + slot]));
  }
}

// Mixes an S-box output bit into bit kTarget of the written half, with the change of its offset.
template <class Ops, int kTarget, class V = typename Ops::V>
inline void Update(V* half, V output, const uint32_t* words) {
  half[kTarget] = Ops::Xor3(half[kTarget], output, Ops::Broadcast(words[kUpdateWords + kTarget]));
}

// One S-box of one round: left ^= P(S(E(right) ^ subkey)) restricted to this S-box's four bits,
// each written with its new offset.
template <class Ops, int kBox, class V = typename Ops::V>
inline void SBoxStep(const V* right, V* left, const uint32_t* words) {
  constexpr int e = 6 * kBox;
  V y[4];
  des_sbox_circuits::SBox<kBox, Ops>(
      SBoxInput<Ops, e>(right, words), SBoxInput<Ops, e + 1>(right, words),
      SBoxInput<Ops, e + 2>(right, words), SBoxInput<Ops, e + 3>(right, words),
      SBoxInput<Ops, e + 4>(right, words), SBoxInput<Ops, e + 5>(right, words), y[0], y[1], y[2],
      y[3]);
  constexpr int o = 4 * kBox;  // the S-box's first output bit, 0-based
  Update<Ops, kSBoxBitTargets[o]>(left, y[0], words);
  Update<Ops, kSBoxBitTargets[o + 1]>(left, y[1], words);
  Update<Ops, kSBoxBitTargets[o + 2]>(left, y[2], words);
  Update<Ops, kSBoxBitTargets[o + 3]>(left, y[3], words);
}

template <class Ops, class V = typename Ops::V>
inline void Round(const V* right, V* left, const uint32_t* words) {
  SBoxStep<Ops, 0>(right, left, words);
  SBoxStep<Ops, 1>(right, left, words);
  SBoxStep<Ops, 2>(right, left, words);
  SBoxStep<Ops, 3>(right, left, words);
  SBoxStep<Ops, 4>(right, left, words);
  SBoxStep<Ops, 5>(right, left, words);
  SBoxStep<Ops, 6>(right, left, words);
  SBoxStep<Ops, 7>(right, left, words);
}

// half ^= masks, bit by bit: moves a half from one offset to another.
template <class Ops, class V = typename Ops::V>
inline void Reoffset(V* half, const uint32_t* masks) {
  for (int k = 0; k < 32; ++k) {
    half[k] = Ops::Xor(half[k], Ops::Broadcast(masks[k]));
  }
}

// Sixteen rounds in pairs, so that the halves change roles instead of places. The first round
// reads the half the previous pass read last (or the plain initial state): it gets its offsets
// here.
template <class Ops, class V = typename Ops::V>
void Pass(V* a, V* b, const uint32_t* words) {
  Reoffset<Ops>(b, words + kReoffsetWords);
  for (int round = 0; round < 16; round += 2) {
    Round<Ops>(b, a, words + kRoundWords * round);
    Round<Ops>(a, b, words + kRoundWords * (round + 1));
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
// lane masks of the key schedule in the layout of des_bitslice_layout.h.
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
      left[k] = rows[kRegisterOfStateBit[k]];
      right[k] = rows[kRegisterOfStateBit[32 + k]];
    }
    // A pass ends with R16 L16, which the final permutation and the next pass's initial
    // permutation leave in place: the next pass starts with the halves exchanged.
    Pass<Ops>(left, right, subkeys);
    Pass<Ops>(right, left, subkeys + 16 * kRoundWords);
    Pass<Ops>(left, right, subkeys + 32 * kRoundWords);
    // The last round read the left half without writing it: its offsets go.
    Reoffset<Ops>(left, subkeys + kFinalWords);
    // The final permutation, the inverse of the initial one, of R16 L16.
    for (int k = 0; k < 32; ++k) {
      rows[kRegisterOfStateBit[k]] = right[k];
      rows[kRegisterOfStateBit[32 + k]] = left[k];
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
