// The only place where the blocks of a stream meet the cipher: runs of blocks transformed in place,
// in the layout's way, shared between threads where that pays. For CBC it keeps the chaining value
// from one run to the next.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <vector>

#include "cipher/block_cipher.h"
#include "cipher/block_workers.h"
#include "cipher/stream_schedule.h"

namespace ostrel {

class BlockTransform {
 public:
  // threads: how many may share a run (at least 1).
  BlockTransform(const BlockCipher& cipher, StreamLayout layout, bool encrypt, int32_t threads);
  ~BlockTransform();
  BlockTransform(const BlockTransform&) = delete;
  BlockTransform& operator=(const BlockTransform&) = delete;

  int32_t BlockSize() const { return blockSize_; }

  // Writing: the seed becomes the chaining block E(seed), which also starts the chain.
  void ChainFromSeed(uint8_t* seed);
  // Reading: the chaining block as read starts the chain.
  void SetChain(const uint8_t* block);

  // Each of count blocks in place. ECB: block = E(block) or D(block). CBC writing:
  // block = E(block ^ chain), chain = block. CBC reading: block = D(block) ^ chain, chain = the
  // cipher block as it was read.
  void Apply(uint8_t* blocks, int64_t count);

 private:
  BlockWorkers* WorkersFor(int64_t count);
  void ApplyChainedInParts(BlockWorkers& workers, uint8_t* blocks, int64_t count);

  static constexpr int32_t kLargestBlock = 16;

  const BlockCipher& cipher_;
  const int32_t blockSize_;
  const StreamLayout layout_;
  const bool encrypt_;
  int32_t threads_;
  uint8_t chain_[kLargestBlock] = {};
  std::unique_ptr<BlockWorkers> workers_;
  std::vector<std::array<uint8_t, kLargestBlock>> partChains_;
};

// The number of threads a schedule allows one stream: its own count, or one per processor.
int32_t CipherThreadsOf(const StreamSchedule& schedule);

}  // namespace ostrel
