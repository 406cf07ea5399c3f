// The final block of every encrypted stream: the last r bytes of the plain text (r less than the
// block size B), zeros, and r itself in the block's last byte. The one place that makes such a
// block and the one place that decides whether a decrypted block is one.
#pragma once

#include <cstdint>

namespace ostrel {

enum class FinalBlockCheck {
  // The tail count must lie within the block's data bytes (0 … B−1). The stream procedures ask no
  // more, so that files with any padding keep opening as they always have.
  kTailCount,
  // Also the padding: the writer zeroes the block before it puts in the tail and its count, so
  // bytes r … B−2 of every block it made are zero. A wrong key passes this with a chance of about
  // 1 in 256 instead of B in 256.
  kTailCountAndPadding,
};

// Fills block (B bytes) with the tailCount bytes of tail, zeros and the count.
void MakeFinalBlock(const uint8_t* tail, int32_t tailCount, uint8_t* block, int32_t blockSize);

// The number of plain bytes a decrypted final block carries, or -1 when the check rejects it.
int32_t FinalBlockDataBytes(const uint8_t* block, int32_t blockSize, FinalBlockCheck check);

// The same, raising EFinalBlockRejected instead of returning -1.
int32_t RequireFinalBlock(const uint8_t* block, int32_t blockSize, FinalBlockCheck check);

}  // namespace ostrel
