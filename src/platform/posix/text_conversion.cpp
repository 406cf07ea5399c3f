#include "platform/text_conversion.h"

#include "platform/utf8_text.h"

namespace ostrel {

std::u16string WidenSystemText(std::string_view text) {
  return WidenUtf8(text, LoneSurrogates::kEscapedBytes);
}

std::string NarrowSystemText(std::u16string_view text) {
  return NarrowUtf8(text, LoneSurrogates::kEscapedBytes);
}

}  // namespace ostrel
