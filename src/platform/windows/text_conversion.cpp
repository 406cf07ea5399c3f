// Windows layer of the system text: the program's text for names (name_text.h).
#include "platform/text_conversion.h"

#include <windows.h>

#include "platform/windows/name_text.h"

namespace ostrel {
namespace {

static_assert(sizeof(wchar_t) == sizeof(char16_t), "the system's UTF-16 is wchar_t");

std::wstring_view AsWide(std::u16string_view text) {
  return {reinterpret_cast<const wchar_t*>(text.data()), text.size()};
}

}  // namespace

std::u16string WidenSystemText(std::string_view text) {
  const std::wstring wide = windows::WidenName(text);
  return {reinterpret_cast<const char16_t*>(wide.data()), wide.size()};
}

// Text made by widening comes back exactly. A character the program's text lacks becomes "?",
// which no Windows file name may hold: a name it cannot spell fails to open, and never reaches a
// look-alike file that best fit would pick.
std::string NarrowSystemText(std::u16string_view text) {
  return windows::NarrowShownName(AsWide(text));
}

}  // namespace ostrel
