#include "platform/windows/ansi_text.h"

#include <windows.h>

#include <climits>

namespace ostrel::windows {
namespace {

// The conversion calls take int lengths; longer text is no name and no pass phrase.
int LengthOf(std::size_t size) {
  return size > static_cast<std::size_t>(INT_MAX) ? INT_MAX : static_cast<int>(size);
}

std::string Narrow(std::wstring_view text, DWORD flags, BOOL* usedDefault) {
  if (text.empty())
    return {};
  const int needed = ::WideCharToMultiByte(CP_ACP, flags, text.data(), LengthOf(text.size()),
                                           nullptr, 0, nullptr, usedDefault);
  std::string narrow(static_cast<std::size_t>(needed > 0 ? needed : 0), '\0');
  if (needed > 0)
    ::WideCharToMultiByte(CP_ACP, flags, text.data(), LengthOf(text.size()), narrow.data(), needed,
                          nullptr, usedDefault);
  return narrow;
}

}  // namespace

std::wstring WidenAnsi(std::string_view text) {
  if (text.empty())
    return {};
  const int needed =
      ::MultiByteToWideChar(CP_ACP, 0, text.data(), LengthOf(text.size()), nullptr, 0);
  std::wstring wide(static_cast<std::size_t>(needed > 0 ? needed : 0), L'\0');
  if (needed > 0)
    ::MultiByteToWideChar(CP_ACP, 0, text.data(), LengthOf(text.size()), wide.data(), needed);
  return wide;
}

std::optional<std::string> NarrowAnsiExactly(std::wstring_view text) {
  BOOL usedDefault = FALSE;
  std::string narrow = Narrow(text, WC_NO_BEST_FIT_CHARS, &usedDefault);
  // The flag misses characters that the page spells in more than one way; widening back does not.
  if (usedDefault || WidenAnsi(narrow) != text)
    return std::nullopt;
  return narrow;
}

std::string NarrowAnsiBestFit(std::wstring_view text, bool* exact) {
  std::string narrow = Narrow(text, 0, nullptr);
  if (exact != nullptr)
    *exact = WidenAnsi(narrow) == text;
  return narrow;
}

}  // namespace ostrel::windows
