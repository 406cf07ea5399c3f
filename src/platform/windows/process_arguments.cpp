#include "platform/process_arguments.h"

#include <windows.h>

#include "platform/command_line_words.h"
#include "platform/text_conversion.h"
#include "platform/windows/ansi_text.h"

namespace ostrel {

// The C runtime's argv follows other splitting rules (backslashes before quotes escape them), so
// the words come from the command line itself.
std::vector<ProcessArgument> ProcessArguments(int /*argc*/, char** /*argv*/) {
  const wchar_t* const line = ::GetCommandLineW();
  const std::wstring_view wide = line != nullptr ? std::wstring_view(line) : std::wstring_view();
  const std::vector<std::u16string> words = SplitCommandLine(
      std::u16string_view(reinterpret_cast<const char16_t*>(wide.data()), wide.size()));
  std::vector<ProcessArgument> arguments;
  for (std::size_t i = 1; i < words.size(); ++i) {
    const std::wstring_view word(reinterpret_cast<const wchar_t*>(words[i].data()),
                                 words[i].size());
    const auto exact = windows::NarrowAnsiExactly(word);
    arguments.push_back({windows::NarrowAnsiBestFit(word),
                         exact ? *exact : NarrowSystemText(words[i]), exact.has_value()});
  }
  return arguments;
}

}  // namespace ostrel
