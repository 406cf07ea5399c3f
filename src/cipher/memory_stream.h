// A growable in-memory stream, for the string functions and for tests.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "cipher/stream.h"

namespace ostrel {

class TMemoryStream : public TStream {
 public:
  TMemoryStream() = default;
  explicit TMemoryStream(std::string_view bytes) : bytes_(bytes) {}

  int64_t Size() override;
  int64_t Position() override;
  void SetPosition(int64_t position) override;
  int32_t Read(void* buffer, int32_t count) override;
  int32_t Write(const void* buffer, int32_t count) override;

  const std::string& Bytes() const { return bytes_; }

 private:
  std::string bytes_;
  int64_t position_ = 0;
};

}  // namespace ostrel
