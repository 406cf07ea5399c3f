// Restoring a backup tree as the synchronizer writes it: current copies beside earlier versions,
// a file kept only as versions, an archived file, an incomplete transfer, both methods; each
// option's result checked byte for byte and time for time.
#include <fcntl.h>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <zip.h>
#include <nlohmann/json.hpp>

#include <cerrno>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <map>
#include <optional>
#include <sstream>

#include "tool_fixture.h"

namespace ostrel::testing_support {
namespace {

using ::testing::HasSubstr;
using ::testing::Not;

// Stamps are read as local time; the tests fix the zone at two hours east of UTC.
constexpr const char* kZone = "XYZ-2";
constexpr int64_t kZoneOffset = 2 * 3600;
constexpr int64_t kBackupTime = 1700000000;  // the encrypted files' own time
constexpr int64_t kEntryTime = 1600000000;   // the archive entry's time (even: DOS times are)

int64_t UtcSeconds(int year, int month, int day, int hour, int minute, int second) {
  std::tm fields{};
  fields.tm_year = year - 1900;
  fields.tm_mon = month - 1;
  fields.tm_mday = day;
  fields.tm_hour = hour;
  fields.tm_min = minute;
  fields.tm_sec = second;
  return static_cast<int64_t>(::timegm(&fields));
}

struct ZipEntry {
  std::string Name;
  std::string Bytes;
  bool Directory = false;
  bool Encrypted = false;
  std::optional<uint32_t> UnixMode =
      std::nullopt;  // recorded as by a Unix tool, file-type bits and all
};

// File modes as Unix tools record them in an archive.
constexpr uint32_t kLinkMode = 0120777;
constexpr uint32_t kFifoMode = 0010644;
constexpr uint32_t kBareMode = 0600;  // permission bits alone, as an entry written from memory

// An archive made by the archive library, with its entries timed kEntryTime (local time, as the
// archive format keeps it).
std::string MakeArchive(const std::filesystem::path& scratch,
                        const std::vector<ZipEntry>& entries) {
  if (entries.empty())  // the archive library writes no file for an empty archive
    return std::string("PK\x05\x06", 4) + std::string(18, '\0');
  const std::string path = (scratch / "archive.tmp.zip").string();
  int error = 0;
  zip_t* const archive = zip_open(path.c_str(), ZIP_CREATE | ZIP_TRUNCATE, &error);
  EXPECT_NE(archive, nullptr);
  for (const ZipEntry& entry : entries) {
    if (entry.Directory) {
      EXPECT_GE(zip_dir_add(archive, entry.Name.c_str(), ZIP_FL_ENC_UTF_8), 0);
      continue;
    }
    zip_source_t* const source =
        zip_source_buffer(archive, entry.Bytes.data(), entry.Bytes.size(), 0);
    const zip_int64_t index = zip_file_add(archive, entry.Name.c_str(), source, ZIP_FL_ENC_UTF_8);
    EXPECT_GE(index, 0) << zip_strerror(archive);
    EXPECT_EQ(zip_file_set_mtime(archive, static_cast<zip_uint64_t>(index), kEntryTime, 0), 0);
    if (entry.UnixMode) {
      EXPECT_EQ(zip_file_set_external_attributes(archive, static_cast<zip_uint64_t>(index), 0,
                                                 ZIP_OPSYS_UNIX, *entry.UnixMode << 16),
                0);
    }
    if (entry.Encrypted) {
      EXPECT_EQ(zip_file_set_encryption(archive, static_cast<zip_uint64_t>(index), ZIP_EM_AES_256,
                                        "secret"),
                0);
    }
  }
  EXPECT_EQ(zip_close(archive), 0);
  std::string bytes = ReadFileBytes(path);
  std::filesystem::remove(path);
  return bytes;
}

class RestoreTest : public ToolTest {
 protected:
  // Archive entries keep local time: the tests make them in the zone the tool runs in.
  void SetUp() override {
    ::setenv("TZ", kZone, 1);
    ::tzset();
  }
  void TearDown() override {
    ::unsetenv("TZ");
    ::tzset();
  }

  void WriteEncrypted(const std::string& name, EncryptionMethod method, const std::string& plain,
                      int64_t mtime = kBackupTime) const {
    Write(name, EncryptWithLibrary(method, plain, kPassphrase));
    SetTime(name, mtime);
  }
  void SetTime(const std::string& name, int64_t seconds) const {
    const timespec times[2] = {{seconds, 0}, {seconds, 0}};
    ASSERT_EQ(::utimensat(AT_FDCWD, PathOf(name).c_str(), times, 0), 0);
  }
  int64_t TimeOf(const std::string& name) const {
    struct stat status {};
    EXPECT_EQ(::stat(PathOf(name).c_str(), &status), 0) << name;
    return status.st_mtim.tv_sec;
  }
  // Every regular file below dir, relative to it, with its bytes.
  std::map<std::string, std::string> TreeOf(const std::string& dir) const {
    std::map<std::string, std::string> files;
    if (!std::filesystem::exists(PathOf(dir)))
      return files;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(PathOf(dir))) {
      if (entry.is_regular_file())
        files[std::filesystem::relative(entry.path(), PathOf(dir)).string()] =
            ReadFileBytes(entry.path().string());
    }
    return files;
  }

  // The backup: every kind of name the synchronizer writes, both methods.
  void WriteBackup() {
    WriteEncrypted("backup/notes.txt.2crypt", EncryptionMethod::kRijndael, "current notes");
    WriteEncrypted("backup/notes.d20240131-t120000.txt.2crypt", EncryptionMethod::kRijndael,
                   "notes of January");
    WriteEncrypted("backup/notes.d20240201-t080000.txt.1crypt", EncryptionMethod::kTripleDes,
                   "notes of February");
    WriteEncrypted("backup/gone.d20230105-t101500.doc.1crypt", EncryptionMethod::kTripleDes,
                   "gone, early");
    WriteEncrypted("backup/gone.d20230106-t101500.doc.2crypt", EncryptionMethod::kRijndael,
                   "gone, late");
    archive_ = MakeArchive(directory_.Path(), {{"report.doc", report_}});
    WriteEncrypted("backup/report.doc.s" + std::to_string(report_.size()) + ".zip.2crypt",
                   EncryptionMethod::kRijndael, archive_);
    WriteEncrypted("backup/part.bin.s5000.incomplete.2crypt", EncryptionMethod::kRijndael,
                   "cut sh");
    WriteEncrypted("backup/sub/a.txt.1crypt", EncryptionMethod::kTripleDes, "sub a");
  }

  ToolRun Restore(std::vector<std::string> options) const {
    std::vector<std::string> arguments = {
        "decrypt", "--passphrase-env", "OSTREL_PW", "-r", "backup", "-o", "out"};
    arguments.insert(arguments.end(), options.begin(), options.end());
    ToolCall call;
    call.Arguments = std::move(arguments);
    call.Environment = {{"OSTREL_PW", kPassphrase}, {"TZ", kZone}};
    call.WorkingDirectory = directory_.Path().string();
    return RunTool(kOstrel, call);
  }

  const std::string report_ = PatternBytes(3000, 7);
  std::string archive_;
};

struct VersionCase {
  const char* Choice;
  std::map<std::string, std::string> Outputs;  // the whole restored tree
  const char* Hint;                            // in the summary, or ""
};

TEST_F(RestoreTest, EachVersionChoiceRestoresItsCopiesUnderTheirNames) {
  const VersionCase cases[] = {
      {"current",
       {{"notes.txt", "current notes"}, {"report.doc.zip", ""}, {"sub/a.txt", "sub a"}},
       // gone.doc has no current copy: its newest version is the file, its older one a version.
       "1 file exists only as versions and was skipped; --versions latest restores the newest "
       "version of each, --versions all every version\nostrel: 3 earlier versions skipped; "
       "--versions all restores them"},
      {"latest",
       {{"notes.txt", "current notes"},
        {"gone.doc", "gone, late"},
        {"report.doc.zip", ""},
        {"sub/a.txt", "sub a"}},
       "3 earlier versions skipped; --versions all restores them"},
      {"all",
       {{"notes.txt", "current notes"},
        {"notes.d20240131-t120000.txt", "notes of January"},
        {"notes.d20240201-t080000.txt", "notes of February"},
        {"gone.d20230105-t101500.doc", "gone, early"},
        {"gone.d20230106-t101500.doc", "gone, late"},
        {"report.doc.zip", ""},
        {"sub/a.txt", "sub a"}},
       ""},
  };
  WriteBackup();
  for (const VersionCase& test : cases) {
    SCOPED_TRACE(test.Choice);
    std::filesystem::remove_all(PathOf("out"));
    const ToolRun run = Restore({"--versions", test.Choice});
    EXPECT_EQ(run.ExitCode, 0) << run.Stderr;
    std::map<std::string, std::string> expected = test.Outputs;
    expected["report.doc.zip"] = archive_;
    EXPECT_EQ(TreeOf("out"), expected);
    if (*test.Hint != '\0') {
      EXPECT_THAT(run.Stderr, HasSubstr(test.Hint));
    } else {
      EXPECT_THAT(run.Stderr, Not(HasSubstr("versions skipped")));
    }
    EXPECT_THAT(run.Stderr, HasSubstr("1 incomplete transfer skipped; --include-incomplete"));
    EXPECT_THAT(run.Stderr, HasSubstr("1 output is an archive the synchronizer made; --unzip"));
  }
}

TEST_F(RestoreTest, OutputsTakeTheStampsTimeOrTheEncryptedFilesOwn) {
  WriteBackup();
  const int64_t lateStamp = UtcSeconds(2023, 1, 6, 10, 15, 0);
  const int64_t januaryStamp = UtcSeconds(2024, 1, 31, 12, 0, 0);

  ASSERT_EQ(Restore({"--versions", "all"}).ExitCode, 0);
  EXPECT_EQ(TimeOf("out/notes.txt"), kBackupTime);
  EXPECT_EQ(TimeOf("out/sub/a.txt"), kBackupTime);
  EXPECT_EQ(TimeOf("out/gone.d20230106-t101500.doc"), lateStamp - kZoneOffset);
  EXPECT_EQ(TimeOf("out/notes.d20240131-t120000.txt"), januaryStamp - kZoneOffset);

  std::filesystem::remove_all(PathOf("out"));
  ASSERT_EQ(Restore({"--versions", "latest", "--stamp-utc"}).ExitCode, 0);
  EXPECT_EQ(TimeOf("out/gone.doc"), lateStamp);

  std::filesystem::remove_all(PathOf("out"));
  const std::time_t before = std::time(nullptr);
  ASSERT_EQ(Restore({"--versions", "latest", "--no-times"}).ExitCode, 0);
  EXPECT_GE(TimeOf("out/gone.doc"), before);
  EXPECT_GE(TimeOf("out/notes.txt"), before);
}

TEST_F(RestoreTest, UnzipRestoresTheArchivedFileWithItsEntryTime) {
  WriteBackup();
  const ToolRun run = Restore({"--unzip", "--json"});
  EXPECT_EQ(run.ExitCode, 0) << run.Stderr;
  EXPECT_EQ(Read("out/report.doc"), report_);
  EXPECT_FALSE(Exists("out/report.doc.zip"));
  EXPECT_EQ(TimeOf("out/report.doc"), kEntryTime);
  EXPECT_THAT(run.Stdout, HasSubstr("\"unzipped\":true"));
  EXPECT_THAT(TemporaryLeftovers(), ::testing::IsEmpty());
}

struct ArchiveCase {
  const char* What;
  std::vector<ZipEntry> Entries;
  const char* Reason;
};

// Anything but the synchronizer's one plain entry of the named size stays the archive it is.
TEST_F(RestoreTest, UnzipLeavesEveryOtherArchiveAsItIsWithTheReason) {
  const std::string big(200000, 'z');  // compresses well: a small archive that claims much
  const ArchiveCase cases[] = {
      {"two entries", {{"report.doc", "12345"}, {"other", "x"}}, "holds 2 entries, not one"},
      {"a directory part", {{"dir/report.doc", "12345"}}, "is not a plain file name"},
      {"a way out", {{"../report.doc", "12345"}}, "is not a plain file name"},
      {"an absolute name", {{"/tmp/report.doc", "12345"}}, "is not a plain file name"},
      {"a directory", {{"report.doc/", "", true}}, "\"report.doc/\" is a directory"},
      {"a symbolic link", {{"report.doc", "12345", false, false, kLinkMode}}, "is a symbolic link"},
      {"a FIFO", {{"report.doc", "12345", false, false, kFifoMode}}, "is a FIFO"},
      {"an encrypted entry", {{"report.doc", "12345", false, true}}, "is encrypted"},
      {"far more than the name says", {{"report.doc", big}}, "declares 200000 bytes, the name 5"},
      {"fewer bytes than the name says", {{"report.doc", "1234"}}, "declares 4 bytes, the name 5"},
      {"no entry", {}, "holds 0 entries"},
  };
  for (const ArchiveCase& test : cases) {
    SCOPED_TRACE(test.What);
    std::filesystem::remove_all(PathOf("in"));
    const std::string archive = MakeArchive(directory_.Path(), test.Entries);
    WriteEncrypted("in/report.doc.s5.zip.2crypt", EncryptionMethod::kRijndael, archive);
    const ToolRun run = OstrelKeyed({"decrypt", "--unzip", "in/report.doc.s5.zip.2crypt"});
    EXPECT_EQ(run.ExitCode, 0) << run.Stderr;
    EXPECT_EQ(Read("in/report.doc.zip"), archive);
    EXPECT_FALSE(Exists("in/report.doc"));
    EXPECT_THAT(run.Stderr, HasSubstr(test.Reason));
  }

  // Not an archive at all: the bytes are kept as they decrypted.
  std::filesystem::remove_all(PathOf("in"));
  WriteEncrypted("in/report.doc.s5.zip.2crypt", EncryptionMethod::kRijndael, "not a zip file");
  const ToolRun damaged = OstrelKeyed({"decrypt", "--unzip", "in/report.doc.s5.zip.2crypt"});
  EXPECT_EQ(Read("in/report.doc.zip"), "not a zip file");
  EXPECT_THAT(damaged.Stderr, HasSubstr("not a readable archive"));
}

// An entry that a Unix tool wrote from memory records permission bits and no file type: a file.
TEST_F(RestoreTest, UnzipTakesAnEntryThatRecordsNoFileTypeAsAFile) {
  const std::string archive =
      MakeArchive(directory_.Path(), {{"report.doc", "12345", false, false, kBareMode}});
  WriteEncrypted("in/report.doc.s5.zip.2crypt", EncryptionMethod::kRijndael, archive);
  const ToolRun run = OstrelKeyed({"decrypt", "--unzip", "in/report.doc.s5.zip.2crypt"});
  EXPECT_EQ(run.ExitCode, 0) << run.Stderr;
  EXPECT_EQ(Read("in/report.doc"), "12345");
  EXPECT_FALSE(Exists("in/report.doc.zip"));
  EXPECT_THAT(run.Stderr, Not(HasSubstr("kept as an archive")));
}

// A file system of its own, so small that the disk fills up under the tool alone.
class SmallFileSystem {
 public:
  explicit SmallFileSystem(const std::string& path) : path_(path) {
    std::filesystem::create_directories(path);
    if (::mount("tmpfs", path.c_str(), "tmpfs", 0, "size=64k") != 0)
      error_ = errno;
  }
  ~SmallFileSystem() {
    if (error_ == 0)
      (void)::umount2(path_.c_str(), MNT_DETACH);
  }
  SmallFileSystem(const SmallFileSystem&) = delete;
  SmallFileSystem& operator=(const SmallFileSystem&) = delete;

  int Error() const { return error_; }

 private:
  std::string path_;
  int error_ = 0;
};

TEST_F(RestoreTest, UnzipOnAFullDiskNamesTheFileItCouldNotWrite) {
  // 200,000 bytes that compress into an archive far smaller than the file system.
  const std::string archive =
      MakeArchive(directory_.Path(), {{"big.bin", std::string(200000, 'z')}});
  WriteEncrypted("in/big.bin.s200000.zip.2crypt", EncryptionMethod::kRijndael, archive);
  const SmallFileSystem full(PathOf("full"));
  ASSERT_EQ(full.Error(), 0) << std::strerror(full.Error());

  const ToolRun run =
      OstrelKeyed({"decrypt", "--unzip", "-o", "full", "in/big.bin.s200000.zip.2crypt"});
  EXPECT_EQ(run.ExitCode, 1);
  EXPECT_THAT(run.Stderr, HasSubstr("cannot write full/big.bin: No space left on device"));
  EXPECT_FALSE(Exists("full/big.bin"));
  EXPECT_THAT(TemporaryLeftovers(), ::testing::IsEmpty());
}

// The time of a restored version is its stamp's, whether or not it was archived: the entry's own
// time says when the file went into the archive, not which version it is.
TEST_F(RestoreTest, UnzipGivesAVersionTheTimeOfItsStampNotThatOfItsEntry) {
  WriteEncrypted("backup/report.d20240131-t120000.doc.s3000.zip.2crypt",
                 EncryptionMethod::kRijndael,
                 MakeArchive(directory_.Path(), {{"report.doc", report_}}));
  const ToolRun run = Restore({"--unzip", "--versions", "latest"});
  EXPECT_EQ(run.ExitCode, 0) << run.Stderr;
  EXPECT_EQ(Read("out/report.doc"), report_);
  EXPECT_EQ(TimeOf("out/report.doc"), UtcSeconds(2024, 1, 31, 12, 0, 0) - kZoneOffset);
}

// A first run that could not open an archive kept it as NAME.zip: resuming counts that as the
// file's output, and a dry run says so instead of offering to write NAME.
TEST_F(RestoreTest, ResumingWithUnzipCountsAnArchiveKeptAsItIsAsExisting) {
  WriteBackup();
  WriteEncrypted("backup/two.doc.s5.zip.2crypt", EncryptionMethod::kRijndael,
                 MakeArchive(directory_.Path(), {{"two.doc", "12345"}, {"other", "x"}}));
  const ToolRun first = Restore({"--unzip"});
  ASSERT_EQ(first.ExitCode, 0) << first.Stderr;
  ASSERT_TRUE(Exists("out/two.doc.zip"));

  for (const bool dryRun : {false, true}) {
    SCOPED_TRACE(dryRun ? "dry run" : "run");
    std::vector<std::string> options = {"--unzip", "--skip-existing", "--json"};
    if (dryRun)
      options.emplace_back("--dry-run");
    const ToolRun run = Restore(options);
    EXPECT_EQ(run.ExitCode, 0) << run.Stderr;
    std::istringstream lines(run.Stdout);
    nlohmann::json kept;
    for (std::string line; std::getline(lines, line);) {
      const nlohmann::json object = nlohmann::json::parse(line);
      if (object["input"] == "backup/two.doc.s5.zip.2crypt")
        kept = object;
    }
    EXPECT_EQ(kept["result"], "skipped") << run.Stdout;
    EXPECT_EQ(kept["skipped_reason"], "exists");
  }
}

// Only a file's own name says that it holds an archive, as in the mount: a directory named
// "my.zip.backup" changes no output name, however the tree's root is spelled.
TEST_F(RestoreTest, TheArchiveRuleReadsTheNameWithinTheTreeHoweverTheRootIsSpelled) {
  WriteEncrypted("my.zip.backup/sub/notes.txt.2crypt", EncryptionMethod::kRijndael, "notes");
  WriteEncrypted("my.zip.backup/sub/report.doc.s7.zip.2crypt", EncryptionMethod::kRijndael,
                 "archive");

  ToolRun run = OstrelKeyed({"decrypt", "-r", "my.zip.backup", "-o", "o1"});
  EXPECT_EQ(run.ExitCode, 0) << run.Stderr;
  ToolCall inside;
  inside.Arguments = {"decrypt", "--passphrase-env", "OSTREL_PW", "-r", "sub", "-o", "../o2"};
  inside.Environment = {{"OSTREL_PW", kPassphrase}};
  inside.WorkingDirectory = PathOf("my.zip.backup");
  run = RunTool(kOstrel, inside);
  EXPECT_EQ(run.ExitCode, 0) << run.Stderr;
  const std::map<std::string, std::string> restored = {{"notes.txt", "notes"},
                                                       {"report.doc.zip", "archive"}};
  EXPECT_EQ(TreeOf("o1/sub"), restored);
  EXPECT_EQ(TreeOf("o2"), restored);

  // names shows the outputs that decrypt writes.
  run = Ostrel({"names", "-r", "my.zip.backup"});
  EXPECT_THAT(run.Stdout, HasSubstr("output my.zip.backup/sub/notes.txt\n"));
  EXPECT_THAT(run.Stdout, HasSubstr("output my.zip.backup/sub/report.doc.zip,"));
}

TEST_F(RestoreTest, IncompleteTransfersAreSkippedInTreesAndRestoredWhenAsked) {
  WriteBackup();
  ToolRun run = Restore({"--include-incomplete"});
  EXPECT_EQ(run.ExitCode, 0) << run.Stderr;
  EXPECT_EQ(Read("out/part.bin"), "cut sh");
  EXPECT_THAT(run.Stderr, HasSubstr("part.bin.s5000.incomplete.2crypt: warning: an incomplete"));

  // A file named on the command line is what the user asked for: restored, with the warning.
  run = OstrelKeyed({"decrypt", "backup/part.bin.s5000.incomplete.2crypt"});
  EXPECT_EQ(run.ExitCode, 0) << run.Stderr;
  EXPECT_EQ(Read("backup/part.bin"), "cut sh");
  EXPECT_THAT(run.Stderr, HasSubstr("warning: an incomplete transfer"));
}

// verify passes over an incomplete transfer as a restore does: cut short, it would pass for damage
// or a wrong pass phrase. Asked for, it is checked.
TEST_F(RestoreTest, VerifySkipsIncompleteTransfersUnlessAsked) {
  WriteBackup();
  const std::string cut =
      EncryptWithLibrary(EncryptionMethod::kRijndael, PatternBytes(5000), kPassphrase)
          .substr(0, 1024);
  Write("backup/part.bin.s5000.incomplete.2crypt", cut);
  ToolRun run = OstrelKeyed({"verify", "-r", "--json", "backup"});
  EXPECT_EQ(run.ExitCode, 0) << run.Stderr;
  EXPECT_THAT(run.Stdout, HasSubstr("\"input\":\"backup/part.bin.s5000.incomplete.2crypt\""));
  EXPECT_THAT(run.Stdout, HasSubstr("\"skipped_reason\":\"incomplete\""));

  run = OstrelKeyed({"verify", "-r", "--include-incomplete", "backup"});
  EXPECT_NE(run.ExitCode, 0);
  EXPECT_THAT(run.Stderr, HasSubstr("part.bin.s5000.incomplete.2crypt"));
}

struct SelectionCase {
  std::vector<std::string> Options;
  std::vector<std::string> Outputs;
};

TEST_F(RestoreTest, IncludeAndExcludeSelectOutputPathsLikeIgnoreFiles) {
  WriteBackup();
  WriteEncrypted("backup/sub/deep/b.txt.2crypt", EncryptionMethod::kRijndael, "deep b");
  WriteEncrypted("backup/sub/deep/c.log.2crypt", EncryptionMethod::kRijndael, "deep c");
  const SelectionCase cases[] = {
      {{"--include", "*.txt"}, {"notes.txt", "sub/a.txt", "sub/deep/b.txt"}},
      {{"--include", "sub"}, {"sub/a.txt", "sub/deep/b.txt", "sub/deep/c.log"}},  // a directory
      {{"--include", "sub/*.txt"}, {"sub/a.txt"}},  // "*" stops at "/"
      {{"--include", "**/b.txt"}, {"sub/deep/b.txt"}},
      {{"--include", "sub/**/*.log"}, {"sub/deep/c.log"}},
      {{"--include", "/notes.txt"}, {"notes.txt"}},
      {{"--include", "sub", "--exclude", "deep"}, {"sub/a.txt"}},  // excludes win
      {{"--exclude", "*.t?t", "--exclude", "[r]*"}, {"sub/deep/c.log"}},
      // A trailing "/" names directories, at any depth, and never a file.
      {{"--exclude", "deep/"}, {"notes.txt", "report.doc.zip", "sub/a.txt"}},
      {{"--exclude", "*/"}, {"notes.txt", "report.doc.zip"}},
      {{"--exclude", "notes.txt/", "--exclude", "sub"}, {"notes.txt", "report.doc.zip"}},
      // "**" spans no directory too.
      {{"--include", "sub/**/*.txt"}, {"sub/a.txt", "sub/deep/b.txt"}},
      {{"--include", "**/notes.txt"}, {"notes.txt"}},
  };
  for (const SelectionCase& test : cases) {
    SCOPED_TRACE(::testing::PrintToString(test.Options));
    std::filesystem::remove_all(PathOf("out"));
    const ToolRun run = Restore(test.Options);
    EXPECT_EQ(run.ExitCode, 0) << run.Stderr;
    std::vector<std::string> outputs;
    for (const auto& [name, bytes] : TreeOf("out"))
      outputs.push_back(name);
    EXPECT_EQ(outputs, test.Outputs);
  }

  // A pattern that could never mean what it says is a usage error that names it.
  std::filesystem::remove_all(PathOf("out"));
  EXPECT_EQ(Restore({"--include", ""}).ExitCode, 2);
  for (const char* pattern : {"[abc", "x\\", "a//b", "[z-a]*", "[[:nope:]]*"}) {
    const ToolRun run = Restore({"--exclude", pattern});
    EXPECT_EQ(run.ExitCode, 2) << pattern;
    EXPECT_THAT(run.Stderr, HasSubstr("ostrel: pattern \"" + std::string(pattern) + "\""));
    EXPECT_FALSE(Exists("out/notes.txt")) << pattern;
  }
}

TEST_F(RestoreTest, SkipExistingLeavesOutputsAloneAndCountsThem) {
  WriteBackup();
  ASSERT_EQ(Restore({}).ExitCode, 0);
  Write("out/notes.txt", "edited since");
  std::filesystem::remove(PathOf("out/sub/a.txt"));

  const ToolRun run = Restore({"--skip-existing"});
  EXPECT_EQ(run.ExitCode, 0) << run.Stderr;
  EXPECT_EQ(Read("out/notes.txt"), "edited since");
  EXPECT_EQ(Read("out/sub/a.txt"), "sub a");
  EXPECT_THAT(run.Stderr, HasSubstr("2 existing outputs left alone"));
  EXPECT_EQ(Restore({"--skip-existing", "--force"}).ExitCode, 2);
}

TEST_F(RestoreTest, JsonComesInTreeOrderWhateverTheJobsAndSaysWhatHappened) {
  WriteBackup();
  const ToolRun one = Restore({"--json", "--dry-run", "-j", "1"});
  const ToolRun many = Restore({"--json", "--dry-run", "-j", "8"});
  EXPECT_EQ(one.Stdout, many.Stdout);

  std::istringstream lines(one.Stdout);
  std::vector<nlohmann::json> objects;
  for (std::string line; std::getline(lines, line);)
    objects.push_back(nlohmann::json::parse(line));
  std::vector<std::string> inputs;
  for (const nlohmann::json& object : objects)
    inputs.push_back(object["input"]);
  EXPECT_EQ(inputs, (std::vector<std::string>{
                        "backup/gone.d20230105-t101500.doc.1crypt",
                        "backup/gone.d20230106-t101500.doc.2crypt",
                        "backup/notes.d20240131-t120000.txt.2crypt",
                        "backup/notes.d20240201-t080000.txt.1crypt",
                        "backup/notes.txt.2crypt",
                        "backup/part.bin.s5000.incomplete.2crypt",
                        "backup/report.doc.s3000.zip.2crypt",
                        "backup/sub/a.txt.1crypt",
                    }));
  const nlohmann::json& version = objects[2];
  EXPECT_EQ(version["result"], "skipped");
  EXPECT_EQ(version["skipped_reason"], "version");
  EXPECT_EQ(version["version_stamp"], ".d20240131-t120000");
  const nlohmann::json& current = objects[4];
  EXPECT_EQ(current["result"], "dry-run");
  EXPECT_EQ(current["bytes"], 13);  // from the final block: the pass phrase was given
  EXPECT_EQ(current["method"], 2);
  EXPECT_EQ(current["version_stamp"], nullptr);
  const nlohmann::json& partial = objects[5];
  EXPECT_EQ(partial["skipped_reason"], "incomplete");
  EXPECT_EQ(partial["incomplete"], true);
  EXPECT_EQ(objects[7]["method"], 1);

  Write("backup/plain.txt", "not encrypted");
  const ToolRun plain = Restore({"--json", "--dry-run"});
  EXPECT_THAT(plain.Stdout, HasSubstr("\"input\":\"backup/plain.txt\",\"method\":null"));
}

TEST_F(RestoreTest, BadInputIsReportedPerFileAndTheRunGoesOn) {
  WriteEncrypted("t/a.txt.2crypt", EncryptionMethod::kRijndael, "a");
  WriteEncrypted("t/x.d20230230-t120000.txt.2crypt", EncryptionMethod::kRijndael, "no such day");
  WriteEncrypted("t/y.d$5F5E165-t000000.txt.2crypt", EncryptionMethod::kRijndael, "year 10000");
  // Two versions of one file with one time stamp: neither is the newer.
  WriteEncrypted("t/z.d20240101-t000000.txt.2crypt", EncryptionMethod::kRijndael, "z one");
  WriteEncrypted("t/z.D20240101-T000000.txt.s5.2crypt", EncryptionMethod::kRijndael, "z two");
  WriteEncrypted("t/.d20240131-t120000.2crypt", EncryptionMethod::kRijndael, "nameless");
  // "sub.2crypt" would be restored where the tree's directory "sub" goes.
  WriteEncrypted("t/sub.2crypt", EncryptionMethod::kRijndael, "a file named like a directory");
  WriteEncrypted("t/sub/b.txt.2crypt", EncryptionMethod::kRijndael, "b");

  const ToolRun run = OstrelKeyed({"decrypt", "-r", "t", "-o", "out", "--versions", "latest"});

  EXPECT_EQ(run.ExitCode, 1);
  EXPECT_EQ(Read("out/a.txt"), "a");
  EXPECT_THAT(run.Stderr, HasSubstr("''2023/2/30 12:0:0.0'' is not a valid date and time"));
  EXPECT_THAT(run.Stderr, HasSubstr("''10000/1/1 0:0:0.0'' is not a valid date and time"));
  EXPECT_THAT(run.Stderr, HasSubstr("t/.d20240131-t120000.2crypt: the name decodes to nothing"));
  EXPECT_THAT(run.Stderr, HasSubstr("a version with the same time stamp as "
                                    "t/z.D20240101-T000000.txt.s5.2crypt"));
  EXPECT_EQ(Read("out/z.txt"), "z two");
  EXPECT_THAT(run.Stderr, HasSubstr("t/sub.2crypt: output out/sub is a directory of the tree"));
  EXPECT_EQ(Read("out/sub/b.txt"), "b");
}

TEST_F(RestoreTest, OneOutputSpelledTwoWaysIsClaimedOnce) {
  WriteEncrypted("d/x.2crypt", EncryptionMethod::kRijndael, "first");
  WriteEncrypted("d/x.s6.2crypt", EncryptionMethod::kRijndael, "second");
  std::filesystem::create_directory_symlink("d", PathOf("link"));

  for (const std::vector<std::string>& inputs :
       {std::vector<std::string>{"d/x.2crypt", "./d/x.s6.2crypt"},
        std::vector<std::string>{"d/x.2crypt", "link/x.s6.2crypt"}}) {
    std::filesystem::remove(PathOf("d/x"));
    std::vector<std::string> arguments = {"decrypt", "--force"};
    arguments.insert(arguments.end(), inputs.begin(), inputs.end());
    const ToolRun run = OstrelKeyed(arguments);
    EXPECT_EQ(run.ExitCode, 1);
    EXPECT_EQ(Read("d/x"), "first");
    EXPECT_THAT(run.Stderr, HasSubstr("is also the output of d/x.2crypt"));
  }
}

TEST_F(RestoreTest, UsageErrorsNameTheProgramAndTheNearestCommand) {
  ToolRun run = Ostrel({"decrpyt", "x.2crypt"});
  EXPECT_EQ(run.ExitCode, 2);
  EXPECT_THAT(run.Stderr,
              HasSubstr("ostrel: unknown command \"decrpyt\"; did you mean \"decrypt\"?"));

  run = Ostrel({"decrypt", "--versions", "newest", "x"});
  EXPECT_EQ(run.ExitCode, 2);
  EXPECT_EQ(run.Stderr.rfind("ostrel: ", 0), 0U) << run.Stderr;

  run = Ostrel({"decrypt", "--help"});
  EXPECT_EQ(run.ExitCode, 0);
  for (const char* tag : {":UINT", ":NONNEGATIVE", "{1,2}", ":TEXT", " in [", ":{"})
    EXPECT_THAT(run.Stdout, Not(HasSubstr(tag))) << tag;
}

}  // namespace
}  // namespace ostrel::testing_support
