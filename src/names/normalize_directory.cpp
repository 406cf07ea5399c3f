// Normalising a directory before an output name is built on it.
//
// The rules are defined as repeated search-and-delete passes over the whole path. Each pass below
// gives the same result in one left-to-right sweep, so paths of any length cost linear time.
#include <algorithm>
#include <cstddef>
#include <string_view>
#include <utility>

#include "names/path_rules.h"

namespace ostrel {
namespace {

// Only this many characters from the start position are cleared of doubled separators in Windows
// style; doubled separators further on stay, as they always have in stored directory names.
constexpr std::size_t kDoubledSeparatorReach = 254;

template <typename Char>
constexpr Char Ascii(char c) {
  return static_cast<Char>(c);
}

template <typename Char>
std::size_t FindAscii(std::basic_string_view<Char> text, std::string_view word) {
  const auto found = std::search(text.begin(), text.end(), word.begin(), word.end(),
                                 [](Char c, char w) { return c == Ascii<Char>(w); });
  return found == text.end() ? std::basic_string_view<Char>::npos
                             : static_cast<std::size_t>(found - text.begin());
}

// Where the clean-up of doubled separators starts (0-based) and which separator the path uses.
struct Layout {
  std::size_t Start;
  char Separator;
};

// A directory written as a URL: the word, searched in exactly these two spellings (lower case
// first), and the distance from the word to the second "/" of its "://".
struct UrlWord {
  std::string_view LowerCase;
  std::string_view UpperCase;
  std::size_t SecondSlashOffset;
};

constexpr UrlWord kUrlWords[] = {
    {"ftp:", "FTP:", 5},
    {"http:", "HTTP:", 6},
    {"https:", "HTTPS:", 7},
    {"s3:", "S3:", 4},
};

template <typename Char>
Layout ChooseWindowsLayout(std::basic_string_view<Char> path) {
  for (const UrlWord& word : kUrlWords) {
    std::size_t at = FindAscii(path, word.LowerCase);
    if (at == std::basic_string_view<Char>::npos)
      at = FindAscii(path, word.UpperCase);
    if (at != std::basic_string_view<Char>::npos)
      return {at + word.SecondSlashOffset, '/'};
  }
  const char separator =
      path.find(Ascii<Char>('/')) != std::basic_string_view<Char>::npos ? '/' : '\\';
  // After a drive or device prefix the clean-up starts at the character behind its ":"; without
  // one it starts at the second character, so the leading "\\" of a network path survives.
  const std::size_t colon = path.find(Ascii<Char>(':'));
  return {colon != std::basic_string_view<Char>::npos ? colon + 1 : 1, separator};
}

// Deletes one character of every pair of equal separators that lies wholly within the reach from
// start. Deleting from one pair never spoils another, so the order of deletions does not matter
// and one sweep that drops a separator equal to the one just kept reaches the same end.
template <typename Char>
std::basic_string<Char> RemoveDoubledSeparators(const std::basic_string<Char>& path,
                                                std::size_t start, std::size_t reach,
                                                bool backslashIsSeparator) {
  const auto isSeparator = [&](Char c) {
    return c == Ascii<Char>('/') || (backslashIsSeparator && c == Ascii<Char>('\\'));
  };
  start = std::min(start, path.size());
  std::basic_string<Char> kept(path, 0, start);
  kept.reserve(path.size());
  for (std::size_t read = start; read < path.size(); ++read) {
    const Char c = path[read];
    const std::size_t offset = kept.size() - start;  // where c would land, counted from start
    const bool pairInReach = offset >= 1 && offset < reach;
    if (pairInReach && isSeparator(c) && kept.back() == c)
      continue;
    kept.push_back(c);
  }
  return kept;
}

template <typename Char>
std::basic_string<Char> CollapseColonRuns(const std::basic_string<Char>& path) {
  std::basic_string<Char> kept;
  kept.reserve(path.size());
  for (const Char c : path) {
    if (c == Ascii<Char>(':') && !kept.empty() && kept.back() == c)
      continue;
    kept.push_back(c);
  }
  return kept;
}

// Resolves "segment s .. s" pairs, always the first one in the path, until none is left or one of
// the stop rules holds: ".." at the very start or after another separator, or a segment before it
// made of dots only ("." or "..."), whose parent cannot be known from the text.
//
// The characters swept so far never hold a complete "s..s": every one is resolved, or the sweep
// stops, when its last character arrives. A resolution leaves the swept text ending in the
// separator that followed "..", so the next first occurrence can only end further on.
//
// When the segment is the first of the path, Windows style keeps that separator at the front
// ("a\..\b\" gives "\b\"): a resolution removes the segment and its "..", never the separator
// after them, so the desktop rule gives the same directory wherever the pair stands. POSIX style
// drops it too, so that a relative directory stays relative ("a/../b/" gives "b/") instead of
// turning into one under the root.
template <typename Char>
std::basic_string<Char> ResolveParentSegments(const std::basic_string<Char>& path, Char separator,
                                              PathStyle style) {
  const Char dot = Ascii<Char>('.');
  std::basic_string<Char> swept;
  swept.reserve(path.size());
  for (std::size_t read = 0; read < path.size(); ++read) {
    swept.push_back(path[read]);
    const std::size_t n = swept.size();
    if (n < 4 || swept[n - 1] != separator || swept[n - 2] != dot || swept[n - 3] != dot ||
        swept[n - 4] != separator) {
      continue;
    }
    const std::size_t at = n - 4;  // the separator in front of ".."
    const auto stop = [&] {
      swept.append(path, read + 1);
      return std::move(swept);
    };
    if (at == 0 || swept[at - 1] == separator)
      return stop();

    std::size_t segmentStart = at;
    while (segmentStart > 0 && swept[segmentStart - 1] != separator)
      --segmentStart;
    const bool dotsOnly = std::all_of(swept.begin() + static_cast<std::ptrdiff_t>(segmentStart),
                                      swept.begin() + static_cast<std::ptrdiff_t>(at),
                                      [&](Char c) { return c == dot; });
    if (dotsOnly)
      return stop();

    if (segmentStart > 0) {
      swept.resize(segmentStart - 1);  // the segment and the separator in front of it
      swept.push_back(separator);
    } else if (style == PathStyle::Windows) {
      swept.assign(1, separator);
    } else {
      swept.clear();
    }
  }
  return swept;
}

template <typename Char>
std::basic_string<Char> NormalizeDirectoryOf(std::basic_string_view<Char> path, PathStyle style) {
  std::basic_string<Char> result(path);
  if (style == PathStyle::Posix) {
    // "/" alone separates; a leading "//" stays, since it may name a network root.
    result = RemoveDoubledSeparators(result, 1, result.size(), false);
    return ResolveParentSegments(result, Ascii<Char>('/'), style);
  }

  const Layout layout = ChooseWindowsLayout(path);
  const Char separator = Ascii<Char>(layout.Separator);
  if (separator == Ascii<Char>('/')) {
    std::replace(result.begin(), result.end(), Ascii<Char>('\\'), separator);
  }
  result = RemoveDoubledSeparators(result, layout.Start, kDoubledSeparatorReach, true);
  result = CollapseColonRuns(result);
  return ResolveParentSegments(result, separator, style);
}

}  // namespace

std::string NormalizeDirectory(std::string_view path, PathStyle style) {
  return NormalizeDirectoryOf(path, style);
}

std::u16string NormalizeDirectory(std::u16string_view path, PathStyle style) {
  return NormalizeDirectoryOf(path, style);
}

}  // namespace ostrel
