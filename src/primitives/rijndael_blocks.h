// Rijndael over runs of blocks: the ECB and CBC work of a whole buffer in one call, so that an
// implementation can keep several blocks in flight. Two implementations give identical results:
// the portable one of rijndael.cpp, and one on the processor's AES instructions where it has them.
#pragma once

#include <cstdint>

#include "primitives/rijndael.h"

namespace ostrel {

enum class RijndaelImplementation {
  kPortable,         // table look-ups, any processor
  kAesInstructions,  // the x86 AES instructions, eight blocks in flight
};

// Whether this processor runs the implementation; the portable one runs everywhere.
bool RijndaelImplementationRuns(RijndaelImplementation implementation) noexcept;
// The AES instructions where the processor has them, else the portable implementation.
RijndaelImplementation FastestRijndaelImplementation() noexcept;

// A key prepared for runs of blocks in one direction. Besides the block context it holds the round
// keys in the order and form the chosen implementation reads them: for decryption with the AES
// instructions that is the equivalent inverse cipher's schedule (round keys reversed, the inner
// ones put through InvMixColumns). Wiped when it dies.
struct RijndaelBatchContext {
  RijndaelContext Block;
  RijndaelImplementation Implementation;
  alignas(16) uint8_t RoundKeyBytes[15 * kRijndaelBlockSize];

  ~RijndaelBatchContext();
};

// The implementation must run on this processor (see RijndaelImplementationRuns); one that does
// not is replaced by the portable one.
void InitRijndaelBatchContext(
    const uint8_t* key, int32_t keyLength, RijndaelBatchContext& context, bool encrypt,
    RijndaelImplementation implementation = FastestRijndaelImplementation()) noexcept;

// ECB: each of count blocks transformed in place, in the context's direction; count <= 0 does
// nothing.
void RijndaelBlocks(const RijndaelBatchContext& context, uint8_t* blocks, int64_t count) noexcept;

// CBC over count blocks in place. chain is the value before the first block; on return it holds
// the value for the block after the last: the last cipher block (written when encrypting, read
// when decrypting), so that consecutive runs continue one chain.
void RijndaelBlocksCbc(const RijndaelBatchContext& context, uint8_t* chain, uint8_t* blocks,
                       int64_t count) noexcept;

}  // namespace ostrel
