#include "tool/terminal_text.h"

#include <gtest/gtest.h>

namespace ostrel {
namespace {

TEST(TerminalText, EscapesControlCharactersAndTheEscapeCharacterItself) {
  const struct {
    std::string text, expected;
  } cases[] = {
      {"plain name.txt", "plain name.txt"},
      {"line\nbreak", "line\\x0abreak"},
      {"\x1b[31mred", "\\x1b[31mred"},
      {std::string("nul\0byte", 8), "nul\\x00byte"},
      {"del\x7f", "del\\x7f"},
      {"c1 \xc2\x9b csi", "c1 \\xc2\\x9b csi"},                        // U+009B in UTF-8
      {"Gr\xc3\xbc\xc3\x9f \xc2\xa0", "Gr\xc3\xbc\xc3\x9f \xc2\xa0"},  // letters, no-break space
      {"\xff\xfe", "\xff\xfe"},
      {"back\\x0aslash", "back\\\\x0aslash"},  // cannot pass for an escape
  };
  for (const auto& test : cases)
    EXPECT_EQ(EscapeControlCharacters(test.text), test.expected) << test.text;
}

}  // namespace
}  // namespace ostrel
