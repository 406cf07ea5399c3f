// The bitsliced Triple-DES kernels: only for triple_des_blocks.cpp, which calls one after it has
// checked that the processor runs it. Each transforms whole batches of blocks in the direction its
// subkeys were prepared for.
#pragma once

#include <cstdint>

#include "primitives/des_bitslice_layout.h"

namespace ostrel::des_bitslice {

// Blocks per batch: 64 registers of 256 or 512 bits, one block per bit of a register.
inline constexpr int kAvx2BatchBlocks = 256;
inline constexpr int kAvx512BatchBlocks = 512;

// batches whole batches from in to out (which may be the same place). subkeys: kScheduleWords
// lane masks in the layout of des_bitslice_layout.h.
void TripleDesAvx2(const uint32_t* subkeys, const uint8_t* in, uint8_t* out,
                   int64_t batches) noexcept;
void TripleDesAvx512(const uint32_t* subkeys, const uint8_t* in, uint8_t* out,
                     int64_t batches) noexcept;

}  // namespace ostrel::des_bitslice
