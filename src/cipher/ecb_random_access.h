// The plain text of an ECB stream read at any offset, from an input that can be read at any offset:
// in ECB every block decrypts alone, so a range costs only the blocks it touches, and the plain
// length comes from the final block alone. Bytes after the last whole block are ignored, as the
// stream reader ignores them.
#pragma once

#include <cstdint>
#include <memory>

#include "cipher/block_cipher.h"
#include "cipher/final_block.h"
#include "cipher/stream.h"

namespace ostrel {

class RandomAccessInput {
 public:
  virtual ~RandomAccessInput() = default;
  // The input's length in bytes; raises when it cannot be had.
  virtual int64_t Size() = 0;
  // Reads up to count bytes at offset and returns how many arrived (fewer only at the end);
  // raises when the read fails.
  virtual int64_t ReadAt(int64_t offset, uint8_t* buffer, int64_t count) = 0;
};

// A seekable stream as a random-access input: positions, then reads.
class StreamRandomAccess final : public RandomAccessInput {
 public:
  explicit StreamRandomAccess(TStream& stream) : stream_(stream) {}
  int64_t Size() override;
  int64_t ReadAt(int64_t offset, uint8_t* buffer, int64_t count) override;

 private:
  TStream& stream_;
};

class EcbPlainReader {
 public:
  // cipher: keyed for decryption; both must outlive the reader.
  EcbPlainReader(RandomAccessInput& input, const BlockCipher& cipher, FinalBlockCheck check);
  ~EcbPlainReader();
  EcbPlainReader(const EcbPlainReader&) = delete;
  EcbPlainReader& operator=(const EcbPlainReader&) = delete;

  // The plain length, from the final block (read on first use and remembered). Raises
  // ETruncatedStream for an input shorter than one block, EFinalBlockRejected when the final block
  // fails the check, and the input's own errors.
  int64_t PlainLength();

  // The final block as it is stored (encrypted), after PlainLength: equal stored final blocks
  // under one key always give equal answers.
  const uint8_t* FinalCipherBlock() const { return finalCipher_; }

  // Up to count plain bytes from offset into buffer; returns how many (fewer at the end of the
  // plain text, 0 at or beyond it). Decrypts only the blocks the range touches.
  int64_t Read(int64_t offset, uint8_t* buffer, int64_t count);

 private:
  static constexpr int32_t kLargestBlock = 16;

  void ReadExactAt(int64_t offset, uint8_t* buffer, int64_t count);

  RandomAccessInput& input_;
  const BlockCipher& cipher_;
  const FinalBlockCheck check_;
  const int32_t blockSize_;
  int64_t plainLength_ = -1;
  int64_t blocks_ = 0;
  uint8_t finalCipher_[kLargestBlock] = {};
  std::unique_ptr<uint8_t[]> scratch_;
};

}  // namespace ostrel
