#include "tool/run/json_text.h"

#include <algorithm>

#include "platform/text_conversion.h"

namespace ostrel {
namespace {

// Widening maps every byte that is not part of valid UTF-8 to a lone surrogate U+DC80..U+DCFF.
bool IsValidUtf8(const std::string& text) {
  const std::u16string wide = WidenSystemText(text);
  return std::none_of(wide.begin(), wide.end(),
                      [](char16_t unit) { return unit >= 0xDC80 && unit <= 0xDCFF; });
}

std::string Hexadecimal(const std::string& bytes) {
  static constexpr char kDigits[] = "0123456789abcdef";
  std::string text;
  for (const char byte : bytes) {
    const auto value = static_cast<unsigned char>(byte);
    text.push_back(kDigits[value >> 4]);
    text.push_back(kDigits[value & 0xF]);
  }
  return text;
}

}  // namespace

void SetJsonName(nlohmann::json& object, const std::string& key, const std::string& name) {
  object[key] = name;
  if (!IsValidUtf8(name))
    object[key + "_hex"] = Hexadecimal(name);
}

std::string JsonLine(const nlohmann::json& object) {
  return object.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
}

}  // namespace ostrel
