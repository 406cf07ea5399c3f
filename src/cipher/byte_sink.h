// Where the stream engine puts what it produces: runs of bytes, in order, each taken whole.
#pragma once

#include <cstdint>

#include "cipher/stream.h"

namespace ostrel {

class ByteSink {
 public:
  virtual ~ByteSink() = default;
  // Takes all count bytes, or raises (EOutputRefused, or the sink's own reason).
  virtual void Put(const uint8_t* bytes, int64_t count) = 0;
};

// Writes to a stream at its position; a stream that takes fewer bytes raises EOutputRefused.
class StreamSink final : public ByteSink {
 public:
  explicit StreamSink(TStream& stream) : stream_(stream) {}
  void Put(const uint8_t* bytes, int64_t count) override;

 private:
  TStream& stream_;
};

// Takes everything and keeps nothing: for checks that only read.
class DiscardingSink final : public ByteSink {
 public:
  void Put(const uint8_t* /*bytes*/, int64_t /*count*/) override {}
};

}  // namespace ostrel
