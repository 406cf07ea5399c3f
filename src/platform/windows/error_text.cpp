// Windows layer of the system's error texts: the system message table, in the program's text.
#include "platform/error_text.h"

#include <windows.h>

#include <algorithm>

#include "platform/windows/name_text.h"

namespace ostrel {

std::string SystemErrorText(int error) {
  wchar_t buffer[256] = {};
  const DWORD length =
      ::FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                       static_cast<DWORD>(error), MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT), buffer,
                       static_cast<DWORD>(std::size(buffer)), nullptr);
  std::wstring_view text(buffer, length);
  // The table ends its texts with a line break; messages put the text inside a line of their own.
  while (!text.empty() && static_cast<unsigned>(text.back()) <= L' ')
    text.remove_suffix(1);
  if (text.empty())
    return "Unspecified error (" + std::to_string(error) + ") from system.";
  return windows::NarrowMessage(text);
}

}  // namespace ostrel
