#include "cipher/block_transform.h"

#include <algorithm>
#include <cstring>
#include <system_error>

#include "platform/processor_count.h"
#include "secret/secure_wipe.h"

namespace ostrel {
namespace {

// Below this many blocks in one run, handing parts to other threads costs more than it saves.
constexpr int64_t kSharedRunBlocks = 1024;

}  // namespace

int32_t CipherThreadsOf(const StreamSchedule& schedule) {
  if (schedule.cipherThreads > 0)
    return schedule.cipherThreads;
  return static_cast<int32_t>(std::clamp(ProcessorCount(), 1U, 16U));
}

BlockTransform::BlockTransform(const BlockCipher& cipher, StreamLayout layout, bool encrypt,
                               int32_t threads)
    : cipher_(cipher),
      blockSize_(cipher.BlockSize()),
      layout_(layout),
      encrypt_(encrypt),
      threads_(std::max(threads, 1)) {}

BlockTransform::~BlockTransform() {
  SecureWipe(chain_);
  for (auto& part : partChains_)
    SecureWipe(part.data(), part.size());
}

void BlockTransform::ChainFromSeed(uint8_t* seed) {
  cipher_.Blocks(seed, 1);
  SetChain(seed);
}

void BlockTransform::SetChain(const uint8_t* block) {
  std::memcpy(chain_, block, static_cast<size_t>(blockSize_));
}

void BlockTransform::Apply(uint8_t* blocks, int64_t count) {
  if (count <= 0)
    return;
  BlockWorkers* workers = WorkersFor(count);
  if (layout_ == StreamLayout::kEcb) {
    if (workers == nullptr) {
      cipher_.Blocks(blocks, count);
      return;
    }
    workers->Run(count, [&](int32_t, int64_t first, int64_t n) {
      cipher_.Blocks(blocks + first * blockSize_, n);
    });
  } else if (encrypt_ || workers == nullptr) {
    // Each encrypted block needs the one before it: the chain runs on one thread.
    cipher_.ChainedBlocks(chain_, blocks, count);
  } else {
    ApplyChainedInParts(*workers, blocks, count);
  }
}

BlockWorkers* BlockTransform::WorkersFor(int64_t count) {
  const bool parallel = cipher_.SharingPays() && threads_ > 1 && count >= kSharedRunBlocks &&
                        (layout_ == StreamLayout::kEcb || !encrypt_);
  if (!parallel)
    return nullptr;
  if (!workers_) {
    try {
      workers_ = std::make_unique<BlockWorkers>(threads_);
    } catch (const std::system_error&) {
      // No thread to spare: the blocks are the same when this thread does them all.
      threads_ = 1;
      return nullptr;
    }
    partChains_.resize(static_cast<size_t>(threads_));
  }
  return workers_.get();
}

// CBC decryption needs only cipher blocks, so the parts of a run are independent once each has the
// cipher block before it, taken before any part overwrites its blocks.
void BlockTransform::ApplyChainedInParts(BlockWorkers& workers, uint8_t* blocks, int64_t count) {
  const auto size = static_cast<size_t>(blockSize_);
  std::memcpy(partChains_[0].data(), chain_, size);
  for (int32_t part = 1; part < workers.Parts(); ++part) {
    const int64_t first = workers.PartStart(count, part);
    std::memcpy(partChains_[static_cast<size_t>(part)].data(), blocks + (first - 1) * blockSize_,
                size);
  }
  std::memcpy(chain_, blocks + (count - 1) * blockSize_, size);
  workers.Run(count, [&](int32_t part, int64_t first, int64_t n) {
    cipher_.ChainedBlocks(partChains_[static_cast<size_t>(part)].data(),
                          blocks + first * blockSize_, n);
  });
}

}  // namespace ostrel
