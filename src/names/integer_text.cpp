// Reading the number fields of encoded names (sizes and time-stamp fields).
#include "names/integer_text.h"

#include <cstddef>
#include <limits>
#include <optional>

namespace ostrel {
namespace {

std::optional<unsigned> DigitValue(char16_t c, unsigned radix) {
  unsigned value;
  if (c >= u'0' && c <= u'9') {
    value = static_cast<unsigned>(c - u'0');
  } else if (c >= u'a' && c <= u'f') {
    value = static_cast<unsigned>(c - u'a') + 10;
  } else if (c >= u'A' && c <= u'F') {
    value = static_cast<unsigned>(c - u'A') + 10;
  } else {
    return std::nullopt;
  }
  if (value >= radix)
    return std::nullopt;
  return value;
}

// The value of text if it is an integer within [-(maxPositive + 1), maxPositive].
std::optional<int64_t> ReadInteger(std::u16string_view text, uint64_t maxPositive) {
  std::size_t at = 0;
  while (at < text.size() && text[at] == u' ')
    ++at;

  bool negative = false;
  if (at < text.size() && (text[at] == u'+' || text[at] == u'-')) {
    negative = text[at] == u'-';
    ++at;
  }

  unsigned radix = 10;
  if (at < text.size() && (text[at] == u'$' || text[at] == u'x' || text[at] == u'X')) {
    radix = 16;
    at += 1;
  } else if (at + 1 < text.size() && text[at] == u'0' &&
             (text[at + 1] == u'x' || text[at + 1] == u'X')) {
    radix = 16;
    at += 2;
  }

  if (at == text.size())
    return std::nullopt;  // no digits at all
  const uint64_t limit = negative ? maxPositive + 1 : maxPositive;
  uint64_t magnitude = 0;
  for (; at < text.size(); ++at) {
    const std::optional<unsigned> digit = DigitValue(text[at], radix);
    if (!digit)
      return std::nullopt;
    if (magnitude > (limit - *digit) / radix)
      return std::nullopt;  // beyond the signed range
    magnitude = magnitude * radix + *digit;
  }
  if (!negative)
    return static_cast<int64_t>(magnitude);
  // -(2^63) has no positive counterpart, so negate in unsigned arithmetic.
  return magnitude == 0 ? 0 : -static_cast<int64_t>(magnitude - 1) - 1;
}

}  // namespace

int32_t ReadInt32OrMinusOne(std::u16string_view text) {
  const std::optional<int64_t> value =
      ReadInteger(text, static_cast<uint64_t>(std::numeric_limits<int32_t>::max()));
  return value ? static_cast<int32_t>(*value) : -1;
}

int64_t ReadInt64OrMinusOne(std::u16string_view text) {
  const std::optional<int64_t> value =
      ReadInteger(text, static_cast<uint64_t>(std::numeric_limits<int64_t>::max()));
  return value ? *value : -1;
}

}  // namespace ostrel
