#include "platform/name_pattern.h"

#include <string_view>

namespace ostrel {
namespace {

// Whether character c belongs to the class that starts after "[" at pattern[at]; end gets the
// position after its "]". The pattern was checked to close every class before it gets here.
bool InClass(std::string_view pattern, std::size_t at, char c, std::size_t& end) {
  bool negated = false;
  if (at < pattern.size() && (pattern[at] == '!' || pattern[at] == '^')) {
    negated = true;
    ++at;
  }
  bool found = false;
  bool first = true;
  while (at < pattern.size() && (first || pattern[at] != ']')) {
    first = false;
    char low = pattern[at];
    if (low == '\\' && at + 1 < pattern.size())
      low = pattern[++at];
    ++at;
    char high = low;
    if (at + 1 < pattern.size() && pattern[at] == '-' && pattern[at + 1] != ']') {
      high = pattern[at + 1];
      if (high == '\\' && at + 2 < pattern.size()) {
        high = pattern[at + 2];
        ++at;
      }
      at += 2;
    }
    const auto u = static_cast<unsigned char>(c);
    if (u >= static_cast<unsigned char>(low) && u <= static_cast<unsigned char>(high))
      found = true;
  }
  end = at < pattern.size() ? at + 1 : at;
  return found != negated && c != '/';
}

bool Matches(std::string_view pattern, std::string_view name) {
  std::size_t p = 0;
  std::size_t n = 0;
  // Where the last "*" was, to let it take one more character when the rest fails.
  std::size_t starPattern = std::string_view::npos;
  std::size_t starName = 0;
  while (n < name.size()) {
    if (p < pattern.size()) {
      const char token = pattern[p];
      if (token == '*') {
        starPattern = ++p;
        starName = n;
        continue;
      }
      if (token == '?' && name[n] != '/') {
        ++p;
        ++n;
        continue;
      }
      if (token == '[') {
        std::size_t end = 0;
        if (InClass(pattern, p + 1, name[n], end)) {
          p = end;
          ++n;
          continue;
        }
      } else if (token != '?') {
        const char literal = token == '\\' && p + 1 < pattern.size() ? pattern[p + 1] : token;
        if (literal == name[n]) {
          p += token == '\\' && p + 1 < pattern.size() ? 2 : 1;
          ++n;
          continue;
        }
      }
    }
    // "*" never takes a "/".
    if (starPattern == std::string_view::npos || name[starName] == '/')
      return false;
    p = starPattern;
    n = ++starName;
  }
  while (p < pattern.size() && pattern[p] == '*')
    ++p;
  return p == pattern.size();
}

}  // namespace

bool NameMatchesPattern(const std::string& pattern, const std::string& name) {
  // The run-time library here has no shell matcher of its own.
  return Matches(pattern, name);
}

}  // namespace ostrel
