#include "cipher/stream_formats.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <memory>
#include <system_error>
#include <thread>
#include <vector>

#include "cipher/block_workers.h"
#include "cipher/chunk_reader.h"
#include "cipher/stream_schedule.h"
#include "errors/exceptions.h"
#include "platform/millisecond_timer.h"
#include "platform/random_bytes.h"
#include "primitives/des.h"
#include "primitives/rijndael.h"
#include "primitives/rijndael_blocks.h"
#include "primitives/secure_wipe.h"
#include "primitives/triple_des_blocks.h"

namespace ostrel {
namespace {

// The two block ciphers behind one face, so that the writer and the reader exist once. A cipher
// holds its context for one direction, prepared once per stream and wiped by its destructor, and
// transforms runs of blocks at a time.
class TripleDesCipher {
 public:
  static constexpr int32_t kBlockSize = kDesBlockSize;
  // Seed bytes taken from the millisecond timer; the rest of the seed is random.
  static constexpr int32_t kTimerSeedBytes = 4;

  TripleDesCipher(const uint8_t* key, bool encrypt, TripleDesImplementation implementation) {
    InitTripleDesBatchContext(key, context_, encrypt, implementation);
  }
  // Even bitsliced, Triple-DES on one core is slower than copying the file: sharing pays.
  bool SharingPays() const { return true; }
  void Block(uint8_t* block) const { TripleDesBlock(context_.Block, block); }
  void Blocks(uint8_t* blocks, int64_t count) const { TripleDesBlocks(context_, blocks, count); }
  void ChainedBlocks(uint8_t* chain, uint8_t* blocks, int64_t count) const {
    TripleDesBlocksCbc(context_, chain, blocks, count);
  }

 private:
  TripleDesBatchContext context_;
};

class RijndaelCipher {
 public:
  static constexpr int32_t kBlockSize = kRijndaelBlockSize;
  static constexpr int32_t kTimerSeedBytes = 2;

  RijndaelCipher(const uint8_t* key, int32_t keyLength, bool encrypt,
                 RijndaelImplementation implementation) {
    InitRijndaelBatchContext(key, keyLength, context_, encrypt, implementation);
  }
  // The AES instructions outrun the disk on one core; the tables do not.
  bool SharingPays() const { return context_.Implementation == RijndaelImplementation::kPortable; }
  void Block(uint8_t* block) const { RijndaelBlocks(context_, block, 1); }
  void Blocks(uint8_t* blocks, int64_t count) const { RijndaelBlocks(context_, blocks, count); }
  void ChainedBlocks(uint8_t* chain, uint8_t* blocks, int64_t count) const {
    RijndaelBlocksCbc(context_, chain, blocks, count);
  }

 private:
  RijndaelBatchContext context_;
};

using Layout = StreamLayout;

// Below this many blocks in one run, handing parts to other threads costs more than it saves.
constexpr int64_t kSharedRunBlocks = 1024;

int32_t CipherThreads(const StreamSchedule& schedule) {
  if (schedule.cipherThreads > 0) {
    return schedule.cipherThreads;
  }
  return static_cast<int32_t>(std::clamp(std::thread::hardware_concurrency(), 1u, 16u));
}

// Turns the blocks of one stream, run after run, in the cipher's direction. The only place where
// stream blocks meet the cipher; for CBC it keeps the chaining value between runs.
template <class Cipher>
class BlockTransform {
 public:
  static constexpr int32_t kBlockSize = Cipher::kBlockSize;

  BlockTransform(const Cipher& cipher, Layout layout, bool encrypt, const StreamSchedule& schedule)
      : cipher_(cipher), layout_(layout), encrypt_(encrypt), threads_(CipherThreads(schedule)) {}
  ~BlockTransform() { SecureWipe(chain_); }
  BlockTransform(const BlockTransform&) = delete;
  BlockTransform& operator=(const BlockTransform&) = delete;

  // Writing: the seed becomes the chaining block E(seed), which also starts the chain.
  void ChainFromSeed(uint8_t* seed) {
    cipher_.Block(seed);
    SetChain(seed);
  }
  // Reading: the chaining block as read starts the chain.
  void SetChain(const uint8_t* block) { std::memcpy(chain_, block, kBlockSize); }

  // Each of count blocks in place. ECB: block = E(block) or D(block). CBC writing:
  // block = E(block ^ chain), chain = block. CBC reading: block = D(block) ^ chain, chain = the
  // cipher block as it was read.
  void Apply(uint8_t* blocks, int64_t count) {
    if (count <= 0) {
      return;
    }
    BlockWorkers* workers = WorkersFor(count);
    if (layout_ == Layout::kEcb) {
      if (workers == nullptr) {
        cipher_.Blocks(blocks, count);
        return;
      }
      workers->Run(count, [&](int32_t, int64_t first, int64_t n) {
        cipher_.Blocks(blocks + first * kBlockSize, n);
      });
    } else if (encrypt_ || workers == nullptr) {
      // Each encrypted block needs the one before it: the chain runs on one thread.
      cipher_.ChainedBlocks(chain_, blocks, count);
    } else {
      ApplyChainedInParts(*workers, blocks, count);
    }
  }

 private:
  BlockWorkers* WorkersFor(int64_t count) {
    const bool parallel = cipher_.SharingPays() && threads_ > 1 && count >= kSharedRunBlocks &&
                          (layout_ == Layout::kEcb || !encrypt_);
    if (!parallel) {
      return nullptr;
    }
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

  // CBC decryption needs only cipher blocks, so the parts of a run are independent once each has
  // the cipher block before it, taken before any part overwrites its blocks.
  void ApplyChainedInParts(BlockWorkers& workers, uint8_t* blocks, int64_t count) {
    std::memcpy(partChains_[0].data(), chain_, kBlockSize);
    for (int32_t part = 1; part < workers.Parts(); ++part) {
      const int64_t first = workers.PartStart(count, part);
      std::memcpy(partChains_[static_cast<size_t>(part)].data(), blocks + (first - 1) * kBlockSize,
                  kBlockSize);
    }
    std::memcpy(chain_, blocks + (count - 1) * kBlockSize, kBlockSize);
    workers.Run(count, [&](int32_t part, int64_t first, int64_t n) {
      cipher_.ChainedBlocks(partChains_[static_cast<size_t>(part)].data(),
                            blocks + first * kBlockSize, n);
    });
  }

  const Cipher& cipher_;
  Layout layout_;
  bool encrypt_;
  int32_t threads_;
  uint8_t chain_[kBlockSize] = {};
  std::unique_ptr<BlockWorkers> workers_;
  std::vector<std::array<uint8_t, kBlockSize>> partChains_;
};

// One block of plain or cipher text on its way through; wiped when the stream is done with it.
template <int32_t kBlockSize>
struct WorkBlock {
  uint8_t bytes[kBlockSize] = {};
  ~WorkBlock() { SecureWipe(bytes); }
};

[[noreturn]] void RaiseInvalidFormat() {
  throw ECipherException("Invalid file format");
}

void ReadExact(TStream& stream, uint8_t* buffer, int32_t count) {
  if (count > 0 && ReadFull(stream, buffer, count) != count)
    RaiseInvalidFormat();
}

// The size every block count comes from. A stream that cannot tell its size cannot be read.
int64_t InputSize(TStream& input) {
  const int64_t size = input.Size();
  if (size < 0)
    RaiseInvalidFormat();
  return size;
}

// The seed of the chaining block: the low bytes of successive millisecond readings, then bytes
// from the system's random source so that seeds taken in the same millisecond still differ.
template <class Cipher>
void FillSeed(uint8_t* seed) {
  for (int32_t i = 0; i < Cipher::kTimerSeedBytes; ++i) {
    seed[i] = static_cast<uint8_t>(MillisecondTimer() & 0xFF);
  }
  FillFromSystemRandom(seed + Cipher::kTimerSeedBytes,
                       static_cast<size_t>(Cipher::kBlockSize - Cipher::kTimerSeedBytes));
}

// The whole blocks between the first and the final one: read, transformed and written a chunk at a
// time. A chunk cut short by the end of the input still has its whole blocks transformed and
// written, exactly the blocks a block-by-block run would have written before finding the short
// read; then the input is refused.
template <class Cipher>
void TransformChunks(TStream& input, TStream& output, BlockTransform<Cipher>& transform,
                     int64_t blocks, const StreamSchedule& schedule) {
  constexpr int32_t B = Cipher::kBlockSize;
  if (blocks <= 0) {
    return;
  }
  const int32_t chunkBytes = std::max(schedule.chunkBytes / B, 1) * B;
  ChunkReader reader(input, blocks * B, chunkBytes, schedule.readAhead);
  ChunkReader::Chunk chunk;
  while (reader.Next(chunk)) {
    const int32_t whole = chunk.bytes / B;
    transform.Apply(chunk.data, whole);
    WriteExact(output, chunk.data, whole * B);
    if (!chunk.complete) {
      RaiseInvalidFormat();
    }
  }
}

// Plain input to encrypted output: [CBC: E(seed)], the whole plain blocks, then the final block
// holding the remaining bytes, zeros and, in its last byte, the count of those bytes.
template <class Cipher>
void WriteEncrypted(TStream& input, TStream& output, const Cipher& cipher, Layout layout,
                    const StreamSchedule& schedule) {
  constexpr int32_t B = Cipher::kBlockSize;
  const int64_t size = InputSize(input);
  const int64_t wholeBlocks = size / B;
  const auto tail = static_cast<int32_t>(size % B);

  BlockTransform<Cipher> transform(cipher, layout, true, schedule);
  WorkBlock<B> block;
  if (layout == Layout::kCbc) {
    FillSeed<Cipher>(block.bytes);
    transform.ChainFromSeed(block.bytes);
    WriteExact(output, block.bytes, B);
  }
  TransformChunks(input, output, transform, wholeBlocks, schedule);
  std::memset(block.bytes, 0, B);
  ReadExact(input, block.bytes, tail);
  block.bytes[B - 1] = static_cast<uint8_t>(tail);
  transform.Apply(block.bytes, 1);
  WriteExact(output, block.bytes, B);
}

// Encrypted input to plain output. Only whole blocks are read; bytes after the last of them are
// ignored. The final block gives back as many bytes as its tail count says.
template <class Cipher>
void ReadEncrypted(TStream& input, TStream& output, const Cipher& cipher, Layout layout,
                   const StreamSchedule& schedule) {
  constexpr int32_t B = Cipher::kBlockSize;
  int64_t blocks = InputSize(input) / B;

  BlockTransform<Cipher> transform(cipher, layout, false, schedule);
  WorkBlock<B> block;
  if (layout == Layout::kCbc) {
    // The chaining block is never decrypted: it is only the first chaining value. A stream too
    // short for it is refused at the final block.
    ReadFull(input, block.bytes, B);
    transform.SetChain(block.bytes);
    --blocks;
  }
  TransformChunks(input, output, transform, blocks - 1, schedule);
  ReadExact(input, block.bytes, B);
  transform.Apply(block.bytes, 1);
  const int32_t tail = block.bytes[B - 1];
  // Only a wrong key or damaged data give a count beyond the block's data bytes. Saying so is
  // better than writing bytes that were never data.
  if (tail > B - 1)
    RaiseInvalidFormat();
  WriteExact(output, block.bytes, tail);
}

template <class Cipher>
void RunStream(TStream& input, TStream& output, const Cipher& cipher, Layout layout, bool encrypt,
               const StreamSchedule& schedule) {
  if (encrypt) {
    WriteEncrypted(input, output, cipher, layout, schedule);
  } else {
    ReadEncrypted(input, output, cipher, layout, schedule);
  }
}

}  // namespace

void WriteExact(TStream& stream, const void* buffer, int32_t count) {
  if (count <= 0)
    return;
  if (stream.Write(buffer, count) != count) {
    throw ECipherException("Error writing to temp file");
  }
}

void TripleDesStream(TStream& input, TStream& output, const uint8_t* key, StreamLayout layout,
                     bool encrypt, const StreamSchedule& schedule) {
  const TripleDesCipher cipher(key, encrypt,
                               schedule.tripleDes.value_or(FastestTripleDesImplementation()));
  RunStream(input, output, cipher, layout, encrypt, schedule);
}

void RijndaelStream(TStream& input, TStream& output, const uint8_t* key, int32_t keyLength,
                    StreamLayout layout, bool encrypt, const StreamSchedule& schedule) {
  const RijndaelCipher cipher(key, keyLength, encrypt,
                              schedule.portableRijndael ? RijndaelImplementation::kPortable
                                                        : FastestRijndaelImplementation());
  RunStream(input, output, cipher, layout, encrypt, schedule);
}

void TripleDesStreamEcb(TStream& input, TStream& output, const uint8_t* key, bool encrypt) {
  TripleDesStream(input, output, key, StreamLayout::kEcb, encrypt, StreamSchedule{});
}

void TripleDesStreamCbc(TStream& input, TStream& output, const uint8_t* key, bool encrypt) {
  TripleDesStream(input, output, key, StreamLayout::kCbc, encrypt, StreamSchedule{});
}

void RijndaelStreamEcb(TStream& input, TStream& output, const uint8_t* key, int32_t keyLength,
                       bool encrypt) {
  RijndaelStream(input, output, key, keyLength, StreamLayout::kEcb, encrypt, StreamSchedule{});
}

void RijndaelStreamCbc(TStream& input, TStream& output, const uint8_t* key, int32_t keyLength,
                       bool encrypt) {
  RijndaelStream(input, output, key, keyLength, StreamLayout::kCbc, encrypt, StreamSchedule{});
}

}  // namespace ostrel
