#include "cipher/final_block.h"

#include <cstring>

#include "cipher/stream_errors.h"

namespace ostrel {

void MakeFinalBlock(const uint8_t* tail, int32_t tailCount, uint8_t* block, int32_t blockSize) {
  std::memset(block, 0, static_cast<size_t>(blockSize));
  if (tailCount > 0)
    std::memcpy(block, tail, static_cast<size_t>(tailCount));
  block[blockSize - 1] = static_cast<uint8_t>(tailCount);
}

int32_t FinalBlockDataBytes(const uint8_t* block, int32_t blockSize, FinalBlockCheck check) {
  const int32_t tail = block[blockSize - 1];
  if (tail > blockSize - 1)
    return -1;
  if (check == FinalBlockCheck::kTailCountAndPadding) {
    for (int32_t i = tail; i < blockSize - 1; ++i) {
      if (block[i] != 0)
        return -1;
    }
  }
  return tail;
}

int32_t RequireFinalBlock(const uint8_t* block, int32_t blockSize, FinalBlockCheck check) {
  const int32_t tail = FinalBlockDataBytes(block, blockSize, check);
  if (tail < 0)
    throw EFinalBlockRejected();
  return tail;
}

}  // namespace ostrel
