// Taking paths apart and joining them: roots, bare names and doubled separators in both styles.
#include "names/path_joining.h"

#include <gtest/gtest.h>

namespace ostrel {
namespace {

TEST(PathJoining, TakesPathsApartAtTheLastSeparator) {
  struct Case {
    const char* path;
    PathStyle style;
    const char* parent;
    const char* name;
  };
  const Case cases[] = {
      {"a", PathStyle::Posix, "", "a"},       {"d/a", PathStyle::Posix, "d", "a"},
      {"/a", PathStyle::Posix, "/", "a"},     {"//a", PathStyle::Posix, "//", "a"},
      {"x/y/", PathStyle::Posix, "x/y", ""},  {"d\\a", PathStyle::Posix, "", "d\\a"},
      {"d\\a", PathStyle::Windows, "d", "a"}, {"\\a", PathStyle::Windows, "\\", "a"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.path);
    EXPECT_EQ(ParentOf(c.path, c.style), c.parent);
    EXPECT_EQ(FileNameOf(c.path, c.style), c.name);
  }
}

TEST(PathJoining, JoinsWithExactlyOneSeparator) {
  EXPECT_EQ(JoinPath("d", "a", PathStyle::Posix), "d/a");
  EXPECT_EQ(JoinPath("d/", "a", PathStyle::Posix), "d/a");
  EXPECT_EQ(JoinPath("/", "a", PathStyle::Posix), "/a");
  EXPECT_EQ(JoinPath("", "a", PathStyle::Posix), "a");
  EXPECT_EQ(JoinPath("d", "", PathStyle::Posix), "d");
  EXPECT_EQ(JoinPath("C:\\d", "a", PathStyle::Windows), "C:\\d\\a");
}

}  // namespace
}  // namespace ostrel
