// Hexadecimal text for test data and readable failure messages.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace ostrel::test {

// Nothing when the text is not an even number of hexadecimal digits.
inline std::optional<std::vector<uint8_t>> ParseHex(std::string_view text) {
  auto digit = [](char c) -> int {
    if (c >= '0' && c <= '9')
      return c - '0';
    if (c >= 'a' && c <= 'f')
      return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
      return c - 'A' + 10;
    return -1;
  };
  if (text.size() % 2 != 0) {
    return std::nullopt;
  }
  std::vector<uint8_t> bytes;
  for (size_t i = 0; i < text.size(); i += 2) {
    const int high = digit(text[i]);
    const int low = digit(text[i + 1]);
    if (high < 0 || low < 0) {
      return std::nullopt;
    }
    bytes.push_back(static_cast<uint8_t>(high * 16 + low));
  }
  return bytes;
}

// For literals in tests, which are known to be well-formed.
inline std::vector<uint8_t> Hex(std::string_view text) {
  return ParseHex(text).value();
}

inline std::string ToHex(const uint8_t* bytes, size_t size) {
  static constexpr char kDigits[] = "0123456789abcdef";
  std::string text;
  for (size_t i = 0; i < size; ++i) {
    text += kDigits[bytes[i] >> 4];
    text += kDigits[bytes[i] & 15];
  }
  return text;
}

inline std::string ToHex(const std::vector<uint8_t>& bytes) {
  return ToHex(bytes.data(), bytes.size());
}

}  // namespace ostrel::test
