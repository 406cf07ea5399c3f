#include "primitives/random_key.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

namespace ostrel {
namespace {

bool AllEqual(const std::vector<uint8_t>& bytes, size_t from, size_t to, uint8_t value) {
  return std::all_of(bytes.begin() + static_cast<std::ptrdiff_t>(from),
                     bytes.begin() + static_cast<std::ptrdiff_t>(to),
                     [value](uint8_t b) { return b == value; });
}

TEST(FillRandomKey, WritesExactlyTheKeyLength) {
  for (int32_t length : {-1, 0, 1, 16, 32}) {
    SCOPED_TRACE(length);
    std::vector<uint8_t> buffer(48, 0xA5);
    FillRandomKey(buffer.data(), length);
    const size_t written = static_cast<size_t>(std::max(length, 0));
    EXPECT_TRUE(AllEqual(buffer, written, buffer.size(), 0xA5));
  }
}

// Two keys from independent draws are never equal in practice (2^-256), unlike keys from a
// generator seeded by a clock that did not move between the calls.
TEST(FillRandomKey, SuccessiveKeysDiffer) {
  std::vector<uint8_t> first(32);
  std::vector<uint8_t> second(32);
  FillRandomKey(first.data(), 32);
  FillRandomKey(second.data(), 32);
  EXPECT_NE(first, second);
}

// Older kernels answer at most 32 MiB per call; a larger request is still filled to its last byte.
TEST(FillRandomKey, FillsLargeRequestsCompletely) {
  constexpr size_t kSize = 40u << 20;
  std::vector<uint8_t> buffer(kSize, 0);
  FillRandomKey(buffer.data(), static_cast<int32_t>(kSize));
  EXPECT_FALSE(AllEqual(buffer, kSize - 4096, kSize, 0));
}

}  // namespace
}  // namespace ostrel
