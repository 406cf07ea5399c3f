#include <gtest/gtest.h>

#include <random>
#include <string>
#include <string_view>
#include <vector>

#include "ascii_widening.h"
#include "names/path_rules.h"

namespace ostrel {
namespace {

using testing::WidenBytes;

// The rules exactly as they are defined: repeated searches over the whole path, each followed by
// one deletion. Slow on long paths; the property tests below hold the real implementation to it.
std::string NormalizeDirectoryByRepeatedSearch(std::string path, PathStyle style) {
  constexpr auto npos = std::string::npos;
  char separator = '/';
  if (style == PathStyle::Windows) {
    struct Word {
      const char* lower;
      const char* upper;
      std::size_t startFromWord;  // 1-based start position = word position + this
    };
    const Word words[] = {
        {"ftp:", "FTP:", 5}, {"http:", "HTTP:", 6}, {"https:", "HTTPS:", 7}, {"s3:", "S3:", 4}};
    std::size_t start = 0;  // 1-based
    for (const Word& word : words) {
      std::size_t at = path.find(word.lower);
      if (at == npos)
        at = path.find(word.upper);
      if (at != npos) {
        start = at + 1 + word.startFromWord;
        break;
      }
    }
    if (start == 0) {
      const std::size_t colon = path.find(':');
      start = colon != npos ? colon + 1 + 1 : 2;
      separator = path.find('/') != npos ? '/' : '\\';
    }
    if (separator == '/') {
      for (char& c : path) {
        if (c == '\\')
          c = '/';
      }
    }
    for (;;) {
      const std::size_t from = std::min(start - 1, path.size());
      const std::string window = path.substr(from, 254);
      std::size_t pair = window.find("\\\\");
      if (pair == npos)
        pair = window.find("//");
      if (pair == npos)
        break;
      path.erase(from + pair, 1);
    }
    for (std::size_t pair; (pair = path.find("::")) != npos;)
      path.erase(pair, 1);
  } else {
    for (std::size_t pair; (pair = path.find("//", 1)) != npos;)
      path.erase(pair, 1);
  }

  const std::string parent = std::string(1, separator) + ".." + separator;
  for (;;) {
    const std::size_t at = path.find(parent);
    if (at == npos || at == 0 || path[at - 1] == separator)
      break;
    const std::size_t previousSeparator = path.rfind(separator, at - 1);
    const std::size_t segmentStart = previousSeparator == npos ? 0 : previousSeparator + 1;
    if (path.find_first_not_of('.', segmentStart) >= at)
      break;  // dots only
    path.erase(at, 3);
    path.erase(segmentStart, at - segmentStart);
    if (previousSeparator != npos) {
      path.erase(previousSeparator, 1);
    } else if (style == PathStyle::Posix) {
      path.erase(0, 1);  // a relative directory stays relative
    }
  }
  return path;
}

struct NormalizeCase {
  PathStyle style;
  std::string path;
  std::string normalized;
};

std::ostream& operator<<(std::ostream& out, const NormalizeCase& c) {
  return out << (c.style == PathStyle::Windows ? "Windows " : "POSIX ") << '"' << c.path << '"';
}

const NormalizeCase kNormalizeCases[] = {
    {PathStyle::Windows, R"(C:\data\)", R"(C:\data\)"},
    {PathStyle::Windows, R"(C:\\data\\\)", R"(C:\data\)"},
    {PathStyle::Windows, R"(\\server\share\)", R"(\\server\share\)"},
    {PathStyle::Windows, R"(\\\server\\share\)", R"(\\server\share\)"},
    {PathStyle::Windows, R"(C:\a\..\b\)", R"(C:\b\)"},
    {PathStyle::Windows, R"(C:\a\b\..\..\c\)", R"(C:\c\)"},
    {PathStyle::Windows, R"(C:\a\b\..\c\)", R"(C:\a\c\)"},
    {PathStyle::Windows, R"(C:\x\..\y\)", R"(C:\y\)"},
    {PathStyle::Windows, R"(a\..\b\)", R"(\b\)"},
    {PathStyle::Windows, R"(C:\..\x\)", R"(\x\)"},  // "C:" counts as a segment
    {PathStyle::Windows, R"(C:\a\\..\b\)", R"(C:\b\)"},
    {PathStyle::Windows, "C::\\a\\", R"(C:\a\)"},
    {PathStyle::Windows, "C:\\a:::b\\", R"(C:\a:b\)"},
    // Stop rules: ".." first, after a doubled separator, or after a segment of dots only; the
    // stop ends all resolution, later segments included.
    {PathStyle::Windows, R"(\..\a\)", R"(\..\a\)"},
    {PathStyle::Windows, R"(\\..\a\)", R"(\\..\a\)"},
    {PathStyle::Windows, R"(C:\.\..\x\)", R"(C:\.\..\x\)"},
    {PathStyle::Windows, R"(C:\...\..\x\a\..\)", R"(C:\...\..\x\a\..\)"},
    {PathStyle::Windows, R"(C:\a.\..\x\)", R"(C:\x\)"},
    // URL directories: "/" throughout; the "//" after the scheme survives.
    {PathStyle::Windows, "ftp://host/a/../b/", "ftp://host/b/"},
    {PathStyle::Windows, R"(FTP://host\dir\)", "FTP://host/dir/"},
    {PathStyle::Windows, R"(Ftp://host\dir\)", "Ftp:/host/dir/"},
    {PathStyle::Windows, R"(https://host\\a\..\b\)", "https://host/b/"},
    {PathStyle::Windows, R"(HTTP://host\a\)", "HTTP://host/a/"},
    {PathStyle::Windows, R"(s3://bucket//a\)", "s3://bucket/a/"},
    {PathStyle::Windows, "C:/a//b/", "C:/a/b/"},
    // The lower-case word wins even when the upper-case one comes first.
    {PathStyle::Windows, R"(FTP://a\ftp://b\)", "FTP://a/ftp://b/"},
    // POSIX style.
    {PathStyle::Posix, "/a/b/../c/", "/a/c/"},
    {PathStyle::Posix, "//srv/x/", "//srv/x/"},
    {PathStyle::Posix, "///srv//x/", "//srv/x/"},
    {PathStyle::Posix, R"(a\b/)", R"(a\b/)"},
    {PathStyle::Posix, "a::b/", "a::b/"},
    {PathStyle::Posix, R"(/a\..\b/)", R"(/a\..\b/)"},
    {PathStyle::Posix, "ftp://host/a/", "ftp:/host/a/"},
    {PathStyle::Posix, "/../x/", "/../x/"},
    {PathStyle::Posix, "/./../x/", "/./../x/"},
    {PathStyle::Posix, "a/../b/", "b/"},
    {PathStyle::Posix, "a/../", ""},
    {PathStyle::Posix, "a/b/../../../c/", "../c/"},
};

TEST(NormalizeDirectory, NormalizesInBothStyles) {
  for (const NormalizeCase& c : kNormalizeCases) {
    SCOPED_TRACE(c);
    EXPECT_EQ(NormalizeDirectory(c.path, c.style), c.normalized);
    EXPECT_EQ(NormalizeDirectory(WidenBytes(c.path), c.style), WidenBytes(c.normalized));
    EXPECT_EQ(NormalizeDirectoryByRepeatedSearch(c.path, c.style), c.normalized);
  }
}

// Doubled separators are removed only within 254 characters from the start position, which is
// the character behind "C:" here.
TEST(NormalizeDirectory, RemovesDoubledSeparatorsOnlyNearTheStart) {
  const std::string head = "C:\\" + std::string(251, 'a');  // the pair starts 252 characters in
  EXPECT_EQ(NormalizeDirectory(head + "\\\\x\\", PathStyle::Windows), head + "\\x\\");
  const std::string further = head + "a";
  EXPECT_EQ(NormalizeDirectory(further + "\\\\x\\", PathStyle::Windows), further + "\\\\x\\");
}

std::string Repeat(std::string_view piece, std::size_t count) {
  std::string text;
  text.reserve(piece.size() * count);
  for (std::size_t i = 0; i < count; ++i)
    text += piece;
  return text;
}

// Paths far longer than any real one: the results follow from the rules directly.
TEST(NormalizeDirectory, HandlesVeryLongPaths) {
  const NormalizeCase cases[] = {
      {PathStyle::Windows, std::string("C:") + Repeat("::", 50000) + "\\x\\", "C:\\x\\"},
      {PathStyle::Windows, std::string("C:\\") + Repeat("a\\..\\", 50000) + "x\\", "C:\\x\\"},
      {PathStyle::Windows,
       std::string("C:\\") + Repeat("a\\", 50000) + Repeat("..\\", 50000) + "x\\", "C:\\x\\"},
      {PathStyle::Windows, std::string("C:\\") + Repeat("\\", 100000) + "x\\", "C:\\x\\"},
      {PathStyle::Windows, std::string("C:\\a\\.\\..\\") + Repeat("b\\..\\", 50000),
       "C:\\a\\.\\..\\" + Repeat("b\\..\\", 50000)},
      {PathStyle::Posix, std::string("/") + Repeat("a/", 50000) + Repeat("../", 50000) + "x/",
       "/x/"},
      {PathStyle::Posix, Repeat("a/../", 50000) + "x/", "x/"},
      {PathStyle::Posix, std::string("/") + Repeat("/", 100000) + "x/", "//x/"},
      {PathStyle::Posix, std::string("/x") + Repeat("//", 100000) + "y/", "/x/y/"},
  };
  for (const NormalizeCase& c : cases) {
    EXPECT_EQ(NormalizeDirectory(c.path, c.style), c.normalized) << c.path.substr(0, 40);
  }
  // Only the first 254 characters after "C:" lose their doubled separators; the reference is
  // quick here because it deletes little.
  const std::string longDoubled = std::string("C:\\") + Repeat("a\\\\", 50000);
  EXPECT_EQ(NormalizeDirectory(longDoubled, PathStyle::Windows),
            NormalizeDirectoryByRepeatedSearch(longDoubled, PathStyle::Windows));
}

// Random paths built from the characters and words the rules react to, compared with the
// repeated-search reference. Short paths exercise every rule and its interplay; longer ones cross
// the 254-character reach of the doubled-separator clean-up, half of them without URL words so
// that the reach starts behind a drive colon or at the second character.
TEST(NormalizeDirectory, AgreesWithTheRepeatedSearchDefinition) {
  const std::vector<std::string> pathPieces = {"\\", "/",    ":",  ".",  "a",      "s",
                                               "..", "\\\\", "//", "::", "\\..\\", "/../"};
  const std::vector<std::string> urlWords = {
      "ftp:", "FTP:", "http:", "HTTP:", "https:", "HTTPS:", "s3:", "S3:"};
  std::mt19937 random(20240131);
  const auto randomPath = [&](std::size_t maxPieces, bool withUrlWords) {
    std::string path;
    const std::size_t count = random() % (maxPieces + 1);
    for (std::size_t i = 0; i < count; ++i) {
      const std::size_t pick =
          random() % (pathPieces.size() + (withUrlWords ? urlWords.size() : 0));
      path += pick < pathPieces.size() ? pathPieces[pick] : urlWords[pick - pathPieces.size()];
    }
    return path;
  };
  const auto describe = [](PathStyle style, const std::string& path) {
    return (style == PathStyle::Windows ? "Windows \"" : "POSIX \"") + path + '"';
  };
  for (const PathStyle style : {PathStyle::Windows, PathStyle::Posix}) {
    for (int trial = 0; trial < 50000; ++trial) {
      const std::string path = randomPath(12, trial % 4 != 0);
      ASSERT_EQ(NormalizeDirectory(path, style), NormalizeDirectoryByRepeatedSearch(path, style))
          << describe(style, path);
    }
    for (int trial = 0; trial < 2000; ++trial) {
      const std::string path = randomPath(500, trial % 2 == 0);
      ASSERT_EQ(NormalizeDirectory(path, style), NormalizeDirectoryByRepeatedSearch(path, style))
          << describe(style, path);
      ASSERT_EQ(NormalizeDirectory(WidenBytes(path), style),
                WidenBytes(NormalizeDirectory(path, style)));
    }
  }
}

}  // namespace
}  // namespace ostrel
