#include "tool/backup/path_patterns.h"

#include <algorithm>
#include <array>
#include <stdexcept>

#include "platform/name_pattern.h"

namespace ostrel {
namespace {

// The classes that "[:name:]" may name inside "[...]".
constexpr std::array<std::string_view, 12> kClassNames = {"alnum", "alpha", "blank", "cntrl",
                                                          "digit", "graph", "lower", "print",
                                                          "punct", "space", "upper", "xdigit"};

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

[[noreturn]] void Unreadable(std::string_view text, const std::string& why) {
  throw std::invalid_argument("pattern \"" + std::string(text) + "\" " + why);
}

[[noreturn]] void Unclosed(std::string_view text) {
  Unreadable(text, R"(has an unclosed "[")");
}

// One character of a class at text[at], "\" taking the next literally; at moves past it.
unsigned char ClassCharacter(std::string_view text, std::size_t& at) {
  if (text[at] == '\\')
    ++at;
  if (at >= text.size() || text[at] == '/')
    Unclosed(text);
  return static_cast<unsigned char>(text[at++]);
}

// The name of "[:name:]" at text[at], or empty when none starts there (the "[" is then itself).
std::string_view NamedClassAt(std::string_view text, std::size_t at) {
  if (text.compare(at, 2, "[:") != 0)
    return {};
  const std::size_t end = text.find(":]", at + 2);
  if (end == std::string_view::npos)
    return {};
  const std::string_view name = text.substr(at + 2, end - at - 2);
  const bool letters = !name.empty() && std::all_of(name.begin(), name.end(), [](char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
  });
  return letters ? name : std::string_view();
}

// Checks the class that opens with the "[" at text[open]; returns the position of its "]". A
// class that could never match as meant (a range that runs backwards, a class name the matcher
// does not know) is refused rather than left to match nothing without a word.
std::size_t CheckClass(std::string_view text, std::size_t open) {
  std::size_t at = open + 1;
  if (at < text.size() && (text[at] == '!' || text[at] == '^'))
    ++at;
  // "]" right after "[" or "[!" belongs to the class.
  for (bool first = true;; first = false) {
    if (at >= text.size() || text[at] == '/')
      Unclosed(text);
    if (text[at] == ']' && !first)
      return at;
    const std::string_view name = NamedClassAt(text, at);
    if (!name.empty()) {
      if (std::find(kClassNames.begin(), kClassNames.end(), name) == kClassNames.end())
        Unreadable(text, "names the unknown class \"[:" + std::string(name) + ":]\"");
      at += name.size() + 4;
      continue;
    }
    const std::size_t start = at;
    const unsigned char low = ClassCharacter(text, at);
    if (at + 1 < text.size() && text[at] == '-' && text[at + 1] != ']') {
      ++at;
      const unsigned char high = ClassCharacter(text, at);
      if (high < low)
        Unreadable(text, "has the range \"" + std::string(text.substr(start, at - start)) +
                             "\", which runs backwards");
    }
  }
}

void CheckReadable(std::string_view text) {
  if (text.empty() || text == "/")
    throw std::invalid_argument("an empty pattern selects nothing");
  // Between two "/" there must be a name: "a//b" would ask for a directory without one.
  if (text.find("//") != std::string_view::npos)
    Unreadable(text, R"(has an empty name between two "/")");
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\\') {
      if (i + 1 == text.size())
        Unreadable(text, R"(ends in "\")");
      ++i;
    } else if (text[i] == '[') {
      i = CheckClass(text, i);
    }
  }
}

}  // namespace

PathPattern::PathPattern(std::string_view text) {
  CheckReadable(text);
  // A trailing "/" in an ignore file means "a directory": the file's own name never matches.
  if (text.size() > 1 && text.ends_with('/')) {
    directoriesOnly_ = true;
    text.remove_suffix(1);
  }
  anchored_ = text.find('/') != std::string_view::npos;
  if (text.starts_with('/'))
    text.remove_prefix(1);
  segments_ = SplitAtSlashes(text);
}

bool PathPattern::Matches(std::string_view relativePath, PatternWork* work) const {
  const std::vector<std::string> path = SplitAtSlashes(relativePath);
  std::size_t steps = 0;
  // The names that may match: every directory on the way, and the file unless the pattern
  // names directories only.
  const std::size_t candidates = directoriesOnly_ ? path.size() - 1 : path.size();
  bool matched = false;
  if (!anchored_) {
    for (std::size_t name = 0; name < candidates && !matched; ++name) {
      ++steps;
      matched = NameMatchesPattern(segments_.front(), path[name]);
    }
  } else {
    // reached[p][n]: the first p segments of the pattern match the first n names of the path.
    // Each pair is looked at once, so "**" costs no more than any other segment however many
    // there are; trying each way a "**" could split the path would take exponential time.
    const std::size_t names = path.size();
    const std::size_t row = names + 1;
    std::vector<char> reached((segments_.size() + 1) * row, 0);
    reached[0] = 1;
    for (std::size_t p = 0; p < segments_.size(); ++p) {
      const bool anyDirectories = segments_[p] == "**";
      for (std::size_t n = 0; n <= names; ++n) {
        if (reached[p * row + n] == 0)
          continue;
        ++steps;
        if (anyDirectories) {
          reached[(p + 1) * row + n] = 1;
          if (n < names)
            reached[p * row + n + 1] = 1;
        } else if (n < names && NameMatchesPattern(segments_[p], path[n])) {
          reached[(p + 1) * row + n + 1] = 1;
        }
      }
    }
    // A pattern that names a directory selects everything below it.
    const std::size_t matchedRow = segments_.size() * row;
    for (std::size_t length = 1; length <= candidates && !matched; ++length)
      matched = reached[matchedRow + length] != 0;
  }
  if (work != nullptr)
    work->Steps += steps;
  return matched;
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
