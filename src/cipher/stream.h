// The byte stream that the stream, file and string procedures work on: a 64-bit size and position,
// and Read and Write that report how many bytes they moved instead of failing.
#pragma once

#include <cstdint>

namespace ostrel {

class TStream {
 public:
  virtual ~TStream() = default;

  virtual int64_t Size() = 0;
  virtual int64_t Position() = 0;
  virtual void SetPosition(int64_t position) = 0;
  // Both return the number of bytes transferred: fewer than count at the end of the data or on
  // failure, never a negative number.
  virtual int32_t Read(void* buffer, int32_t count) = 0;
  virtual int32_t Write(const void* buffer, int32_t count) = 0;
};

}  // namespace ostrel
