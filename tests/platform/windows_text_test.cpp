// The system's 8-bit text on Windows: the ANSI code page, code page 1252 in the test prefix.
#include <gtest/gtest.h>

#include <string>

#include "platform/full_path.h"
#include "platform/text_conversion.h"

namespace ostrel {
namespace {

TEST(WindowsText, EveryByteOfTheCodePageComesBack) {
  std::string bytes;
  for (int byte = 1; byte < 256; ++byte)
    bytes += static_cast<char>(byte);
  EXPECT_EQ(NarrowSystemText(WidenSystemText(bytes)), bytes);
  EXPECT_EQ(WidenSystemText("caf\xE9 \x80"), u"caf\u00E9 \u20AC");
}

// A name the code page cannot spell must not become a look-alike ("A" for "Ā"), which may be
// another file; "?" is no character of any file name.
TEST(WindowsText, ACharacterTheCodePageLacksIsNoLookAlike) {
  EXPECT_EQ(NarrowSystemText(u"\u0100b\u4E2D.txt"), "?b?.txt");
  EXPECT_EQ(NarrowSystemText(u"\u00E9"), "\xE9");
}

TEST(WindowsText, FullPathNamesFollowTheSystem) {
  EXPECT_EQ(FullPathName("C:\\x\\..\\y\\.\\a.txt"), "C:\\y\\a.txt");
  EXPECT_EQ(FullPathName("C:/x/a.txt"), "C:\\x\\a.txt");
  EXPECT_EQ(FullPathName("\\\\srv\\share\\a.txt"), "\\\\srv\\share\\a.txt");
  EXPECT_EQ(FullPathName(""), "");
  const std::string relative = FullPathName("a.txt");
  EXPECT_EQ(relative.substr(1, 2), ":\\");
  EXPECT_EQ(relative.substr(relative.size() - 6), "\\a.txt");
}

}  // namespace
}  // namespace ostrel
