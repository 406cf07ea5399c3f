#include "platform/executable_name.h"

#include <windows.h>

#include "platform/windows/ansi_text.h"

namespace ostrel {
namespace {

// Everything after the last "\", "/" or drive colon.
template <typename Char>
std::basic_string_view<Char> LastComponent(std::basic_string_view<Char> path) {
  std::size_t start = path.size();
  while (start > 0 && path[start - 1] != '\\' && path[start - 1] != '/' && path[start - 1] != ':')
    --start;
  return path.substr(start);
}

}  // namespace

std::string ExecutableFileName(std::string_view argv0) {
  std::wstring path(MAX_PATH, L'\0');
  for (;;) {
    const DWORD length =
        ::GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
    if (length == 0)
      break;
    if (length < path.size())
      return windows::NarrowAnsiBestFit(LastComponent(std::wstring_view(path.data(), length)));
    path.resize(path.size() * 2);  // cut short: the buffer was too small
  }
  return std::string(LastComponent(argv0));
}

}  // namespace ostrel
