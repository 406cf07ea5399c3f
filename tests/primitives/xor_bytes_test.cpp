#include "primitives/xor_bytes.h"

#include <gtest/gtest.h>

#include <vector>

namespace ostrel {
namespace {

// Word-at-a-time XOR must equal bytewise XOR for every count and alignment, and stop at count.
TEST(XorBytes, EqualsBytewiseXorAndTouchesNothingElse) {
  for (int32_t offset = 0; offset < 4; ++offset) {
    for (int32_t count = -1; count <= 13; ++count) {
      SCOPED_TRACE(testing::Message() << "offset " << offset << " count " << count);
      std::vector<uint8_t> destination(24);
      std::vector<uint8_t> source(24);
      for (size_t i = 0; i < destination.size(); ++i) {
        destination[i] = static_cast<uint8_t>(i * 29 + 3);
        source[i] = static_cast<uint8_t>(i * 71 + 200);
      }
      std::vector<uint8_t> expected = destination;
      for (int32_t i = 0; i < count; ++i) {
        expected[offset + i] ^= source[offset + 5 + i];
      }
      const std::vector<uint8_t> sourceBefore = source;
      XorBytes(destination.data() + offset, source.data() + offset + 5, count);
      EXPECT_EQ(destination, expected);
      EXPECT_EQ(source, sourceBefore);
    }
  }
}

}  // namespace
}  // namespace ostrel
