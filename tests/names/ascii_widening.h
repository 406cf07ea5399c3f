// Test helper: the UTF-16 form of an 8-bit test string, byte by byte, so that the same table of
// cases can drive both character types of the path rules.
#pragma once

#include <string>
#include <string_view>

namespace ostrel::testing {

inline std::u16string WidenBytes(std::string_view bytes) {
  std::u16string wide;
  wide.reserve(bytes.size());
  for (const char c : bytes)
    wide.push_back(static_cast<char16_t>(static_cast<unsigned char>(c)));
  return wide;
}

}  // namespace ostrel::testing
