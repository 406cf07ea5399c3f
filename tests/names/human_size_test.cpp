#include "names/human_size.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

namespace ostrel {
namespace {

TEST(HumanSize, WholeBytesThenBinaryUnitsWithOneDecimal) {
  const struct {
    int64_t bytes;
    const char* text;
  } cases[] = {
      {0, "0 B"},
      {1023, "1023 B"},
      {1024, "1.0 KiB"},
      {1536, "1.5 KiB"},
      {1024 * 1024 - 1, "1024.0 KiB"},  // rounds in the display, not in the unit chosen
      {1024 * 1024, "1.0 MiB"},
      {int64_t{3} << 30, "3.0 GiB"},
      {int64_t{5} << 50, "5120.0 TiB"},  // the largest unit keeps counting
  };
  for (const auto& c : cases)
    EXPECT_EQ(HumanSize(c.bytes), c.text) << c.bytes;
}

}  // namespace
}  // namespace ostrel
