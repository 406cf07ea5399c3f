// The table of backup-directory cases through the two front ends that must agree with the model:
// the planning of a restore and the listing of a mount, each on real files, in-process. A restore
// takes exactly the entries the model takes, under the names it gives them, and skips or fails
// the others for the same reasons; a mount shows exactly the entries taken and logs every other
// one with its reason.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <map>
#include <memory>

#include "backup_cases.h"
#include "names/path_joining.h"
#include "platform/directory_listing.h"
#include "platform/file_handle.h"
#include "support/library_files.h"
#include "support/temporary_directory.h"
#include "tool/keys/cipher_keys.h"
#include "tool/mount/mounted_tree.h"
#include "tool/restore/work_list.h"

namespace ostrel::testing_support {
namespace {

using ::testing::HasSubstr;

constexpr const char* kPassphrase = "correct horse";

// The case's directory as files on disk below scratch/backup; its path.
std::string WriteCase(const TemporaryDirectory& scratch, const BackupCase& test) {
  const std::filesystem::path backup = scratch.Path() / "backup";
  std::filesystem::remove_all(backup);
  std::filesystem::create_directories(backup);
  for (const std::string& file : test.Files) {
    const EncryptionMethod method =
        file.ends_with(".1crypt") ? EncryptionMethod::kTripleDes : EncryptionMethod::kRijndael;
    WriteFileBytes((backup / file).string(),
                   EncryptWithLibrary(method, "plain " + file, kPassphrase));
  }
  for (const std::string& directory : test.Directories)
    std::filesystem::create_directory(backup / directory);
  for (const std::string& link : test.Links)
    std::filesystem::create_symlink(backup / test.Files.front(), backup / link);
  return backup.string();
}

TEST(BackupFrontEnds, RestorePlanningFollowsTheModelInEveryCase) {
  const TemporaryDirectory scratch;
  for (const BackupCase& test : BackupCases()) {
    SCOPED_TRACE(test.Title);
    BatchOptions options;
    options.Command = BatchCommand::Decrypt;
    options.Recursive = true;
    options.Paths = {WriteCase(scratch, test)};
    options.OutputDirectory = scratch / "out";
    options.Versions = test.Choices.Versions;
    options.IncludeIncomplete = test.Choices.IncludeIncomplete;
    options.Includes = test.Includes;
    options.Excludes = test.Excludes;
    std::map<std::string, WorkItem> items;  // by input name
    for (WorkItem& item : CollectWork(options))
      items.emplace(FileNameOf(item.Input), std::move(item));
    for (const ExpectedEntry& expected : test.Entries) {
      SCOPED_TRACE(expected.Source);
      if (std::find(test.Directories.begin(), test.Directories.end(), expected.Source) !=
          test.Directories.end())
        continue;
      ASSERT_TRUE(items.contains(expected.Source));
      const WorkItem& item = items.at(expected.Source);
      if (IsTaken(expected.Verdict)) {
        EXPECT_EQ(item.State, ItemState::Pending) << item.Reason;
        EXPECT_EQ(FileNameOf(item.Output), expected.Name);
      } else if (IsRefused(expected.Verdict)) {
        EXPECT_EQ(item.State, ItemState::Failed);
        EXPECT_FALSE(item.Reason.empty());
      } else {
        EXPECT_EQ(item.State, ItemState::Skipped) << item.Reason;
        EXPECT_EQ(item.SkipReason, VerdictWord(expected.Verdict));
      }
    }
  }
}

TEST(BackupFrontEnds, AMountShowsWhatTheModelTakesAndLogsEveryEntryLeftOut) {
  const TemporaryDirectory scratch;
  const std::unique_ptr<CipherKeys> keys = std::make_unique<CipherKeys>(kPassphrase);
  for (const BackupCase& test : BackupCases()) {
    // A mount has no selection.
    if (!test.Includes.empty() || !test.Excludes.empty())
      continue;
    SCOPED_TRACE(test.Title);
    const OpenedFile source = OpenDirectoryHandle(WriteCase(scratch, test));
    ASSERT_GE(source.handle, 0);
    std::vector<std::string> log;
    MountLog mountLog([&](const std::string& line) { log.push_back(line); });
    {
      MountedTree tree(source.handle,
                       {test.Choices.Versions, false, test.Choices.IncludeIncomplete}, mountLog);
      tree.UseKeys(*keys);
      ShownEntries shown;
      ASSERT_EQ(tree.List("/", shown), 0);
      std::vector<std::string> names;
      for (const auto& [name, attributes] : shown)
        names.push_back(name);
      std::vector<std::string> taken;
      for (const ExpectedEntry& expected : test.Entries) {
        if (IsTaken(expected.Verdict))
          taken.push_back(expected.Name);
      }
      std::sort(taken.begin(), taken.end());
      EXPECT_EQ(names, taken);
      for (const ExpectedEntry& expected : test.Entries) {
        if (IsTaken(expected.Verdict))
          continue;
        const bool logged = std::any_of(log.begin(), log.end(), [&](const std::string& line) {
          return line.starts_with("left out " + expected.Source + ": ");
        });
        EXPECT_TRUE(logged) << expected.Source << " left out without a word";
      }
    }
    CloseFile(source.handle);
  }
}

}  // namespace
}  // namespace ostrel::testing_support
