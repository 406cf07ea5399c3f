#include "tool/path_patterns.h"

#include <stdexcept>

#include "platform/name_pattern.h"

namespace ostrel {
namespace {

std::vector<std::string> SplitAtSlashes(std::string_view text) {
  std::vector<std::string> parts;
  std::size_t start = 0;
  while (true) {
    const std::size_t slash = text.find('/', start);
    parts.emplace_back(text.substr(start, slash - start));
    if (slash == std::string_view::npos)
      return parts;
    start = slash + 1;
  }
}

void CheckReadable(std::string_view text) {
  if (text.empty() || text == "/")
    throw std::invalid_argument("an empty pattern selects nothing");
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\\') {
      if (i + 1 == text.size())
        throw std::invalid_argument("pattern \"" + std::string(text) + R"(" ends in "\")");
      ++i;
    } else if (text[i] == '[') {
      // "]" right after "[" or "[!" belongs to the class.
      std::size_t close = i + 1;
      if (close < text.size() && (text[close] == '!' || text[close] == '^'))
        ++close;
      if (close < text.size() && text[close] == ']')
        ++close;
      close = text.find(']', close);
      if (close == std::string_view::npos ||
          text.substr(i, close - i).find('/') != std::string_view::npos)
        throw std::invalid_argument("pattern \"" + std::string(text) + R"(" has an unclosed "[")");
      i = close;
    }
  }
}

// Pattern segments from p on against path segments from n on; "**" takes any number of them.
bool SegmentsMatch(const std::vector<std::string>& pattern, std::size_t p,
                   const std::vector<std::string>& path, std::size_t n) {
  for (; p < pattern.size(); ++p, ++n) {
    if (pattern[p] == "**") {
      for (std::size_t skip = n; skip <= path.size(); ++skip) {
        if (SegmentsMatch(pattern, p + 1, path, skip))
          return true;
      }
      return false;
    }
    if (n >= path.size() || !NameMatchesPattern(pattern[p], path[n]))
      return false;
  }
  return n == path.size();
}

}  // namespace

PathPattern::PathPattern(std::string_view text) {
  CheckReadable(text);
  // A trailing "/" in an ignore file means "a directory"; every directory on the way is one.
  while (text.size() > 1 && text.ends_with('/'))
    text.remove_suffix(1);
  anchored_ = text.find('/') != std::string_view::npos;
  if (text.starts_with('/'))
    text.remove_prefix(1);
  segments_ = SplitAtSlashes(text);
}

bool PathPattern::Matches(std::string_view relativePath) const {
  const std::vector<std::string> path = SplitAtSlashes(relativePath);
  if (anchored_) {
    // A pattern that names a directory selects everything below it.
    for (std::size_t length = 1; length <= path.size(); ++length) {
      const std::vector<std::string> prefix(path.begin(), path.begin() + static_cast<long>(length));
      if (SegmentsMatch(segments_, 0, prefix, 0))
        return true;
    }
    return false;
  }
  for (const std::string& name : path) {
    if (NameMatchesPattern(segments_.front(), name))
      return true;
  }
  return false;
}

PathSelection::PathSelection(const std::vector<std::string>& includes,
                             const std::vector<std::string>& excludes) {
  for (const std::string& text : includes)
    includes_.emplace_back(text);
  for (const std::string& text : excludes)
    excludes_.emplace_back(text);
}

bool PathSelection::Selects(std::string_view relativePath) const {
  for (const PathPattern& pattern : excludes_) {
    if (pattern.Matches(relativePath))
      return false;
  }
  if (includes_.empty())
    return true;
  for (const PathPattern& pattern : includes_) {
    if (pattern.Matches(relativePath))
      return true;
  }
  return false;
}

}  // namespace ostrel
