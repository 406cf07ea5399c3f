#include "shell/user_messages.h"

#include <cstdio>

namespace ostrel {
namespace {

// Box texts end their lines in CR LF; a terminal wants plain line ends and no empty last line.
void WriteBox(const std::string& caption, const std::string& text) {
  std::string lines;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n')
      continue;
    lines += text[i];
  }
  if (lines.empty() || lines.back() != '\n')
    lines += '\n';
  // A closed or full standard error leaves nowhere else to report to; the exit code still speaks.
  (void)std::fprintf(stderr, "%s\n%s", caption.c_str(), lines.c_str());
  (void)std::fflush(stderr);
}

}  // namespace

void ConsoleMessages::ShowNote(const std::string& text) {
  WriteBox("NOTE", text);
}

void ConsoleMessages::ShowError(const std::string& caption, const std::string& text) {
  WriteBox(caption, text);
}

}  // namespace ostrel
