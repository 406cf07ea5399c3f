// What safe outputs rest on, against the real file system of each system: a finished output
// takes its name only when the name is free, a temporary name is never a file that exists, and
// a walk gives every file of a tree once, in order, with its place below the root.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "platform/directory_tree.h"
#include "platform/error_codes.h"
#include "platform/file_handle.h"
#include "platform/file_rename.h"
#include "platform/file_status.h"
#include "platform/output_directory.h"
#include "support/temporary_directory.h"

namespace ostrel {
namespace {

using testing_support::ReadFileBytes;
using testing_support::TemporaryDirectory;
using testing_support::WriteFileBytes;

class OutputPlatform : public ::testing::Test {
 protected:
  OutputPlatform() : directory_(scratch_.Path().string(), "", false) {}

  int Directory() const { return directory_.Handle(); }
  std::string PathOf(const std::string& name) const { return scratch_ / name; }

 private:
  TemporaryDirectory scratch_;
  OutputDirectory directory_;
};

TEST_F(OutputPlatform, ARenameWithoutReplacingLeavesAnExistingFileAsItWas) {
  ASSERT_GE(Directory(), 0);
  WriteFileBytes(PathOf("new"), "finished output");
  WriteFileBytes(PathOf("taken"), "someone else's file");
  EXPECT_EQ(RenameWithoutReplacing(Directory(), "new", "taken"), kErrorNameTaken);
  EXPECT_EQ(ReadFileBytes(PathOf("taken")), "someone else's file");
  EXPECT_EQ(ReadFileBytes(PathOf("new")), "finished output");

  EXPECT_EQ(RenameWithoutReplacing(Directory(), "new", "free"), 0);
  EXPECT_EQ(ReadFileBytes(PathOf("free")), "finished output");
  EXPECT_EQ(StatusOfPath(PathOf("new")).Kind, FileKind::Missing);

  EXPECT_EQ(RenameReplacing(Directory(), "free", "taken"), 0);
  EXPECT_EQ(ReadFileBytes(PathOf("taken")), "finished output");
}

TEST_F(OutputPlatform, ANewFileIsNeverOneThatExistsAndCanBeRenamedWhileOpen) {
  WriteFileBytes(PathOf("existing"), "keep");
  const OpenedFile refused = CreateNewFileIn(Directory(), "existing");
  EXPECT_LT(refused.handle, 0);
  EXPECT_EQ(refused.error, kErrorNameTaken);
  EXPECT_EQ(ReadFileBytes(PathOf("existing")), "keep");

  const OpenedFile created = CreateNewFileIn(Directory(), "temporary");
  ASSERT_GE(created.handle, 0) << created.error;
  ASSERT_EQ(WriteToFile(created.handle, "data", 4).Bytes, 4);
  const FileStatus written = StatusOfHandle(created.handle);
  // The output is renamed into place before its last handle closes.
  EXPECT_EQ(RenameWithoutReplacing(Directory(), "temporary", "final"), 0);
  EXPECT_TRUE(written.IsSameFileAs(StatusOfPath(PathOf("final"))));
  EXPECT_EQ(CloseFile(created.handle), 0);
  EXPECT_EQ(ReadFileBytes(PathOf("final")), "data");
  EXPECT_EQ(RemoveFileIn(Directory(), "final"), 0);
  EXPECT_EQ(StatusOfPath(PathOf("final")).Kind, FileKind::Missing);
}

TEST(TreeWalk, GivesEveryFileOnceInNameOrderWithItsPlaceBelowTheRoot) {
  const TemporaryDirectory scratch;
  const std::filesystem::path root = scratch.Path() / "root";
  std::filesystem::create_directories(root / "b" / "deep");
  std::filesystem::create_directories(root / "a");
  std::filesystem::create_directories(root / "empty");
  WriteFileBytes((root / "z.txt").string(), "z");
  WriteFileBytes((root / "a" / "1.txt").string(), "1");
  WriteFileBytes((root / "b" / "deep" / "2.txt").string(), "22");
  WriteFileBytes((root / "b" / "3.txt").string(), "333");

  std::vector<std::string> seen;
  TreeVisitor visitor;
  visitor.Entry = [&](const ListedDirectory& listed, const DirectoryEntry& entry) {
    const OpenedFile opened = OpenEntryForReading(*listed.Directory, entry.Name);
    ASSERT_GE(opened.handle, 0) << opened.error;
    const FileStatus status = StatusOfHandle(opened.handle);
    CloseFile(opened.handle);
    seen.push_back((listed.RelativePath.empty() ? "" : listed.RelativePath + "/") + entry.Name +
                   " " + std::to_string(status.Size));
  };
  visitor.Unreadable = [&](const std::string& relative, int error) {
    ADD_FAILURE() << relative << ": " << error;
  };
  WalkTree(root.string(), visitor);
  EXPECT_THAT(seen, ::testing::ElementsAre("a/1.txt 1", "b/3.txt 3", "b/deep/2.txt 2", "z.txt 1"));
}

}  // namespace
}  // namespace ostrel
