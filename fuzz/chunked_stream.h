// A memory stream whose reads deliver fewer bytes than asked for, in sizes the fuzzer chooses, as
// a pipe or a slow device may. Results read through it must equal those read in one piece.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "cipher/memory_stream.h"

namespace ostrel::fuzzing {

class ChunkedStream : public TMemoryStream {
 public:
  // Read n delivers at most 1 + (sizes[n mod sizes.size()] mod 64) bytes (all of them with no
  // sizes).
  ChunkedStream(std::string_view bytes, std::string_view sizes)
      : TMemoryStream(bytes), sizes_(sizes) {}

  int32_t Read(void* buffer, int32_t count) override {
    if (!sizes_.empty()) {
      const auto size = static_cast<unsigned char>(sizes_[reads_++ % sizes_.size()]);
      const int32_t limit = 1 + size % 64;
      if (count > limit)
        count = limit;
    }
    return TMemoryStream::Read(buffer, count);
  }

 private:
  std::string sizes_;
  std::size_t reads_ = 0;
};

}  // namespace ostrel::fuzzing
