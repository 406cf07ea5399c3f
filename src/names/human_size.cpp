#include "names/human_size.h"

#include <cstdio>
#include <iterator>

namespace ostrel {

std::string HumanSize(int64_t bytes) {
  static constexpr const char* kUnits[] = {"B", "KiB", "MiB", "GiB", "TiB"};
  auto value = static_cast<double>(bytes);
  std::size_t unit = 0;
  while (value >= 1024.0 && unit + 1 < std::size(kUnits)) {
    value /= 1024.0;
    ++unit;
  }
  char text[32];
  if (unit == 0) {
    (void)std::snprintf(text, sizeof text, "%lld B", static_cast<long long>(bytes));
  } else {
    (void)std::snprintf(text, sizeof text, "%.1f %s", value, kUnits[unit]);
  }
  return text;
}

}  // namespace ostrel
