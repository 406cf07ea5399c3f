// Names in UTF-8, which holds every UTF-16 name exactly.
#include "platform/utf8_text.h"
#include "platform/windows/name_text.h"

namespace ostrel::windows {
namespace {

static_assert(sizeof(wchar_t) == sizeof(char16_t), "the system's UTF-16 is wchar_t");

}  // namespace

std::wstring WidenName(std::string_view name) {
  const std::u16string wide = WidenUtf8(name, LoneSurrogates::kThreeByteForms);
  return {reinterpret_cast<const wchar_t*>(wide.data()), wide.size()};
}

std::optional<std::string> NarrowNameExactly(std::wstring_view name) {
  return NarrowShownName(name);
}

std::string NarrowShownName(std::wstring_view name) {
  return NarrowUtf8({reinterpret_cast<const char16_t*>(name.data()), name.size()},
                    LoneSurrogates::kThreeByteForms);
}

std::string NarrowMessage(std::wstring_view text) {
  return NarrowShownName(text);
}

}  // namespace ostrel::windows
