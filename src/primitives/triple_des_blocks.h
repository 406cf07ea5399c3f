// Two-key Triple-DES over runs of 8-byte blocks, with results identical to TripleDesBlock and
// TripleDesBlockCbc block by block. Three implementations give identical results: the portable
// table look-ups of des.cpp, and bitsliced ones on AVX2 and AVX-512 where the processor has them.
#pragma once

#include <cstdint>

#include "primitives/des.h"
#include "primitives/des_bitslice.h"

namespace ostrel {

enum class TripleDesImplementation {
  kPortable,  // table look-ups, any processor, four blocks in flight
  kAvx2,      // bitsliced, 256 blocks at a time
  kAvx512,    // bitsliced, 512 blocks at a time, S-boxes on ternary-logic instructions
};

// Whether this processor runs the implementation; the portable one runs everywhere.
bool TripleDesImplementationRuns(TripleDesImplementation implementation) noexcept;
// The widest bitsliced implementation the processor runs, else the portable one.
TripleDesImplementation FastestTripleDesImplementation() noexcept;

// A key prepared for runs of blocks in one direction. Besides the block context it holds, for the
// bitsliced implementations, the key schedule as the lane masks the rounds mix in (see
// des_bitslice_layout.h). Wiped when it dies.
struct TripleDesBatchContext {
  TripleDesContext Block;
  TripleDesImplementation Implementation;
  uint32_t SlicedSubkeys[des_bitslice::kScheduleWords];

  ~TripleDesBatchContext();
};

// key: 16 bytes (K1, K2). An implementation this processor does not run is replaced by the
// portable one.
void InitTripleDesBatchContext(
    const uint8_t* key, TripleDesBatchContext& context, bool encrypt,
    TripleDesImplementation implementation = FastestTripleDesImplementation()) noexcept;

// ECB: each of count blocks transformed in place in the context's direction; count <= 0 does
// nothing.
void TripleDesBlocks(const TripleDesBatchContext& context, uint8_t* blocks, int64_t count) noexcept;

// CBC over count blocks in place. chain is the value before the first block; on return it holds
// the last cipher block (written when encrypting, read when decrypting), so that consecutive runs
// continue one chain.
void TripleDesBlocksCbc(const TripleDesBatchContext& context, uint8_t* chain, uint8_t* blocks,
                        int64_t count) noexcept;

}  // namespace ostrel
