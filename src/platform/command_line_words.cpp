#include "platform/command_line_words.h"

#include <utility>

namespace ostrel {
namespace {

bool Separates(char16_t c) {
  return c <= u' ';
}

}  // namespace

std::vector<std::u16string> SplitCommandLine(std::u16string_view commandLine) {
  std::vector<std::u16string> words;
  std::size_t at = 0;
  for (;;) {
    // Blanks before a word, and any number of empty pairs of quotes among them.
    for (;;) {
      while (at < commandLine.size() && Separates(commandLine[at]))
        ++at;
      if (commandLine.substr(at, 2) != u"\"\"")
        break;
      at += 2;
    }
    if (at == commandLine.size())
      return words;
    std::u16string word;
    bool quoted = false;
    for (; at < commandLine.size() && (quoted || !Separates(commandLine[at])); ++at) {
      if (commandLine[at] == u'"')
        quoted = !quoted;
      else
        word += commandLine[at];
    }
    words.push_back(std::move(word));
  }
}

}  // namespace ostrel
