// The mounted tree in-process, as the file system and a server call it: whatever fails while a
// directory is planned becomes an error code and a line in the log, never an exception, and the
// rest of the tree is served on; every copy of a file can be listed and read.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>
#include <memory>
#include <stdexcept>

#include "platform/directory_listing.h"
#include "platform/file_handle.h"
#include "support/library_files.h"
#include "support/temporary_directory.h"
#include "tool/keys/cipher_keys.h"
#include "tool/mount/mounted_tree.h"

namespace ostrel::testing_support {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;

constexpr const char* kPassphrase = "correct horse";

class MountedTreeTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::filesystem::create_directories(scratch_.Path() / "source");
    source_ = OpenDirectoryHandle((scratch_.Path() / "source").string()).handle;
    ASSERT_GE(source_, 0);
  }
  void TearDown() override { CloseFile(source_); }

  void WriteEncrypted(const std::string& name, const std::string& plain) const {
    const std::filesystem::path path = scratch_.Path() / "source" / name;
    std::filesystem::create_directories(path.parent_path());
    WriteFileBytes(path.string(),
                   EncryptWithLibrary(EncryptionMethod::kRijndael, plain, kPassphrase));
  }

  // The whole plain text of the opened file.
  static std::string ReadAll(MountedTree& tree, const std::shared_ptr<OpenedShownFile>& file) {
    std::string bytes(4096, '\0');
    const int64_t got = tree.Read(file, 0, reinterpret_cast<uint8_t*>(bytes.data()), 4096);
    bytes.resize(got < 0 ? 0 : static_cast<std::size_t>(got));
    return bytes;
  }

  TemporaryDirectory scratch_;
  int source_ = -1;
  std::vector<std::string> log_;
  MountLog mountLog_{[this](const std::string& line) { log_.push_back(line); }};
  std::unique_ptr<CipherKeys> keys_ = std::make_unique<CipherKeys>(kPassphrase);
};

TEST_F(MountedTreeTest, APlannerThatFailsCostsItsDirectoryAnErrorCodeAndTheTreeGoesOn) {
  WriteEncrypted("good.txt.2crypt", "good");
  WriteEncrypted("bad/x.txt.2crypt", "x");
  WriteEncrypted("odd/y.txt.2crypt", "y");
  const ShowSettings settings;
  // Fails in the directories holding x or y: with a standard exception and with anything else.
  const DirectoryPlanner planner = [&](const std::vector<DirectoryEntry>& listed,
                                       const LeftOutReport& leftOut) {
    for (const DirectoryEntry& entry : listed) {
      if (entry.Name == "x.txt.2crypt")
        throw std::runtime_error("planning failed");
      if (entry.Name == "y.txt.2crypt")
        throw 42;
    }
    return ShowDirectory(listed, settings, leftOut);
  };
  MountedTree tree(source_, settings, mountLog_, planner);
  tree.UseKeys(*keys_);
  EXPECT_EQ(tree.SampleEncryptedFiles(64).size(), 1U) << "the good file alone";

  for (const std::string directory : {"/bad", "/odd"}) {
    SCOPED_TRACE(directory);
    ShownEntries entries;
    ShownAttributes attributes;
    std::shared_ptr<OpenedShownFile> file;
    std::vector<ShownVersion> versions;
    EXPECT_EQ(tree.List(directory, entries), -EIO);
    EXPECT_EQ(tree.Attributes(directory + "/x.txt", attributes), -EIO);
    EXPECT_EQ(tree.Open(directory + "/x.txt", file), -EIO);
    EXPECT_EQ(tree.Versions(directory + "/x.txt", versions), -EIO);
  }
  EXPECT_THAT(log_, ::testing::Contains(HasSubstr("bad/x.txt: planning failed")));
  EXPECT_THAT(log_, ::testing::Contains(HasSubstr("an unexpected failure")));

  ShownEntries root;
  ASSERT_EQ(tree.List("/", root), 0);
  ASSERT_EQ(root.size(), 3U);
  EXPECT_EQ(root[1].first, "good.txt");
  EXPECT_EQ(root[1].second.Size, 4);
  std::shared_ptr<OpenedShownFile> good;
  ASSERT_EQ(tree.Open("/good.txt", good), 0);
  EXPECT_EQ(ReadAll(tree, good), "good");
}

TEST_F(MountedTreeTest, EveryCopyOfAFileIsListedAndReadableWhateverTheMountShows) {
  WriteEncrypted("notes.txt.2crypt", "current");
  WriteEncrypted("notes.d20240131-t120000.txt.2crypt", "january");
  WriteEncrypted("notes.d20240201-t080000.txt.s8.2crypt", "february");
  WriteEncrypted("other.txt.2crypt", "other");
  MountedTree tree(source_, ShowSettings{}, mountLog_);
  tree.UseKeys(*keys_);
  std::vector<ShownVersion> versions;
  ASSERT_EQ(tree.Versions("/notes.txt", versions), 0);
  std::vector<std::string> names;
  for (const ShownVersion& version : versions)
    names.push_back(version.Name + (version.Shown ? " shown" : ""));
  EXPECT_THAT(names, ElementsAre("notes.d20240131-t120000.txt", "notes.d20240201-t080000.txt",
                                 "notes.txt shown"));
  EXPECT_TRUE(versions[0].StampSeconds);
  EXPECT_FALSE(versions[2].StampSeconds);

  std::shared_ptr<OpenedShownFile> file;
  ASSERT_EQ(tree.OpenVersion("/notes.txt", "notes.d20240201-t080000.txt", file), 0);
  EXPECT_EQ(ReadAll(tree, file), "february");
  EXPECT_EQ(tree.OpenVersion("/notes.txt", "other.txt", file), -ENOENT);
  EXPECT_EQ(tree.Versions("/", versions), -EINVAL);
}

}  // namespace
}  // namespace ostrel::testing_support
