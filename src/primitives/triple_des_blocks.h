// Two-key Triple-DES over runs of 8-byte blocks, with results identical to TripleDesBlock and
// TripleDesBlockCbc block by block.
#pragma once

#include <cstdint>

#include "primitives/des.h"

namespace ostrel {

// ECB: each of count blocks transformed in place in the context's direction; count <= 0 does
// nothing.
void TripleDesBlocks(const TripleDesContext& context, uint8_t* blocks, int64_t count) noexcept;

// CBC over count blocks in place. chain is the value before the first block; on return it holds
// the last cipher block (written when encrypting, read when decrypting), so that consecutive runs
// continue one chain.
void TripleDesBlocksCbc(const TripleDesContext& context, uint8_t* chain, uint8_t* blocks,
                        int64_t count) noexcept;

}  // namespace ostrel
