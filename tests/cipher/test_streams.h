// Streams that misbehave on purpose, or that are too large to hold, for the stream procedures'
// tests.
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstring>

#include "cipher/memory_stream.h"

namespace ostrel::testing {

// An output that takes bytes only up to a fixed total, as a disk that fills up: the write that
// crosses the limit stores the part that fits and reports that shorter count.
class LimitedStream : public TMemoryStream {
 public:
  explicit LimitedStream(int64_t limit) : limit_(limit) {}

  int32_t Write(const void* buffer, int32_t count) override {
    const int64_t room = std::max<int64_t>(limit_ - Position(), 0);
    return TMemoryStream::Write(buffer, static_cast<int32_t>(std::min<int64_t>(count, room)));
  }

 private:
  int64_t limit_;
};

// A read-only stream of any announced size whose bytes are made on demand from their offset.
// It can be placed anywhere with SetPosition, so a test can let a procedure believe it faces
// billions of blocks while only the last few are ever read. Given a smaller dataEnd, it announces
// more bytes than it delivers.
class GeneratedStream : public TStream {
 public:
  explicit GeneratedStream(int64_t size) : GeneratedStream(size, size) {}
  GeneratedStream(int64_t size, int64_t dataEnd) : size_(size), dataEnd_(dataEnd) {}

  static uint8_t ByteAt(int64_t offset) { return static_cast<uint8_t>(offset % 251); }

  int64_t Size() override { return size_; }
  int64_t Position() override { return position_; }
  void SetPosition(int64_t position) override { position_ = position; }
  int32_t Read(void* buffer, int32_t count) override {
    const auto moved = static_cast<int32_t>(std::clamp<int64_t>(dataEnd_ - position_, 0, count));
    auto* bytes = static_cast<uint8_t*>(buffer);
    for (int32_t i = 0; i < moved; ++i)
      bytes[i] = ByteAt(position_ + i);
    position_ += moved;
    return moved;
  }
  int32_t Write(const void*, int32_t) override { return 0; }

 private:
  int64_t size_;
  int64_t dataEnd_;
  int64_t position_ = 0;
};

}  // namespace ostrel::testing
