// Widening 8-bit text to UTF-16 and narrowing it back: lossless for every byte string, so every
// file name, valid UTF-8 or not, gets its output beside itself.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "platform/text_conversion.h"
#include "property_check.h"

namespace {

bool IsWellFormedUtf16(std::u16string_view text) {
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char16_t unit = text[i];
    if (unit >= 0xD800 && unit <= 0xDBFF) {
      if (i + 1 >= text.size() || text[i + 1] < 0xDC00 || text[i + 1] > 0xDFFF)
        return false;
      ++i;
    } else if (unit >= 0xDC00 && unit <= 0xDFFF) {
      return false;
    }
  }
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  using namespace ostrel;
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  const std::u16string wide = WidenSystemText(bytes);
  OSTREL_CHECK(NarrowSystemText(wide) == bytes);
  OSTREL_CHECK(wide.size() <= bytes.size());

  // The bytes as UTF-16 units: well-formed UTF-16 comes back unchanged; anything else at least
  // settles, narrowing to the same bytes after one more round.
  std::u16string units;
  for (std::size_t i = 0; i + 1 < size; i += 2)
    units.push_back(static_cast<char16_t>(data[i] | data[i + 1] << 8));
  const std::string narrow = NarrowSystemText(units);
  OSTREL_CHECK(NarrowSystemText(WidenSystemText(narrow)) == narrow);
  if (IsWellFormedUtf16(units))
    OSTREL_CHECK(WidenSystemText(narrow) == units);
  return 0;
}
