#include "platform/utf8_text.h"

#include <cstdint>

namespace ostrel {
namespace {

constexpr char16_t kEscapeBase = 0xDC00;  // byte b >= 0x80 escapes to U+DC00 + b

bool IsContinuation(unsigned char byte) {
  return (byte & 0xC0) == 0x80;
}

// Length of the well-formed UTF-8 sequence at text[i] (Unicode table 3-7), or 0 when there is
// none; *codePoint receives its value.
std::size_t WellFormedSequence(std::string_view text, std::size_t i, char32_t* codePoint) {
  const auto byte = [&](std::size_t k) { return static_cast<unsigned char>(text[i + k]); };
  const std::size_t left = text.size() - i;
  const unsigned char first = byte(0);
  if (first < 0x80) {
    *codePoint = first;
    return 1;
  }
  if (first >= 0xC2 && first <= 0xDF) {
    if (left < 2 || !IsContinuation(byte(1)))
      return 0;
    *codePoint = (char32_t{first} & 0x1F) << 6 | (byte(1) & 0x3F);
    return 2;
  }
  if (first >= 0xE0 && first <= 0xEF) {
    if (left < 3)
      return 0;
    const unsigned char second = byte(1);
    const unsigned char low = first == 0xE0 ? 0xA0 : 0x80;   // no overlong forms
    const unsigned char high = first == 0xED ? 0x9F : 0xBF;  // no encoded surrogates
    if (second < low || second > high || !IsContinuation(byte(2)))
      return 0;
    *codePoint = (char32_t{first} & 0x0F) << 12 | (char32_t{second} & 0x3F) << 6 | (byte(2) & 0x3F);
    return 3;
  }
  if (first >= 0xF0 && first <= 0xF4) {
    if (left < 4)
      return 0;
    const unsigned char second = byte(1);
    const unsigned char low = first == 0xF0 ? 0x90 : 0x80;
    const unsigned char high = first == 0xF4 ? 0x8F : 0xBF;  // nothing above U+10FFFF
    if (second < low || second > high || !IsContinuation(byte(2)) || !IsContinuation(byte(3))) {
      return 0;
    }
    *codePoint = (char32_t{first} & 0x07) << 18 | (char32_t{second} & 0x3F) << 12 |
                 (char32_t{byte(2)} & 0x3F) << 6 | (byte(3) & 0x3F);
    return 4;
  }
  return 0;
}

void AppendUtf8(std::string& out, char32_t codePoint) {
  const auto put = [&](char32_t value) { out.push_back(static_cast<char>(value)); };
  if (codePoint < 0x80) {
    put(codePoint);
  } else if (codePoint < 0x800) {
    put(0xC0 | codePoint >> 6);
    put(0x80 | (codePoint & 0x3F));
  } else if (codePoint < 0x10000) {
    put(0xE0 | codePoint >> 12);
    put(0x80 | (codePoint >> 6 & 0x3F));
    put(0x80 | (codePoint & 0x3F));
  } else {
    put(0xF0 | codePoint >> 18);
    put(0x80 | (codePoint >> 12 & 0x3F));
    put(0x80 | (codePoint >> 6 & 0x3F));
    put(0x80 | (codePoint & 0x3F));
  }
}

bool IsHighSurrogate(char16_t unit) {
  return unit >= 0xD800 && unit <= 0xDBFF;
}
bool IsLowSurrogate(char16_t unit) {
  return unit >= 0xDC00 && unit <= 0xDFFF;
}

// The three-byte form of a surrogate code point, which well-formed UTF-8 never holds.
std::size_t SurrogateForm(std::string_view text, std::size_t i, char16_t* unit) {
  if (text.size() - i < 3 || static_cast<unsigned char>(text[i]) != 0xED)
    return 0;
  const auto second = static_cast<unsigned char>(text[i + 1]);
  const auto third = static_cast<unsigned char>(text[i + 2]);
  if (second < 0xA0 || second > 0xBF || !IsContinuation(third))
    return 0;
  *unit = static_cast<char16_t>(0xD000 | (second & 0x3F) << 6 | (third & 0x3F));
  return 3;
}

}  // namespace

std::u16string WidenUtf8(std::string_view text, LoneSurrogates surrogates) {
  std::u16string wide;
  wide.reserve(text.size());
  for (std::size_t i = 0; i < text.size();) {
    char32_t codePoint = 0;
    const std::size_t length = WellFormedSequence(text, i, &codePoint);
    if (length == 0) {
      char16_t surrogate = 0;
      if (surrogates == LoneSurrogates::kThreeByteForms) {
        if (const std::size_t form = SurrogateForm(text, i, &surrogate); form != 0) {
          wide.push_back(surrogate);
          i += form;
          continue;
        }
      }
      wide.push_back(static_cast<char16_t>(kEscapeBase + static_cast<unsigned char>(text[i])));
      ++i;
      continue;
    }
    if (codePoint >= 0x10000) {
      const char32_t offset = codePoint - 0x10000;
      wide.push_back(static_cast<char16_t>(0xD800 + (offset >> 10)));
      wide.push_back(static_cast<char16_t>(0xDC00 + (offset & 0x3FF)));
    } else {
      wide.push_back(static_cast<char16_t>(codePoint));
    }
    i += length;
  }
  return wide;
}

std::string NarrowUtf8(std::u16string_view text, LoneSurrogates surrogates) {
  std::string narrow;
  narrow.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char16_t unit = text[i];
    if (IsHighSurrogate(unit) && i + 1 < text.size() && IsLowSurrogate(text[i + 1])) {
      const char32_t codePoint =
          0x10000u + ((char32_t{unit} - 0xD800u) << 10) + (char32_t{text[i + 1]} - 0xDC00u);
      AppendUtf8(narrow, codePoint);
      ++i;
    } else if (surrogates == LoneSurrogates::kEscapedBytes && unit >= kEscapeBase + 0x80 &&
               unit <= kEscapeBase + 0xFF) {
      narrow.push_back(static_cast<char>(unit - kEscapeBase));
    } else {
      AppendUtf8(narrow, unit);
    }
  }
  return narrow;
}

}  // namespace ostrel
