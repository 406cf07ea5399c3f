// Splitting a path into directory, stem and extension, in either path style.
#include <cstddef>

#include "names/path_rules.h"

namespace ostrel {
namespace {

// The extension comes off the stem only when it matches the end of the file name compared over
// at most this many characters, so a longer extension stays on the stem. A name decodes to the
// same plain name wherever it is read only if every reader splits it by this same rule.
constexpr std::size_t kLongestStrippedExtension = 500;

template <typename Char>
SplitPathResult<std::basic_string<Char>> SplitPathOf(std::basic_string_view<Char> path,
                                                     PathStyle style) {
  const Char directorySeparator = static_cast<Char>(style == PathStyle::Windows ? '\\' : '/');
  const auto isSeparator = [&](Char c) {
    return c == directorySeparator || (style == PathStyle::Windows && c == static_cast<Char>(':'));
  };

  // Length of the path up to and including its last separator: the directory with that separator.
  std::size_t head = path.size();
  while (head > 0 && !isSeparator(path[head - 1]))
    --head;

  // A root ("\", "C:\") or doubled separator stays on the directory; a plain one does not.
  std::size_t directoryLength = head;
  if (head > 1 && path[head - 1] == directorySeparator && !isSeparator(path[head - 2])) {
    directoryLength = head - 1;
  }

  const std::basic_string_view<Char> fileName = path.substr(head);
  const std::size_t lastDot = fileName.rfind(static_cast<Char>('.'));
  const std::basic_string_view<Char> extension = lastDot == std::basic_string_view<Char>::npos
                                                     ? std::basic_string_view<Char>()
                                                     : fileName.substr(lastDot);
  const std::basic_string_view<Char> stem =
      extension.size() <= kLongestStrippedExtension
          ? fileName.substr(0, fileName.size() - extension.size())
          : fileName;

  return {std::basic_string<Char>(path.substr(0, directoryLength)), std::basic_string<Char>(stem),
          std::basic_string<Char>(extension)};
}

}  // namespace

SplitPathResult<std::string> SplitPath(std::string_view path, PathStyle style) {
  return SplitPathOf(path, style);
}

SplitPathResult<std::u16string> SplitPath(std::u16string_view path, PathStyle style) {
  return SplitPathOf(path, style);
}

}  // namespace ostrel
