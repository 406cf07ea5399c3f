#include "cipher/stream_engine.h"

#include <algorithm>
#include <cstring>
#include <limits>

#include "cipher/block_transform.h"
#include "cipher/chunk_reader.h"
#include "cipher/stream_decoder.h"
#include "cipher/stream_encoder.h"
#include "cipher/stream_errors.h"
#include "primitives/secure_wipe.h"

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

}  // namespace

void EncryptStream(TStream& input, ByteSink& output, const BlockCipher& cipher, StreamLayout layout,
                   InputExtent extent, const StreamSchedule& schedule) {
  const int64_t total = extent == InputExtent::kSize ? InputSize(input) : kUnbounded;
  StreamEncoder encoder(cipher, layout, CipherThreadsOf(schedule));
  encoder.Start(output);
  ChunkReader reader(input, total, ChunkBytes(schedule, cipher.BlockSize()), schedule.readAhead);
  ChunkReader::Chunk chunk;
  while (reader.Next(chunk)) {
    encoder.Feed(chunk.data, chunk.bytes, output);
    // The whole blocks that arrived are written; the input is short of its size.
    if (!chunk.complete && extent == InputExtent::kSize)
      throw ETruncatedStream();
  }
  encoder.Finish(output);
}

void DecryptStream(TStream& input, ByteSink& output, const BlockCipher& cipher, StreamLayout layout,
                   InputExtent extent, FinalBlockCheck check, const StreamSchedule& schedule) {
  const int32_t blockSize = cipher.BlockSize();
  const int64_t total =
      extent == InputExtent::kSize ? InputSize(input) / blockSize * blockSize : kUnbounded;
  StreamDecoder decoder(cipher, layout, CipherThreadsOf(schedule), check);
  ChunkReader reader(input, total, ChunkBytes(schedule, blockSize), schedule.readAhead);
  ChunkReader::Chunk chunk;
  while (reader.Next(chunk)) {
    decoder.Feed(chunk.data, chunk.bytes, output);
    if (!chunk.complete && extent == InputExtent::kSize)
      decoder.FinishEarly(output);
  }
  decoder.Finish(output);
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
