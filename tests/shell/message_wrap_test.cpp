// Message texts broken into lines that keep a box within the screen.
#include "shell/message_wrap.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace ostrel {
namespace {

// Every character 10 pixels wide: a width of 100 holds 10 characters.
int TenPixelsEach(std::wstring_view text) {
  return static_cast<int>(text.size()) * 10;
}

TEST(MessageWrap, BreaksAtBlanksThenSeparatorsThenAnywhere) {
  const struct {
    const char* what;
    std::wstring text;
    std::vector<std::wstring> lines;
  } cases[] = {
      {"fits", L"Short text", {L"Short text"}},
      {"empty", L"", {L""}},
      {"blank breaks, blank dropped", L"Cannot open this file", {L"Cannot", L"open this", L"file"}},
      {"a blank just after what fits", L"0123456789 abc", {L"0123456789", L"abc"}},
      {"a path breaks after its separators",
       L"/home/user/documents/reports/x.2crypt",
       {L"/home/", L"user/", L"documents/", L"reports/", L"x.2crypt"}},
      {"Windows separators too",
       L"C:\\Users\\someone\\x.txt",
       {L"C:\\Users\\", L"someone\\", L"x.txt"}},
      {"no break at all: as many as fit",
       L"abcdefghijklmnopqrstuvwxy",
       {L"abcdefghij", L"klmnopqrst", L"uvwxy"}},
      {"line breaks stay", L"one\ntwo words here", {L"one", L"two words", L"here"}},
      {"a leading separator is no break", L"/abcdefghijklmno", {L"/abcdefghi", L"jklmno"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(WrapMessage(c.text, 100, TenPixelsEach), c.lines);
  }
}

TEST(MessageWrap, EveryLineFitsAndNothingIsLost) {
  // A message as the program shows it for a long path: the box must fit, and the text must come
  // through whole (blanks at breaks aside).
  std::wstring path = L"/";
  for (int i = 0; i < 20; ++i)
    path += L"folder" + std::to_wstring(i) + L"/";
  path += std::wstring(150, L'n') + L".2crypt";
  const std::wstring text = L"Cannot open file \"" + path + L"\". No such file or directory.";
  const std::vector<std::wstring> lines = WrapMessage(text, 300, TenPixelsEach);
  std::wstring joined;
  for (const std::wstring& line : lines) {
    EXPECT_LE(TenPixelsEach(line), 300) << std::string(line.begin(), line.end());
    joined += line;
  }
  std::wstring withoutBlanks;
  for (const wchar_t c : text) {
    if (c != L' ')
      withoutBlanks += c;
  }
  std::erase(joined, L' ');
  EXPECT_EQ(joined, withoutBlanks);
  EXPECT_EQ(WrappedMessage(L"a b", 10, TenPixelsEach), L"a\nb");
}

TEST(MessageWrap, NeverSplitsASurrogatePairNorLoopsOnAWideCharacter) {
  // U+1F512 in UTF-16, as the Windows box measures its text.
  const std::wstring pair = {static_cast<wchar_t>(0xD83D), static_cast<wchar_t>(0xDD12)};
  const std::vector<std::wstring> lines = WrapMessage(L"ab" + pair + L"cd", 30, TenPixelsEach);
  EXPECT_EQ(lines, (std::vector<std::wstring>{L"ab", pair + L"c", L"d"}));
  // A single character wider than the box stays whole on its line.
  EXPECT_EQ(WrapMessage(L"W", 5, TenPixelsEach), std::vector<std::wstring>{L"W"});
  EXPECT_EQ(WrapMessage(L"WW", 5, TenPixelsEach), (std::vector<std::wstring>{L"W", L"W"}));
}

}  // namespace
}  // namespace ostrel
