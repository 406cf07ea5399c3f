#include "cipher/stream_engine.h"

#include <algorithm>
#include <cstring>
#include <functional>
#include <limits>

#include "cipher/block_transform.h"
#include "cipher/chunk_pipeline.h"
#include "cipher/chunk_reader.h"
#include "cipher/stream_errors.h"
#include "cipher/stream_seed.h"
#include "secret/secure_wipe.h"

namespace ostrel {
namespace {

constexpr int64_t kUnbounded = std::numeric_limits<int64_t>::max();

// The size every block count comes from. A stream that cannot tell its size cannot be read.
int64_t InputSize(TStream& input) {
  const int64_t size = input.Size();
  if (size < 0)
    throw ETruncatedStream();
  return size;
}

// Blocks that carry no plain block of their own: the final block, and for CBC the chaining block.
int64_t LayoutBlocks(StreamLayout layout) {
  return layout == StreamLayout::kCbc ? 2 : 1;
}

// blocks: the final block, preceded for CBC by the cipher block it is chained to. Decrypts the
// final block in place, wipes both and returns its data bytes, or raises EFinalBlockRejected.
int32_t DecryptFinalBlock(const BlockCipher& cipher, StreamLayout layout, uint8_t* blocks,
                          FinalBlockCheck check) {
  const int32_t blockSize = cipher.BlockSize();
  const int64_t layoutBlocks = LayoutBlocks(layout);
  uint8_t* const final = blocks + (layoutBlocks - 1) * blockSize;
  BlockTransform transform(cipher, layout, false, 1);
  if (layout == StreamLayout::kCbc)
    transform.SetChain(blocks);
  transform.Apply(final, 1);
  const int32_t tail = FinalBlockDataBytes(final, blockSize, check);
  SecureWipe(blocks, static_cast<size_t>(layoutBlocks * blockSize));
  if (tail < 0)
    throw EFinalBlockRejected();
  return tail;
}

int32_t ChunkBytes(const StreamSchedule& schedule, int32_t blockSize) {
  return std::max(schedule.chunkBytes / blockSize, 1) * blockSize;
}

// How much of the input one chunk asks for: a chunk, or for a short input all of it, so that a
// small file gets a small buffer.
int32_t ChunkCapacity(int64_t total, int32_t chunkBytes) {
  return static_cast<int32_t>(std::clamp<int64_t>(total, 1, chunkBytes));
}

// Filling one chunk ahead of the writing pays only when there is a next one to read meanwhile.
bool FillAhead(const StreamSchedule& schedule, int64_t total, int32_t chunkBytes) {
  return schedule.readAhead && total > chunkBytes;
}

// The reading side of an encryption: each chunk is read and encrypted where it was read, and the
// final block is made right after the last bytes, so that it goes out in the same write.
class ChunkEncryption {
 public:
  ChunkEncryption(TStream& input, const BlockCipher& cipher, StreamLayout layout,
                  InputExtent extent, int64_t total, int32_t chunkBytes, int32_t threads)
      : input_(input),
        transform_(cipher, layout, true, threads),
        layout_(layout),
        extent_(extent),
        blockSize_(cipher.BlockSize()),
        total_(total),
        chunkBytes_(chunkBytes) {}

  void Fill(ChunkPipeline::Chunk& chunk) {
    uint8_t* const data = chunk.data;
    chunk.out = data;
    if (!started_) {
      started_ = true;
      // The chaining block comes first, before anything is read.
      if (layout_ == StreamLayout::kCbc) {
        chunk.out = data - blockSize_;
        FillChainSeed(chunk.out, blockSize_);
        transform_.ChainFromSeed(chunk.out);
        chunk.outBytes = blockSize_;
      }
    }
    const auto want = static_cast<int32_t>(std::min<int64_t>(chunkBytes_, total_ - offset_));
    const int32_t got = want > 0 ? ReadFull(input_, data, want) : 0;
    offset_ += got;
    const int64_t whole = got / blockSize_;
    if (got < want && extent_ == InputExtent::kSize) {
      // The whole blocks that arrived are written; the input is short of its size.
      transform_.Apply(data, whole);
      chunk.outBytes += whole * blockSize_;
      throw ETruncatedStream();
    }
    chunk.last = got < want || offset_ == total_;
    int64_t blocks = whole;
    if (chunk.last) {
      uint8_t* const final = data + whole * blockSize_;
      uint8_t tail[kLargestBlock];
      const auto tailCount = static_cast<int32_t>(got - whole * blockSize_);
      std::memcpy(tail, final, static_cast<size_t>(tailCount));
      MakeFinalBlock(tail, tailCount, final, blockSize_);
      SecureWipe(tail);
      ++blocks;
    }
    transform_.Apply(data, blocks);
    chunk.outBytes += blocks * blockSize_;
  }

 private:
  static constexpr int32_t kLargestBlock = 16;

  TStream& input_;
  BlockTransform transform_;
  const StreamLayout layout_;
  const InputExtent extent_;
  const int32_t blockSize_;
  const int64_t total_;
  const int32_t chunkBytes_;
  int64_t offset_ = 0;
  bool started_ = false;
};

// The reading side of a decryption: each chunk is read and decrypted where it was read, and every
// block known not to be the final one is handed on. An input of known size says where its final
// block lies; one read to its end does not, so its newest block is kept back until more arrives
// and then decrypted in the margin before the next chunk, in the same run as that chunk.
class ChunkDecryption {
 public:
  ChunkDecryption(TStream& input, const BlockCipher& cipher, StreamLayout layout,
                  InputExtent extent, FinalBlockCheck check, int64_t total, int32_t chunkBytes,
                  int32_t threads)
      : input_(input),
        transform_(cipher, layout, false, threads),
        layout_(layout),
        extent_(extent),
        check_(check),
        blockSize_(cipher.BlockSize()),
        total_(total),
        chunkBytes_(chunkBytes) {}
  ~ChunkDecryption() { SecureWipe(held_); }
  ChunkDecryption(const ChunkDecryption&) = delete;
  ChunkDecryption& operator=(const ChunkDecryption&) = delete;

  void Fill(ChunkPipeline::Chunk& chunk) {
    const auto want = static_cast<int32_t>(std::min<int64_t>(chunkBytes_, total_ - offset_));
    const int32_t got = want > 0 ? ReadFull(input_, chunk.data, want) : 0;
    offset_ += got;
    uint8_t* start = chunk.data;
    int64_t bytes = got;
    if (holding_) {
      holding_ = false;
      start -= blockSize_;
      std::memcpy(start, held_, static_cast<size_t>(blockSize_));
      bytes += blockSize_;
    }
    const int64_t blocks = bytes / blockSize_;
    chunk.out = start;
    if (extent_ == InputExtent::kSize) {
      if (got < want) {
        // None of the blocks that arrived is the final one, which ends the announced size.
        Release(start, blocks, chunk);
        throw ETruncatedStream();
      }
      chunk.last = offset_ == total_;
    } else {
      chunk.last = got < want;
      if (!chunk.last) {
        // Any block may be the final one until more input follows it.
        std::memcpy(held_, start + (blocks - 1) * blockSize_, static_cast<size_t>(blockSize_));
        holding_ = true;
        Release(start, blocks - 1, chunk);
        return;
      }
      if (bytes % blockSize_ != 0) {
        // The newest whole block might have been the final one: nothing of it is written.
        Release(start, blocks - 1, chunk);
        throw ETruncatedStream();
      }
    }
    if (!chunk.last) {
      Release(start, blocks, chunk);
      return;
    }
    Release(start, blocks - 1, chunk);
    if (blocks == 0 || (layout_ == StreamLayout::kCbc && !chained_))
      throw ETruncatedStream();
    uint8_t* const final = start + (blocks - 1) * blockSize_;
    transform_.Apply(final, 1);
    chunk.out = chunk.outBytes > 0 ? chunk.out : final;
    chunk.outBytes += RequireFinalBlock(final, blockSize_, check_);
  }

 private:
  static constexpr int32_t kLargestBlock = 16;

  // count blocks known not to be final, in order; the layout's chaining block is not decrypted,
  // only taken as the first chaining value.
  void Release(uint8_t* blocks, int64_t count, ChunkPipeline::Chunk& chunk) {
    if (count <= 0)
      return;
    if (!chained_) {
      chained_ = true;
      if (layout_ == StreamLayout::kCbc) {
        transform_.SetChain(blocks);
        blocks += blockSize_;
        --count;
      }
    }
    transform_.Apply(blocks, count);
    chunk.out = blocks;
    chunk.outBytes = count * blockSize_;
  }

  TStream& input_;
  BlockTransform transform_;
  const StreamLayout layout_;
  const InputExtent extent_;
  const FinalBlockCheck check_;
  const int32_t blockSize_;
  const int64_t total_;
  const int32_t chunkBytes_;
  int64_t offset_ = 0;
  uint8_t held_[kLargestBlock] = {};  // the newest whole block of the chunk before, still encrypted
  bool holding_ = false;
  bool chained_ = false;  // the layout's chaining block, if any, has been taken
};

void Transform(ChunkPipeline& pipeline, ByteSink& output,
               const std::function<void(ChunkPipeline::Chunk&)>& fill) {
  pipeline.Run(fill, [&output](const uint8_t* bytes, int64_t count) { output.Put(bytes, count); });
}

}  // namespace

void EncryptStream(TStream& input, ByteSink& output, const BlockCipher& cipher, StreamLayout layout,
                   InputExtent extent, const StreamSchedule& schedule) {
  const int64_t total = extent == InputExtent::kSize ? InputSize(input) : kUnbounded;
  const int32_t chunkBytes = ChunkBytes(schedule, cipher.BlockSize());
  ChunkEncryption encryption(input, cipher, layout, extent, total, chunkBytes,
                             CipherThreadsOf(schedule));
  ChunkPipeline pipeline(ChunkCapacity(total, chunkBytes), cipher.BlockSize(),
                         FillAhead(schedule, total, chunkBytes));
  Transform(pipeline, output, [&](ChunkPipeline::Chunk& chunk) { encryption.Fill(chunk); });
}

void DecryptStream(TStream& input, ByteSink& output, const BlockCipher& cipher, StreamLayout layout,
                   InputExtent extent, FinalBlockCheck check, const StreamSchedule& schedule) {
  const int32_t blockSize = cipher.BlockSize();
  const int64_t total =
      extent == InputExtent::kSize ? InputSize(input) / blockSize * blockSize : kUnbounded;
  const int32_t chunkBytes = ChunkBytes(schedule, blockSize);
  ChunkDecryption decryption(input, cipher, layout, extent, check, total, chunkBytes,
                             CipherThreadsOf(schedule));
  ChunkPipeline pipeline(ChunkCapacity(total, chunkBytes), blockSize,
                         FillAhead(schedule, total, chunkBytes));
  Transform(pipeline, output, [&](ChunkPipeline::Chunk& chunk) { decryption.Fill(chunk); });
}

int64_t PlainLengthOfStream(TStream& input, const BlockCipher& cipher, StreamLayout layout,
                            FinalBlockCheck check, const StreamSchedule& schedule) {
  const int32_t blockSize = cipher.BlockSize();
  const auto size = static_cast<size_t>(blockSize);
  // The last two whole blocks seen: CBC decrypts the final one against the one before it.
  uint8_t lastTwo[32] = {};
  int64_t total = 0;
  {
    ChunkReader reader(input, kUnbounded, ChunkBytes(schedule, blockSize), schedule.readAhead);
    ChunkReader::Chunk chunk;
    uint8_t tail[32] = {};  // the last bytes of the stream so far, at most two blocks
    int64_t tailBytes = 0;
    while (reader.Next(chunk)) {
      total += chunk.bytes;
      const int64_t keep = std::min<int64_t>(chunk.bytes, 2 * blockSize);
      const int64_t fromOld = std::min<int64_t>(tailBytes, 2 * blockSize - keep);
      std::memmove(tail, tail + tailBytes - fromOld, static_cast<size_t>(fromOld));
      std::memcpy(tail + fromOld, chunk.data + chunk.bytes - keep, static_cast<size_t>(keep));
      tailBytes = fromOld + keep;
    }
    std::memcpy(lastTwo + 2 * size - static_cast<size_t>(tailBytes), tail,
                static_cast<size_t>(tailBytes));
  }
  const int64_t layoutBlocks = LayoutBlocks(layout);
  if (total % blockSize != 0 || total < layoutBlocks * blockSize)
    throw ETruncatedStream();
  // The final block and, for CBC, the one before it, at the start of the buffer.
  uint8_t* const kept = lastTwo + (2 - layoutBlocks) * size;
  const int64_t blocks = total / blockSize - layoutBlocks;
  return blocks * blockSize + DecryptFinalBlock(cipher, layout, kept, check);
}

int64_t CheckFinalBlockFirst(TStream& input, const BlockCipher& cipher, StreamLayout layout,
                             FinalBlockCheck check) {
  const int32_t blockSize = cipher.BlockSize();
  const int64_t layoutBlocks = LayoutBlocks(layout);
  const int64_t blocks = InputSize(input) / blockSize;
  if (blocks < layoutBlocks)
    throw ETruncatedStream();
  const int64_t start = input.Position();
  // The final block and, for CBC, the cipher block before it, which it is chained to.
  uint8_t lastTwo[32] = {};
  const int64_t first = blocks - layoutBlocks;
  input.SetPosition(first * blockSize);
  const auto want = static_cast<int32_t>(layoutBlocks * blockSize);
  const bool complete = ReadFull(input, lastTwo, want) == want;
  input.SetPosition(start);
  if (!complete)
    throw ETruncatedStream();
  return (blocks - layoutBlocks) * blockSize + DecryptFinalBlock(cipher, layout, lastTwo, check);
}

}  // namespace ostrel
