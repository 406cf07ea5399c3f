// Windows layer of the system text: the ANSI code page.
#include "platform/text_conversion.h"

#include <windows.h>

#include "platform/windows/ansi_text.h"

namespace ostrel {
namespace {

static_assert(sizeof(wchar_t) == sizeof(char16_t), "the system's UTF-16 is wchar_t");

std::wstring_view AsWide(std::u16string_view text) {
  return {reinterpret_cast<const wchar_t*>(text.data()), text.size()};
}

}  // namespace

std::u16string WidenSystemText(std::string_view text) {
  const std::wstring wide = windows::WidenAnsi(text);
  return {reinterpret_cast<const char16_t*>(wide.data()), wide.size()};
}

// Text made by widening comes back exactly. A character the code page lacks becomes "?", which no
// Windows file name may hold: a name the page cannot spell fails to open, and never reaches a
// look-alike file that best fit would pick.
std::string NarrowSystemText(std::u16string_view text) {
  const std::wstring_view wide = AsWide(text);
  if (const auto exact = windows::NarrowAnsiExactly(wide))
    return *exact;
  std::string narrow;
  for (const wchar_t unit : wide) {
    const auto single = windows::NarrowAnsiExactly(std::wstring_view(&unit, 1));
    narrow += single ? *single : std::string("?");
  }
  return narrow;
}

}  // namespace ostrel
