#include "shell/message_wrap.h"

namespace ostrel {
namespace {

bool IsHighSurrogate(wchar_t c) {
  return static_cast<unsigned>(c) >= 0xD800 && static_cast<unsigned>(c) <= 0xDBFF;
}

bool IsPathSeparator(wchar_t c) {
  return c == L'/' || c == L'\\';
}

// How many characters of line fit into maxWidth: at least one character (two for a surrogate
// pair), so that every call makes progress.
std::size_t FittingLength(std::wstring_view line, int maxWidth, const TextWidth& width) {
  std::size_t fits = IsHighSurrogate(line[0]) && line.size() > 1 ? 2 : 1;
  while (fits < line.size()) {
    const std::size_t next = fits + (IsHighSurrogate(line[fits]) && fits + 1 < line.size() ? 2 : 1);
    if (width(line.substr(0, next)) > maxWidth)
      break;
    fits = next;
  }
  return fits;
}

void WrapLine(std::wstring_view line, int maxWidth, const TextWidth& width,
              std::vector<std::wstring>& lines) {
  while (!line.empty() && width(line) > maxWidth) {
    const std::size_t fits = FittingLength(line, maxWidth, width);
    if (fits >= line.size())
      break;  // a single character wider than the box: nothing to break
    // A blank right after what fits is as good a break as one inside it.
    const std::size_t blank = line.substr(0, fits + 1).find_last_of(L' ');
    if (blank != std::wstring_view::npos && blank > 0) {
      lines.emplace_back(line.substr(0, blank));
      line.remove_prefix(blank + 1);
      continue;
    }
    std::size_t separator = fits;
    while (separator > 1 && !IsPathSeparator(line[separator - 1]))
      --separator;
    const std::size_t cut = separator > 1 ? separator : fits;
    lines.emplace_back(line.substr(0, cut));
    line.remove_prefix(cut);
  }
  lines.emplace_back(line);
}

}  // namespace

std::vector<std::wstring> WrapMessage(std::wstring_view text, int maxWidth,
                                      const TextWidth& width) {
  std::vector<std::wstring> lines;
  for (;;) {
    const std::size_t end = text.find(L'\n');
    WrapLine(text.substr(0, end), maxWidth, width, lines);
    if (end == std::wstring_view::npos)
      return lines;
    text.remove_prefix(end + 1);
  }
}

std::wstring WrappedMessage(std::wstring_view text, int maxWidth, const TextWidth& width) {
  std::wstring joined;
  for (const std::wstring& line : WrapMessage(text, maxWidth, width)) {
    joined += line;
    joined += L'\n';
  }
  if (!joined.empty())
    joined.pop_back();
  return joined;
}

}  // namespace ostrel
