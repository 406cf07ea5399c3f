// The planning of a tree in-process: a directory swapped for a link between listing and entering
// is not followed; and the progress line fits its terminal.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>

#include "support/temporary_directory.h"
#include "tool/progress_display.h"
#include "tool/work_list.h"

namespace ostrel {
namespace {

using ::testing::HasSubstr;
using testing_support::TemporaryDirectory;
using testing_support::WriteFileBytes;

TEST(TreeWalk, ADirectorySwappedForALinkWhileTheWalkRunsIsNotFollowed) {
  const TemporaryDirectory scratch;
  const std::filesystem::path root = scratch.Path() / "root";
  std::filesystem::create_directories(root / "a");
  std::filesystem::create_directories(root / "b");
  std::filesystem::create_directories(scratch.Path() / "outside");
  WriteFileBytes((root / "a" / "f.2crypt").string(), std::string(16, 'f'));
  WriteFileBytes((root / "b" / "g.2crypt").string(), std::string(16, 'g'));
  WriteFileBytes((scratch.Path() / "outside" / "secret.2crypt").string(), std::string(16, 's'));

  ToolOptions options;
  options.Command = ToolCommand::Decrypt;
  options.Recursive = true;
  options.Paths = {root.string()};
  bool swapped = false;
  options.BeforeEnteringDirectory = [&](const ListedDirectory&, const DirectoryEntry& entry) {
    if (entry.Name != "b")
      return;
    // The listing said "b" is a directory; now it leads out of the tree.
    std::filesystem::rename(root / "b", scratch.Path() / "b-moved");
    std::filesystem::create_directory_symlink(scratch.Path() / "outside", root / "b");
    swapped = true;
  };

  const std::vector<WorkItem> items = CollectWork(options);

  ASSERT_TRUE(swapped);
  ASSERT_EQ(items.size(), 2U);
  EXPECT_EQ(items[0].Input, (root / "a" / "f.2crypt").string());
  EXPECT_EQ(items[0].State, ItemState::Pending);
  EXPECT_EQ(items[1].Input, (root / "b").string());
  EXPECT_EQ(items[1].State, ItemState::Failed);
  for (const WorkItem& item : items)
    EXPECT_THAT(item.Input, ::testing::Not(HasSubstr("secret")));
}

struct FitCase {
  std::string Name;
  std::size_t Columns;
  std::string Line;
};

TEST(ProgressLine, FitsItsTerminalAndKeepsTheEndOfTheFileName) {
  const std::string figures = "3/10 files  1.0 MiB of 2.0 MiB";  // 30 columns
  const FitCase cases[] = {
      {"a.txt", 80, figures + "  a.txt"},
      // One column stays free, so the terminal never wraps the line.
      {"backup/some/deep/folder/report.doc.2crypt", 40, figures + "  ...rypt"},
      {"backup/some/deep/folder/report.doc.2crypt", 50, figures + "  ...ort.doc.2crypt"},
      {"caf\xC3\xA9/x.2crypt", 46, figures + "  caf\xC3\xA9/x.2crypt"},  // é is one column
      {"caf\xC3\xA9/x.2crypt", 45, figures + "  .../x.2crypt"},
      {"x", 20, figures.substr(0, 19)},
  };
  for (const FitCase& test : cases) {
    const std::string line = FitProgressLine(figures, test.Name, test.Columns);
    EXPECT_EQ(line, test.Line) << test.Columns;
  }
}

}  // namespace
}  // namespace ostrel
