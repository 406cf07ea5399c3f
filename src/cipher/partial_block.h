// The bytes of a stream that do not yet fill a block, collected across the pieces the input comes
// in; wiped when they go, since they may be plain text.
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstring>

#include "secret/secure_wipe.h"

namespace ostrel {

class PartialBlock {
 public:
  explicit PartialBlock(int32_t blockSize) : blockSize_(blockSize) {}
  ~PartialBlock() { SecureWipe(bytes_); }
  PartialBlock(const PartialBlock&) = delete;
  PartialBlock& operator=(const PartialBlock&) = delete;

  // Completes a started block from the front of the piece and moves the piece past what it took.
  // True when a started block is now full (Data holds it; Clear starts the next).
  bool TopUp(uint8_t*& bytes, int64_t& count) {
    if (count_ == 0)
      return false;
    const auto take = static_cast<int32_t>(std::min<int64_t>(blockSize_ - count_, count));
    std::memcpy(bytes_ + count_, bytes, static_cast<size_t>(take));
    count_ += take;
    bytes += take;
    count -= take;
    return count_ == blockSize_;
  }
  // Starts anew with the fewer than blockSize bytes that end a piece.
  void Keep(const uint8_t* bytes, int32_t count) {
    std::memcpy(bytes_, bytes, static_cast<size_t>(count));
    count_ = count;
  }
  void Clear() { count_ = 0; }

  uint8_t* Data() { return bytes_; }
  int32_t Count() const { return count_; }

 private:
  static constexpr int32_t kLargestBlock = 16;

  const int32_t blockSize_;
  uint8_t bytes_[kLargestBlock] = {};
  int32_t count_ = 0;
};

}  // namespace ostrel
