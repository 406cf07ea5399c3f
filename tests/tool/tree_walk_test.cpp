// The planning of a tree in-process: a directory swapped for a link between listing and entering
// is not followed.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>

#include "support/temporary_directory.h"
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

}  // namespace
}  // namespace ostrel
