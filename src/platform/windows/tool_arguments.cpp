#include "platform/tool_arguments.h"

#include <windows.h>

#include <shellapi.h>

#include <optional>

#include "platform/windows/name_text.h"

namespace ostrel {

ToolArguments ReadToolArguments(int argc, char** argv) {
  ToolArguments arguments;
  int count = 0;
  wchar_t** const words = ::CommandLineToArgvW(::GetCommandLineW(), &count);
  if (words == nullptr) {
    // The run-time library's own split is all there is.
    arguments.Words.assign(argv, argv + argc);
    return arguments;
  }
  for (int index = 0; index < count; ++index) {
    const std::wstring_view word(words[index]);
    if (std::optional<std::string> exact = windows::NarrowNameExactly(word)) {
      arguments.Words.push_back(std::move(*exact));
      continue;
    }
    arguments.Words.push_back(windows::NarrowShownName(word));
    if (arguments.Untranslatable.empty())
      arguments.Untranslatable = arguments.Words.back();
  }
  ::LocalFree(words);
  return arguments;
}

}  // namespace ostrel
