// --include and --exclude patterns on the paths of files below a tree: which paths each kind of
// pattern selects, which patterns are refused as mistyped, and a bound on the work of "**".
#include "tool/backup/path_patterns.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <stdexcept>
#include <string>

namespace ostrel {
namespace {

struct MatchCase {
  const char* Pattern;
  const char* Path;  // of a file: every name before the last is a directory
  bool Matches;
};

TEST(PathPattern, MatchesPathsLikeAnIgnoreFile) {
  const MatchCase cases[] = {
      // Without "/": the file's name or any directory's, at any depth.
      {"a.txt", "sub/a.txt", true},
      {"sub", "sub/deep/b.txt", true},
      {"deep", "sub/deep/b.txt", true},
      {"*.txt", "sub/b.log", false},
      // A trailing "/": directories only, at any depth; never the file itself.
      {"deep/", "sub/deep/b.txt", true},
      {"deep/", "sub/deep", false},
      {"x/", "x", false},
      {"*/", "a.txt", false},
      {"*/", "sub/a.txt", true},
      {"sub/deep/", "sub/deep/b.txt", true},
      {"sub/deep/", "sub/deep", false},
      {"/sub/", "other/sub/a.txt", false},
      // With "/": from the top, a directory selecting everything below it.
      {"sub/*.txt", "sub/a.txt", true},
      {"sub/*.txt", "sub/deep/b.txt", false},  // "*" stops at "/"
      {"/notes.txt", "notes.txt", true},
      {"/notes.txt", "sub/notes.txt", false},
      {"sub/deep", "sub/deep/b.txt", true},
      {"sub/dee", "sub/deep/b.txt", false},
      // "**" spans any number of directories, none included.
      {"**/notes.txt", "notes.txt", true},
      {"**/notes.txt", "a/b/c/notes.txt", true},
      {"sub/**/*.txt", "sub/a.txt", true},
      {"sub/**/*.txt", "sub/d/e/a.txt", true},
      {"sub/**/*.txt", "a.txt", false},
      {"a/**/b", "a/b", true},
      {"a/**/b", "a/bb", false},
      {"documents/**", "documents/x/y", true},
      {"documents/**", "documentsx/y", false},
      {"**/deep/", "sub/deep/b.txt", true},
      {"**/deep/", "sub/deep", false},
  };
  for (const MatchCase& test : cases) {
    EXPECT_EQ(PathPattern(test.Pattern).Matches(test.Path), test.Matches)
        << "pattern \"" << test.Pattern << "\", path \"" << test.Path << "\"";
  }
}

struct RefusalCase {
  const char* Pattern;
  const char* Reason;
};

TEST(PathPattern, RefusesPatternsThatCannotMeanWhatTheySayNamingThem) {
  const RefusalCase cases[] = {
      {"", "an empty pattern"},
      {"a//b", R"(pattern "a//b" has an empty name between two "/")"},
      {"//", R"(pattern "//" has an empty name)"},
      {"x//", R"(pattern "x//" has an empty name)"},
      {"[z-a]*", R"(pattern "[z-a]*" has the range "z-a", which runs backwards)"},
      {"[a-c9-0]", R"(has the range "9-0")"},
      {"[[:nope:]]*", R"(pattern "[[:nope:]]*" names the unknown class "[:nope:]")"},
      {"[abc", R"(pattern "[abc" has an unclosed "[")"},
      {"[a/b]", R"(has an unclosed "[")"},
      {"[]", R"(has an unclosed "[")"},  // the first "]" belongs to the class
      {"[a\\", R"(has an unclosed "[")"},
      {"x\\", R"(pattern "x\" ends in "\")"},
  };
  for (const RefusalCase& test : cases) {
    try {
      PathPattern pattern(test.Pattern);
      ADD_FAILURE() << "accepted \"" << test.Pattern << "\"";
    } catch (const std::invalid_argument& error) {
      EXPECT_THAT(error.what(), ::testing::HasSubstr(test.Reason)) << test.Pattern;
    }
  }
  for (const char* readable :
       {"[[:alpha:]]*", "[]a]", "[!]]", "[a-]", "[\\]-a]", "[[]", "[a-a]", "a/", "/a/b/"})
    EXPECT_NO_THROW(PathPattern{readable}) << readable;
}

// Each of k leading "**" could take any share of 30 directories: trying the splits one by one
// takes time exponential in k. The matcher must look at each pattern segment at each place of the
// path at most once.
TEST(PathPattern, ManyDoubleStarsCostNoMoreThanOnePassEach) {
  std::string path;
  for (int depth = 0; depth < 30; ++depth)
    path.append("d").append(std::to_string(depth)).append("/");
  path += "file";
  const std::size_t places = 31 + 1;
  std::string prefix;
  for (std::size_t k = 1; k <= 12; ++k) {
    prefix += "**/";
    const std::size_t segments = k + 1;
    for (const char* last : {"nomatch", "file"}) {
      PatternWork work;
      ASSERT_EQ(PathPattern(prefix + last).Matches(path, &work), std::string(last) == "file")
          << prefix << last;
      ASSERT_LE(work.Steps, segments * places) << prefix << last;
    }
  }
}

}  // namespace
}  // namespace ostrel
