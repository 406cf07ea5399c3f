// Names in the ANSI code page.
#include "platform/windows/ansi_text.h"
#include "platform/windows/name_text.h"

namespace ostrel::windows {

std::wstring WidenName(std::string_view name) {
  return WidenAnsi(name);
}

std::optional<std::string> NarrowNameExactly(std::wstring_view name) {
  return NarrowAnsiExactly(name);
}

std::string NarrowShownName(std::wstring_view name) {
  if (std::optional<std::string> exact = NarrowAnsiExactly(name))
    return *exact;
  std::string shown;
  for (const wchar_t character : name) {
    const std::optional<std::string> one = NarrowAnsiExactly(std::wstring_view(&character, 1));
    shown += one ? *one : std::string("?");
  }
  return shown;
}

std::string NarrowMessage(std::wstring_view text) {
  return NarrowAnsiBestFit(text);
}

}  // namespace ostrel::windows
