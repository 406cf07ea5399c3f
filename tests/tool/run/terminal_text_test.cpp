#include "tool/run/terminal_text.h"

#include <gtest/gtest.h>

#include "names/path_style.h"

namespace ostrel {
namespace {

TEST(TerminalText, EscapesControlCharactersAndTheEscapeCharacterItself) {
  const bool windows = kHostPathStyle == PathStyle::Windows;
  const struct {
    std::string text, expected;
  } cases[] = {
      {"plain name.txt", "plain name.txt"},
      {"line\nbreak", "line\\x0abreak"},
      {"\x1b[31mred", "\\x1b[31mred"},
      {std::string("nul\0byte", 8), "nul\\x00byte"},
      {"del\x7f", "del\\x7f"},
      // U+009B, which terminals take as the start of a control sequence
      {"c1 \xc2\x9b csi", "c1 \\xc2\\x9b csi"},
      {"Gr\xc3\xbc\xc3\x9f \xc2\xa0", "Gr\xc3\xbc\xc3\x9f \xc2\xa0"},  // letters, no-break space
      {"\xff\xfe", "\xff\xfe"},
      // cannot pass for an escape; on Windows "\" only separates, and no name holds a control
      {"back\\x0aslash", windows ? "back\\x0aslash" : "back\\\\x0aslash"},
      {"dir\\file", windows ? "dir\\file" : "dir\\\\file"},
  };
  for (const auto& test : cases)
    EXPECT_EQ(EscapeControlCharacters(test.text), test.expected) << test.text;
}

}  // namespace
}  // namespace ostrel
