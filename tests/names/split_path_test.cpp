#include <gtest/gtest.h>

#include <string>

#include "ascii_widening.h"
#include "names/path_rules.h"

namespace ostrel {
namespace {

using testing::WidenBytes;

struct SplitCase {
  PathStyle style;
  std::string path;
  std::string directory;
  std::string stem;
  std::string extension;
};

std::ostream& operator<<(std::ostream& out, const SplitCase& c) {
  return out << (c.style == PathStyle::Windows ? "Windows " : "POSIX ") << '"' << c.path << '"';
}

const SplitCase kSplitCases[] = {
    // Windows style: "\" and ":" separate, a root or doubled separator stays on the directory.
    {PathStyle::Windows, R"(C:\data\report.doc.2crypt)", R"(C:\data)", "report.doc", ".2crypt"},
    {PathStyle::Windows, R"(C:\data.old\report)", R"(C:\data.old)", "report", ""},
    {PathStyle::Windows, ".2crypt", "", "", ".2crypt"},
    {PathStyle::Windows, "C:/data/a.txt", "C:", "/data/a", ".txt"},
    {PathStyle::Windows, R"(C:\data\a.txt)", R"(C:\data)", "a", ".txt"},
    {PathStyle::Windows, R"(C:\a.txt)", R"(C:\)", "a", ".txt"},
    {PathStyle::Windows, "C:a.txt", "C:", "a", ".txt"},
    {PathStyle::Windows, R"(\\server\share\a.txt)", R"(\\server\share)", "a", ".txt"},
    {PathStyle::Windows, "a.txt", "", "a", ".txt"},
    {PathStyle::Windows, R"(\a.txt)", R"(\)", "a", ".txt"},
    {PathStyle::Windows, R"(C:\data\\a.txt)", R"(C:\data\\)", "a", ".txt"},
    {PathStyle::Windows, R"(C:\data\)", R"(C:\data)", "", ""},
    {PathStyle::Windows, "a.b.", "", "a.b", "."},
    {PathStyle::Windows, "", "", "", ""},
    // POSIX style: "/" alone separates; "\" and ":" belong to the name.
    {PathStyle::Posix, "/data/report.doc.2crypt", "/data", "report.doc", ".2crypt"},
    {PathStyle::Posix, "/a.txt", "/", "a", ".txt"},
    {PathStyle::Posix, "//a.txt", "//", "a", ".txt"},
    {PathStyle::Posix, "data//a.txt", "data//", "a", ".txt"},
    {PathStyle::Posix, "/data.old/report", "/data.old", "report", ""},
    {PathStyle::Posix, R"(C:\x\a.txt)", "", R"(C:\x\a)", ".txt"},
    {PathStyle::Posix, "dir/a:b.c", "dir", "a:b", ".c"},
    {PathStyle::Posix, ".2crypt", "", "", ".2crypt"},
};

TEST(SplitPath, SplitsIntoDirectoryStemAndExtension) {
  for (const SplitCase& c : kSplitCases) {
    SCOPED_TRACE(c);
    const SplitPathResult<std::string> narrow = SplitPath(c.path, c.style);
    EXPECT_EQ(narrow.Directory, c.directory);
    EXPECT_EQ(narrow.Stem, c.stem);
    EXPECT_EQ(narrow.Extension, c.extension);

    const SplitPathResult<std::u16string> wide = SplitPath(WidenBytes(c.path), c.style);
    EXPECT_EQ(wide.Directory, WidenBytes(c.directory));
    EXPECT_EQ(wide.Stem, WidenBytes(c.stem));
    EXPECT_EQ(wide.Extension, WidenBytes(c.extension));
  }
}

// An extension longer than 500 characters is returned but stays on the stem as well.
TEST(SplitPath, LeavesAnExtensionOfMoreThan500CharactersOnTheStem) {
  for (const PathStyle style : {PathStyle::Windows, PathStyle::Posix}) {
    const std::string longest = "." + std::string(499, 'e');
    const SplitPathResult<std::string> stripped = SplitPath("dir/name" + longest, style);
    EXPECT_EQ(stripped.Stem, style == PathStyle::Posix ? "name" : "dir/name");
    EXPECT_EQ(stripped.Extension, longest);

    const std::string tooLong = longest + "e";
    const SplitPathResult<std::string> kept = SplitPath("name" + tooLong, style);
    EXPECT_EQ(kept.Stem, "name" + tooLong);
    EXPECT_EQ(kept.Extension, tooLong);
  }
}

TEST(SplitPath, KeepsNonAsciiAndLoneSurrogateCodeUnits) {
  const std::u16string path = u"C:\\Gr\u00FC\u00DFe\\\xD800x\xDC80.d\u0663.2crypt";
  const SplitPathResult<std::u16string> parts = SplitPath(path, PathStyle::Windows);
  EXPECT_EQ(parts.Directory, u"C:\\Gr\u00FC\u00DFe");
  EXPECT_EQ(parts.Stem, u"\xD800x\xDC80.d\u0663");
  EXPECT_EQ(parts.Extension, u".2crypt");
}

}  // namespace
}  // namespace ostrel
