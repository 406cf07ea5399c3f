#include "cipher/stream_formats.h"

#include <cstring>

#include "errors/exceptions.h"
#include "platform/millisecond_timer.h"
#include "platform/random_bytes.h"
#include "primitives/des.h"
#include "primitives/rijndael.h"
#include "primitives/secure_wipe.h"

namespace ostrel {
namespace {

// The two block ciphers behind one face, so that the writer and the reader exist once. A cipher
// holds its context for one direction, prepared once per stream and wiped by its destructor.
class TripleDesCipher {
 public:
  static constexpr int32_t kBlockSize = kDesBlockSize;
  // Seed bytes taken from the millisecond timer; the rest of the seed is random.
  static constexpr int32_t kTimerSeedBytes = 4;

  TripleDesCipher(const uint8_t* key, bool encrypt) {
    InitTripleDesContext(key, context_, encrypt);
  }
  void Block(uint8_t* block) const { TripleDesBlock(context_, block); }
  void ChainedBlock(const uint8_t* chain, uint8_t* block) const {
    TripleDesBlockCbc(context_, chain, block);
  }

 private:
  TripleDesContext context_;
};

class RijndaelCipher {
 public:
  static constexpr int32_t kBlockSize = kRijndaelBlockSize;
  static constexpr int32_t kTimerSeedBytes = 2;

  RijndaelCipher(const uint8_t* key, int32_t keyLength, bool encrypt) {
    InitRijndaelContext(key, keyLength, context_, encrypt);
  }
  void Block(uint8_t* block) const { RijndaelBlock(context_, block); }
  void ChainedBlock(const uint8_t* chain, uint8_t* block) const {
    RijndaelBlockCbc(context_, chain, block);
  }

 private:
  RijndaelContext context_;
};

enum class Layout { kEcb, kCbc };

// Turns the blocks of one stream, one after the other, in the cipher's direction. The only place
// where stream blocks meet the cipher; for CBC it keeps the chaining value between blocks.
template <class Cipher>
class BlockTransform {
 public:
  static constexpr int32_t kBlockSize = Cipher::kBlockSize;

  BlockTransform(const Cipher& cipher, Layout layout, bool encrypt)
      : cipher_(cipher), layout_(layout), encrypt_(encrypt) {}
  ~BlockTransform() {
    SecureWipe(chain_);
    SecureWipe(saved_);
  }
  BlockTransform(const BlockTransform&) = delete;
  BlockTransform& operator=(const BlockTransform&) = delete;

  // Writing: the seed becomes the chaining block E(seed), which also starts the chain.
  void ChainFromSeed(uint8_t* seed) {
    cipher_.Block(seed);
    SetChain(seed);
  }
  // Reading: the chaining block as read starts the chain.
  void SetChain(const uint8_t* block) { std::memcpy(chain_, block, kBlockSize); }

  // ECB: block = E(block) or D(block). CBC writing: block = E(block ^ chain), chain = block.
  // CBC reading: block = D(block) ^ chain, chain = the cipher block as it was read.
  void Apply(uint8_t* block) {
    if (layout_ == Layout::kEcb) {
      cipher_.Block(block);
    } else if (encrypt_) {
      cipher_.ChainedBlock(chain_, block);
      std::memcpy(chain_, block, kBlockSize);
    } else {
      std::memcpy(saved_, block, kBlockSize);
      cipher_.ChainedBlock(chain_, block);
      std::memcpy(chain_, saved_, kBlockSize);
    }
  }

 private:
  const Cipher& cipher_;
  Layout layout_;
  bool encrypt_;
  uint8_t chain_[kBlockSize] = {};
  uint8_t saved_[kBlockSize] = {};
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
  if (count > 0 && stream.Read(buffer, count) != count)
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

// Plain input to encrypted output: [CBC: E(seed)], the whole plain blocks, then the final block
// holding the remaining bytes, zeros and, in its last byte, the count of those bytes.
template <class Cipher>
void WriteEncrypted(TStream& input, TStream& output, const Cipher& cipher, Layout layout) {
  constexpr int32_t B = Cipher::kBlockSize;
  const int64_t size = InputSize(input);
  const int64_t wholeBlocks = size / B;
  const auto tail = static_cast<int32_t>(size % B);

  BlockTransform<Cipher> transform(cipher, layout, true);
  WorkBlock<B> block;
  if (layout == Layout::kCbc) {
    FillSeed<Cipher>(block.bytes);
    transform.ChainFromSeed(block.bytes);
    WriteExact(output, block.bytes, B);
  }
  for (int64_t i = 0; i < wholeBlocks; ++i) {
    ReadExact(input, block.bytes, B);
    transform.Apply(block.bytes);
    WriteExact(output, block.bytes, B);
  }
  std::memset(block.bytes, 0, B);
  ReadExact(input, block.bytes, tail);
  block.bytes[B - 1] = static_cast<uint8_t>(tail);
  transform.Apply(block.bytes);
  WriteExact(output, block.bytes, B);
}

// Encrypted input to plain output. Only whole blocks are read; bytes after the last of them are
// ignored. The final block gives back as many bytes as its tail count says.
template <class Cipher>
void ReadEncrypted(TStream& input, TStream& output, const Cipher& cipher, Layout layout) {
  constexpr int32_t B = Cipher::kBlockSize;
  int64_t blocks = InputSize(input) / B;

  BlockTransform<Cipher> transform(cipher, layout, false);
  WorkBlock<B> block;
  if (layout == Layout::kCbc) {
    // The chaining block is never decrypted: it is only the first chaining value.
    ReadExact(input, block.bytes, B);
    transform.SetChain(block.bytes);
    --blocks;
  }
  for (int64_t i = 1; i < blocks; ++i) {
    ReadExact(input, block.bytes, B);
    transform.Apply(block.bytes);
    WriteExact(output, block.bytes, B);
  }
  ReadExact(input, block.bytes, B);
  transform.Apply(block.bytes);
  const int32_t tail = block.bytes[B - 1];
  // Only a wrong key or damaged data give a count beyond the block's data bytes. Saying so is
  // better than writing bytes that were never data.
  if (tail > B - 1)
    RaiseInvalidFormat();
  WriteExact(output, block.bytes, tail);
}

template <class Cipher>
void RunStream(TStream& input, TStream& output, const Cipher& cipher, Layout layout, bool encrypt) {
  if (encrypt) {
    WriteEncrypted(input, output, cipher, layout);
  } else {
    ReadEncrypted(input, output, cipher, layout);
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

void TripleDesStreamEcb(TStream& input, TStream& output, const uint8_t* key, bool encrypt) {
  const TripleDesCipher cipher(key, encrypt);
  RunStream(input, output, cipher, Layout::kEcb, encrypt);
}

void TripleDesStreamCbc(TStream& input, TStream& output, const uint8_t* key, bool encrypt) {
  const TripleDesCipher cipher(key, encrypt);
  RunStream(input, output, cipher, Layout::kCbc, encrypt);
}

void RijndaelStreamEcb(TStream& input, TStream& output, const uint8_t* key, int32_t keyLength,
                       bool encrypt) {
  const RijndaelCipher cipher(key, keyLength, encrypt);
  RunStream(input, output, cipher, Layout::kEcb, encrypt);
}

void RijndaelStreamCbc(TStream& input, TStream& output, const uint8_t* key, int32_t keyLength,
                       bool encrypt) {
  const RijndaelCipher cipher(key, keyLength, encrypt);
  RunStream(input, output, cipher, Layout::kCbc, encrypt);
}

}  // namespace ostrel
