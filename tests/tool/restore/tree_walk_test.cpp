// The planning and the run of a tree in-process: a directory swapped for a link between listing
// and entering is not followed, nor is a file swapped for one before it is opened; outputs claimed
// by two trees are told apart however the run changes the output directory meanwhile.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "platform/file_status.h"
#include "support/library_files.h"
#include "support/temporary_directory.h"
#include "tool/commands/tool_commands.h"
#include "tool/restore/work_list.h"

namespace ostrel {
namespace {

using ::testing::HasSubstr;
using testing_support::EncryptWithLibrary;
using testing_support::ReadFileBytes;
using testing_support::TemporaryDirectory;
using testing_support::WriteFileBytes;

constexpr const char* kTreePassphrase = "tree walk";

TEST(TreeWalk, ADirectorySwappedForALinkWhileTheWalkRunsIsNotFollowed) {
  const TemporaryDirectory scratch;
  const std::filesystem::path root = scratch.Path() / "root";
  std::filesystem::create_directories(root / "a");
  std::filesystem::create_directories(root / "b");
  std::filesystem::create_directories(scratch.Path() / "outside");
  WriteFileBytes((root / "a" / "f.2crypt").string(), std::string(16, 'f'));
  WriteFileBytes((root / "b" / "g.2crypt").string(), std::string(16, 'g'));
  WriteFileBytes((scratch.Path() / "outside" / "secret.2crypt").string(), std::string(16, 's'));

  BatchOptions options;
  options.Command = BatchCommand::Decrypt;
  options.Recursive = true;
  options.Paths = {root.string()};
  bool swapped = false;
  const auto beforeEntering = [&](const ListedDirectory&, const DirectoryEntry& entry) {
    if (entry.Name != "b")
      return;
    // The listing said "b" is a directory; now it leads out of the tree.
    std::filesystem::rename(root / "b", scratch.Path() / "b-moved");
    std::filesystem::create_directory_symlink(scratch.Path() / "outside", root / "b");
    swapped = true;
  };

  const std::vector<WorkItem> items = CollectWork(options, beforeEntering);

  ASSERT_TRUE(swapped);
  ASSERT_EQ(items.size(), 2U);
  EXPECT_EQ(items[0].Input, (root / "a" / "f.2crypt").string());
  EXPECT_EQ(items[0].State, ItemState::Pending);
  EXPECT_EQ(items[1].Input, (root / "b").string());
  EXPECT_EQ(items[1].State, ItemState::Failed);
  for (const WorkItem& item : items)
    EXPECT_THAT(item.Input, ::testing::Not(HasSubstr("secret")));
}

// A file of the tree swapped for a link after its directory was listed and before the run opens
// it: the link's target, outside the tree, is read neither to check the pass phrase nor to be
// decrypted, and the rest of the tree is restored.
TEST(TreeWalk, AFileSwappedForALinkBeforeItIsOpenedIsNotFollowed) {
  const TemporaryDirectory scratch;
  const std::filesystem::path root = scratch.Path() / "root";
  std::filesystem::create_directories(root / "a");
  std::filesystem::create_directories(scratch.Path() / "outside");
  const auto encrypted = [](const std::string& plain) {
    return EncryptWithLibrary(EncryptionMethod::kRijndael, plain, kTreePassphrase);
  };
  WriteFileBytes((root / "a" / "f.2crypt").string(), encrypted("inside"));
  WriteFileBytes((root / "z.2crypt").string(), encrypted("the file listed"));
  WriteFileBytes((scratch.Path() / "outside" / "secret.2crypt").string(), encrypted("secret"));
  ASSERT_EQ(::setenv("OSTREL_TREE_WALK_PW", kTreePassphrase, 1), 0);

  BatchOptions options;
  options.Command = BatchCommand::Decrypt;
  options.Recursive = true;
  options.Paths = {root.string()};
  options.OutputDirectory = (scratch.Path() / "out").string();
  options.Passphrase.EnvironmentVariable = "OSTREL_TREE_WALK_PW";
  options.Jobs = 1;
  options.Progress = ProgressChoice::Off;
  options.NoSync = true;
  bool swapped = false;
  // Entries are handed on in name order: "z.2crypt" has been listed, not yet opened, when the
  // walk enters "a".
  const auto beforeEntering = [&](const ListedDirectory&, const DirectoryEntry& entry) {
    if (entry.Name != "a")
      return;
    std::filesystem::rename(root / "z.2crypt", scratch.Path() / "z-moved");
    std::filesystem::create_symlink(scratch.Path() / "outside" / "secret.2crypt",
                                    root / "z.2crypt");
    swapped = true;
  };

  (void)FileCreationMask();  // read before any thread starts, as the program does
  const int status = RunTransform(options, beforeEntering);

  ASSERT_TRUE(swapped);
  EXPECT_EQ(status, 1);
  EXPECT_EQ(ReadFileBytes((scratch.Path() / "out" / "a" / "f").string()), "inside");
  for (const auto& entry : std::filesystem::recursive_directory_iterator(scratch.Path() / "out")) {
    if (entry.is_regular_file()) {
      EXPECT_NE(ReadFileBytes(entry.path().string()), "secret") << entry.path();
    }
  }
}

// The workers create the output directories while later trees are still being planned: a claim
// made before "out" existed must still hold once it does, with --force or without.
TEST(TreeWalk, TwoTreesNeverClaimOneOutputWhileTheRunCreatesItsDirectory) {
  const TemporaryDirectory scratch;
  for (const std::string tree : {"a", "b"}) {
    std::filesystem::create_directories(scratch.Path() / tree / "sub");
    WriteFileBytes((scratch.Path() / tree / "f1.2crypt").string(), std::string(16, 'f'));
    WriteFileBytes((scratch.Path() / tree / "sub" / "f2.2crypt").string(), std::string(16, 'g'));
  }
  const std::filesystem::path out = scratch.Path() / "out";

  for (const bool force : {false, true}) {
    std::filesystem::remove_all(out);
    BatchOptions options;
    options.Command = BatchCommand::Decrypt;
    options.Recursive = true;
    options.Force = force;
    options.OutputDirectory = out.string();
    options.Paths = {(scratch.Path() / "a").string(), (scratch.Path() / "b").string()};
    std::vector<WorkItem> items;
    CollectWork(options, [&](WorkItem&& item) {
      // As a worker does with each item handed on: its output directory comes into being.
      if (!item.Output.empty())
        std::filesystem::create_directories(std::filesystem::path(item.Output).parent_path());
      items.push_back(std::move(item));
    });

    ASSERT_EQ(items.size(), 4U);
    std::map<std::string, std::string> outcomes;  // by input below the scratch directory
    for (const WorkItem& item : items) {
      const std::string input =
          std::filesystem::relative(item.Input, scratch.Path()).generic_string();
      outcomes[input] = item.State == ItemState::Pending ? "pending" : item.Reason;
    }
    EXPECT_EQ(outcomes["a/f1.2crypt"], "pending") << force;
    EXPECT_EQ(outcomes["a/sub/f2.2crypt"], "pending") << force;
    EXPECT_THAT(outcomes["b/f1.2crypt"], HasSubstr("is also the output of")) << force;
    EXPECT_THAT(outcomes["b/sub/f2.2crypt"], HasSubstr("is also the output of")) << force;
  }
}

}  // namespace
}  // namespace ostrel
