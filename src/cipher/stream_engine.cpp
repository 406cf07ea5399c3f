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
  const int64_t minimum = layout == StreamLayout::kCbc ? 2 * blockSize : blockSize;
  if (total % blockSize != 0 || total < minimum)
    throw ETruncatedStream();
  uint8_t* const final = lastTwo + size;
  BlockTransform transform(cipher, layout, false, 1);
  if (layout == StreamLayout::kCbc)
    transform.SetChain(lastTwo);
  transform.Apply(final, 1);
  const int32_t tail = FinalBlockDataBytes(final, blockSize, check);
  SecureWipe(lastTwo);
  if (tail < 0)
    throw EFinalBlockRejected();
  const int64_t blocks = total / blockSize - (layout == StreamLayout::kCbc ? 2 : 1);
  return blocks * blockSize + tail;
}

}  // namespace ostrel
