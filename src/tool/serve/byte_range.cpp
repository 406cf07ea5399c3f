#include "tool/serve/byte_range.h"

#include <charconv>
#include <optional>

namespace ostrel {
namespace {

std::string_view Trimmed(std::string_view text) {
  while (!text.empty() && (text.front() == ' ' || text.front() == '\t'))
    text.remove_prefix(1);
  while (!text.empty() && (text.back() == ' ' || text.back() == '\t'))
    text.remove_suffix(1);
  return text;
}

// A non-negative decimal number made of digits only; nothing for anything else or an overflow.
std::optional<int64_t> Number(std::string_view text) {
  if (text.empty())
    return std::nullopt;
  int64_t value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error != std::errc() || end != text.data() + text.size() || value < 0)
    return std::nullopt;
  return value;
}

}  // namespace

ByteRange ParseByteRange(std::string_view header, int64_t length) {
  ByteRange whole;
  header = Trimmed(header);
  if (!header.starts_with("bytes="))
    return whole;  // absent, or a unit nobody here knows: the whole file
  const std::string_view ranges = Trimmed(header.substr(6));
  if (ranges.find(',') != std::string_view::npos)
    return whole;
  const std::size_t dash = ranges.find('-');
  if (dash == std::string_view::npos)
    return whole;
  const std::string_view firstText = Trimmed(ranges.substr(0, dash));
  const std::string_view lastText = Trimmed(ranges.substr(dash + 1));
  ByteRange range;
  range.Outcome = ByteRange::Kind::kPart;
  if (firstText.empty()) {
    // "-N": the last N bytes.
    const std::optional<int64_t> suffix = Number(lastText);
    if (!suffix)
      return whole;
    if (*suffix == 0 || length == 0)
      return {ByteRange::Kind::kUnsatisfiable, 0, 0};
    range.First = *suffix >= length ? 0 : length - *suffix;
    range.Last = length - 1;
    return range;
  }
  const std::optional<int64_t> first = Number(firstText);
  if (!first)
    return whole;
  std::optional<int64_t> last = length - 1;
  if (!lastText.empty()) {
    last = Number(lastText);
    if (!last || *last < *first)
      return whole;  // not a valid range: the header is ignored
  }
  if (*first >= length)
    return {ByteRange::Kind::kUnsatisfiable, 0, 0};
  range.First = *first;
  range.Last = *last >= length ? length - 1 : *last;
  return range;
}

}  // namespace ostrel
