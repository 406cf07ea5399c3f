#include "tool/run/terminal_text.h"

#include "names/path_style.h"

namespace ostrel {
namespace {

constexpr bool kBackslashSeparates = kHostPathStyle == PathStyle::Windows;

void AppendEscaped(std::string& text, unsigned char byte) {
  static constexpr char kDigits[] = "0123456789abcdef";
  text += "\\x";
  text.push_back(kDigits[byte >> 4]);
  text.push_back(kDigits[byte & 0xF]);
}

}  // namespace

std::string EscapeControlCharacters(std::string_view text) {
  std::string escaped;
  escaped.reserve(text.size());
  for (std::size_t index = 0; index < text.size(); ++index) {
    const auto byte = static_cast<unsigned char>(text[index]);
    if (byte < 0x20 || byte == 0x7F) {
      AppendEscaped(escaped, byte);
    } else if (byte == '\\' && !kBackslashSeparates) {
      escaped += "\\\\";
    } else if (byte == 0xC2 && index + 1 < text.size() &&
               static_cast<unsigned char>(text[index + 1]) >= 0x80 &&
               static_cast<unsigned char>(text[index + 1]) <= 0x9F) {
      AppendEscaped(escaped, byte);
      AppendEscaped(escaped, static_cast<unsigned char>(text[++index]));
    } else {
      escaped.push_back(static_cast<char>(byte));
    }
  }
  return escaped;
}

}  // namespace ostrel
