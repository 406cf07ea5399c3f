// Streams that fail on purpose at a chosen point, for the fault-injection tests.
#pragma once

#include <algorithm>
#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>

#include "cipher/memory_stream.h"

namespace ostrel::hardening {

// An input that reads as a memory stream until `failAt` bytes have been delivered; from then on a
// read delivers nothing (a failing device) or, when `shortBy` is set, at most that many bytes fewer
// than asked for (a file cut short under the reader). Its size stays what it was announced as. It
// refuses to be written: an input must never be.
class FailingInput : public TMemoryStream {
 public:
  enum class Fault { Fails, ComesShort };

  FailingInput(std::string_view bytes, int64_t failAt, Fault fault)
      : TMemoryStream(bytes), failAt_(failAt), fault_(fault) {}

  int32_t Read(void* buffer, int32_t count) override {
    const int64_t room = std::max<int64_t>(failAt_ - Position(), 0);
    if (room >= count)
      return TMemoryStream::Read(buffer, count);
    if (fault_ == Fault::Fails && room == 0)
      return 0;
    // Short: what is left before the fault point, and nothing more.
    return TMemoryStream::Read(buffer, static_cast<int32_t>(room));
  }
  int32_t Write(const void*, int32_t) override {
    throw std::logic_error("the input stream was written to");
  }

 private:
  int64_t failAt_;
  Fault fault_;
};

// An output that takes every byte up to `failAt` and then fails: either it stores nothing of the
// write that crosses the point (an error reported before any byte moved) or it stores the part
// that fits and reports that shorter count (a disk that fills up).
class FailingOutput : public TMemoryStream {
 public:
  enum class Fault { StoresNothing, StoresWhatFits };

  FailingOutput(int64_t failAt, Fault fault) : failAt_(failAt), fault_(fault) {}

  int32_t Write(const void* buffer, int32_t count) override {
    const int64_t room = std::max<int64_t>(failAt_ - Position(), 0);
    if (room >= count)
      return TMemoryStream::Write(buffer, count);
    if (fault_ == Fault::StoresNothing)
      return 0;
    return TMemoryStream::Write(buffer, static_cast<int32_t>(room));
  }

 private:
  int64_t failAt_;
  Fault fault_;
};

// A memory stream whose reads deliver at most `largest` bytes each, before its end as at it.
class ShortReadStream : public TMemoryStream {
 public:
  ShortReadStream(std::string_view bytes, int32_t largest)
      : TMemoryStream(bytes), largest_(largest) {}

  int32_t Read(void* buffer, int32_t count) override {
    return TMemoryStream::Read(buffer, std::min(count, largest_));
  }

 private:
  int32_t largest_;
};

}  // namespace ostrel::hardening
