// The bitsliced Triple-DES kernels: only for triple_des_blocks.cpp, which calls one after it has
// checked that the processor runs it. Each transforms whole batches of blocks in the direction its
// subkeys were prepared for.
#pragma once

#include <cstdint>

namespace ostrel::des_bitslice {

// Blocks per batch: 64 registers of 256 or 512 bits, one block per bit of a register.
inline constexpr int kAvx2BatchBlocks = 256;
inline constexpr int kAvx512BatchBlocks = 512;
// 48 rounds of 48 subkey bits, each a lane mask of all zeros or all ones.
inline constexpr int kSlicedSubkeyWords = 48 * 48;

// batches whole batches from in to out (which may be the same place).
void TripleDesAvx2(const uint32_t* subkeys, const uint8_t* in, uint8_t* out,
                   int64_t batches) noexcept;
void TripleDesAvx512(const uint32_t* subkeys, const uint8_t* in, uint8_t* out,
                     int64_t batches) noexcept;

}  // namespace ostrel::des_bitslice
