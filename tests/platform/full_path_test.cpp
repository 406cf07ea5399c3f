#include "platform/full_path.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace ostrel {
namespace {

TEST(FullPathName, ResolvesTheNameByTextAgainstTheCurrentDirectory) {
  const std::string current = std::filesystem::current_path().string();
  const std::string parent = std::filesystem::current_path().parent_path().string();
  const struct {
    std::string name, expected;
  } cases[] = {
      {"/a/b/c.txt", "/a/b/c.txt"},
      {"/a/./b//c.txt", "/a/b/c.txt"},
      {"/a/x/../b/c.txt", "/a/b/c.txt"},
      {"/../../c.txt", "/c.txt"},  // nothing above the root
      {"/a/b/", "/a/b/"},          // a trailing separator stays
      {"/a/b/..", "/a"},
      {"/", "/"},
      {"c.txt", current + "/c.txt"},
      {"./sub/../c.txt", current + "/c.txt"},
      {"../c.txt", parent + "/c.txt"},
      {".", current},
      {"no/such/dir/../file", current + "/no/such/file"},  // the file need not exist
      {"", ""},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(FullPathName(c.name), c.expected) << c.name;
  }
}

TEST(FullPathName, DoesNotFollowSymbolicLinks) {
  EXPECT_EQ(FullPathName("/proc/self/../x"), "/proc/x");
}

}  // namespace
}  // namespace ostrel
