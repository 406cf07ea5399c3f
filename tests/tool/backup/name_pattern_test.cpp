// The shell patterns of --include and --exclude match one path component alike on every system:
// where the system has no matcher of its own, the tool brings one, held to the same table.
#include "platform/name_pattern.h"

#include <gtest/gtest.h>

namespace ostrel {
namespace {

struct PatternCase {
  const char* Pattern;
  const char* Name;
  bool Matches;
};

TEST(NamePattern, MatchesLikeTheShell) {
  const PatternCase cases[] = {
      {"*.txt", "notes.txt", true},
      {"*.txt", "notes.txt.2crypt", false},
      {"*", "", true},
      {"*", "a/b", false},  // "*" never takes a "/"
      {"a*b*c", "abbbc", true},
      {"a*b*c", "abcb", false},  // the last "*" has to give back what it took
      {"a*b*c", "axbxcxbxc", true},
      {"?", "", false},
      {"?", "/", false},
      {"a?c", "abc", true},
      {"a?c", "ac", false},
      {"[abc].txt", "b.txt", true},
      {"[abc].txt", "d.txt", false},
      {"[!abc].txt", "d.txt", true},
      {"[^abc].txt", "a.txt", false},
      {"[a-c]x", "bx", true},
      {"[a-c]x", "dx", false},
      {"[]a]", "]", true},  // "]" first belongs to the class
      {"[!]a]", "b", true},
      {"[a-]", "-", true},  // "-" last is itself
      {"\\*", "*", true},
      {"\\*", "a", false},
      {"a\\?", "a?", true},
      {"*.[0-9]", "log.7", true},
      {"*.[0-9]", "log.x", false},
      {"\xE9t\xE9*", "\xE9t\xE9 2024", true},  // bytes beyond ASCII compare as themselves
      {"[\xE0-\xEF]", "\xE9", true},
  };
  for (const PatternCase& test : cases) {
    EXPECT_EQ(NameMatchesPattern(test.Pattern, test.Name), test.Matches)
        << "pattern \"" << test.Pattern << "\", name \"" << test.Name << "\"";
  }
}

}  // namespace
}  // namespace ostrel
