#include "platform/command_line_words.h"

#include <gtest/gtest.h>

namespace ostrel {
namespace {

struct SplitCase {
  std::u16string line;
  std::vector<std::u16string> words;
};

TEST(SplitCommandLine, FollowsTheStartUpRules) {
  const SplitCase cases[] = {
      {u"prog", {u"prog"}},
      {u"", {}},
      {u"  \t ", {}},
      {u"prog /E a.txt pw", {u"prog", u"/E", u"a.txt", u"pw"}},
      // Blanks and every control character separate, runs of them included.
      {u"prog \t a\nb\x01"
       u"c\x1F"
       u"d   e ",
       {u"prog", u"a", u"b", u"c", u"d", u"e"}},
      // Quotes group blanks into the word and are removed wherever they stand.
      {u"\"C:\\Program Files\\o.exe\" \"my file.2crypt\" \"pass phrase\"",
       {u"C:\\Program Files\\o.exe", u"my file.2crypt", u"pass phrase"}},
      {u"prog a\"b c\"d", {u"prog", u"ab cd"}},
      {u"prog \"ab\"\"cd\"", {u"prog", u"abcd"}},
      {u"prog \"open to the end", {u"prog", u"open to the end"}},
      // A backslash is an ordinary character, also before a quote and at the end of a word.
      {u"prog \"C:\\dir\\\" pw", {u"prog", u"C:\\dir\\", u"pw"}},
      {u"prog a\\\"b c\\\\\"", {u"prog", u"a\\b c\\\\"}},
      // An empty pair of quotes at the start of a word is dropped: "" is no argument, and the
      // arguments after it move up.
      {u"prog \"\" pw", {u"prog", u"pw"}},
      {u"prog \"\"\"\" \"\" x", {u"prog", u"x"}},
      {u"prog \"\"abc", {u"prog", u"abc"}},
      {u"prog \"\"\"a b\"", {u"prog", u"a b"}},
      {u"prog a\"\"", {u"prog", u"a"}},
      // Characters beyond ASCII pass through as they are.
      {u"prog caf\u00E9.2crypt \u20AC\U0001F600",
       {u"prog", u"caf\u00E9.2crypt", u"\u20AC\U0001F600"}},
  };
  for (const SplitCase& c : cases) {
    SCOPED_TRACE(std::string(c.line.begin(), c.line.end()));
    EXPECT_EQ(SplitCommandLine(c.line), c.words);
  }
}

}  // namespace
}  // namespace ostrel
