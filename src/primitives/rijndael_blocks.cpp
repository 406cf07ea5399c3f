// Runs of Rijndael blocks through the implementation chosen when the batch context was prepared.
// The portable path is the single-block cipher in a loop; the AES-instruction path keeps several
// blocks in flight where the mode allows it (ECB both ways, CBC decryption).
#include "primitives/rijndael_blocks.h"

#include <cstring>

#include "primitives/byte_order.h"
#include "primitives/rijndael_aes_instructions.h"
#include "secret/secure_wipe.h"

namespace ostrel {

RijndaelBatchContext::~RijndaelBatchContext() {
  SecureWipe(RoundKeyBytes, sizeof RoundKeyBytes);
}

bool RijndaelImplementationRuns(RijndaelImplementation implementation) noexcept {
  switch (implementation) {
    case RijndaelImplementation::kPortable:
      return true;
    case RijndaelImplementation::kAesInstructions:
      return aes_instructions::Available();
  }
  return false;
}

RijndaelImplementation FastestRijndaelImplementation() noexcept {
  return RijndaelImplementationRuns(RijndaelImplementation::kAesInstructions)
             ? RijndaelImplementation::kAesInstructions
             : RijndaelImplementation::kPortable;
}

void InitRijndaelBatchContext(const uint8_t* key, int32_t keyLength, RijndaelBatchContext& context,
                              bool encrypt, RijndaelImplementation implementation) noexcept {
  InitRijndaelContext(key, keyLength, context.Block, encrypt);
  SecureWipe(context.RoundKeyBytes, sizeof context.RoundKeyBytes);
  context.Implementation = RijndaelImplementationRuns(implementation)
                               ? implementation
                               : RijndaelImplementation::kPortable;
  if (context.Implementation != RijndaelImplementation::kAesInstructions) {
    return;
  }
  // The instructions read round keys as bytes in the standard's order.
  const int32_t rounds = context.Block.RoundCount;
  for (int32_t word = 0; word < 4 * (rounds + 1); ++word) {
    StoreLittleEndian32(context.RoundKeyBytes + 4 * word, context.Block.RoundKeys[word]);
  }
  if (!encrypt) {
    alignas(16) uint8_t inverse[sizeof context.RoundKeyBytes] = {};
    aes_instructions::InverseSchedule(context.RoundKeyBytes, rounds, inverse);
    std::memcpy(context.RoundKeyBytes, inverse, sizeof inverse);
    SecureWipe(inverse, sizeof inverse);
  }
}

void RijndaelBlocks(const RijndaelBatchContext& context, uint8_t* blocks, int64_t count) noexcept {
  if (count <= 0) {
    return;
  }
  if (context.Implementation == RijndaelImplementation::kAesInstructions) {
    const int32_t rounds = context.Block.RoundCount;
    if (context.Block.Direction) {
      aes_instructions::EncryptBlocks(context.RoundKeyBytes, rounds, blocks, count);
    } else {
      aes_instructions::DecryptBlocks(context.RoundKeyBytes, rounds, blocks, count);
    }
    return;
  }
  for (int64_t i = 0; i < count; ++i) {
    RijndaelBlock(context.Block, blocks + kRijndaelBlockSize * i);
  }
}

void RijndaelBlocksCbc(const RijndaelBatchContext& context, uint8_t* chain, uint8_t* blocks,
                       int64_t count) noexcept {
  if (count <= 0) {
    return;
  }
  const bool encrypt = context.Block.Direction;
  if (context.Implementation == RijndaelImplementation::kAesInstructions) {
    const int32_t rounds = context.Block.RoundCount;
    if (encrypt) {
      aes_instructions::EncryptBlocksCbc(context.RoundKeyBytes, rounds, chain, blocks, count);
    } else {
      aes_instructions::DecryptBlocksCbc(context.RoundKeyBytes, rounds, chain, blocks, count);
    }
    return;
  }
  uint8_t cipherBlock[kRijndaelBlockSize];
  for (int64_t i = 0; i < count; ++i) {
    uint8_t* block = blocks + kRijndaelBlockSize * i;
    if (encrypt) {
      RijndaelBlockCbc(context.Block, chain, block);
      std::memcpy(chain, block, kRijndaelBlockSize);
    } else {
      std::memcpy(cipherBlock, block, kRijndaelBlockSize);
      RijndaelBlockCbc(context.Block, chain, block);
      std::memcpy(chain, cipherBlock, kRijndaelBlockSize);
    }
  }
}

}  // namespace ostrel
