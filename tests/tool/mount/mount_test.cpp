// ostrel mount through a real FUSE mount: what shows, what reads, what is refused, and that
// unmounting leaves nothing behind.
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <map>
#include <random>
#include <sstream>
#include <thread>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "mount_fixture.h"
#include "support/process.h"

namespace ostrel::testing_support {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;

// errno of opening a mounted name with flags; 0 when it opened.
int OpenError(const std::string& path, int flags) {
  const int handle = ::open(path.c_str(), flags, 0644);
  if (handle < 0)
    return errno;
  ::close(handle);
  return 0;
}

std::string ReadRange(int handle, off_t offset, std::size_t count) {
  std::string bytes(count, '\0');
  const ssize_t got = ::pread(handle, bytes.data(), count, offset);
  bytes.resize(got < 0 ? 0 : static_cast<std::size_t>(got));
  return bytes;
}

// The nice value of every thread of the process, by thread id; a thread that ends meanwhile is
// left out.
std::map<std::string, int> ThreadNiceValues(pid_t process) {
  std::map<std::string, int> values;
  const std::filesystem::path tasks = "/proc/" + std::to_string(process) + "/task";
  for (const auto& task : std::filesystem::directory_iterator(tasks)) {
    std::ifstream statFile(task.path() / "stat");
    std::string stat;
    if (!std::getline(statFile, stat) || stat.rfind(')') == std::string::npos)
      continue;
    // The fields after the command's name, which ends with the last ")": state is field 3 and
    // nice field 19.
    std::istringstream fields(stat.substr(stat.rfind(')') + 1));
    std::string field;
    int number = 2;
    while (number < 19 && fields >> field)
      ++number;
    if (number == 19)
      values[task.path().filename().string()] = std::stoi(field);
  }
  return values;
}

// A copy of the encrypted file whose final block fails the check under the pass phrase.
std::string WithDamagedFinalBlock(EncryptionMethod method, std::string encrypted) {
  const int block = CipherMethodFor(method).BlockSize;
  for (int mask = 1; mask < 256; ++mask) {
    std::string damaged = encrypted;
    damaged.back() = static_cast<char>(damaged.back() ^ mask);
    if (FinalTailCount(method, damaged, kPassphrase) >= block)
      return damaged;
  }
  ADD_FAILURE() << "no damage found that the check sees";
  return encrypted;
}

TEST_F(MountTest, ShowsDecodedNamesExactSizesAndPlainBytesForEveryTailCountOfBothMethods) {
  std::vector<std::pair<std::string, std::string>> expected;  // mounted name, plain bytes
  for (const EncryptionMethod method :
       {EncryptionMethod::kTripleDes, EncryptionMethod::kRijndael}) {
    const int block = CipherMethodFor(method).BlockSize;
    for (int tail = 0; tail < block; ++tail) {
      const std::string plain = PatternBytes(static_cast<std::size_t>(3 * block + tail), tail);
      std::string stem = "m";
      stem += std::to_string(MethodNumber(method));
      stem += '-';
      stem += std::to_string(tail);
      WriteEncrypted("deep/er/" + stem + ".bin.s" + std::to_string(plain.size()) +
                         CipherMethodFor(method).Suffix,
                     method, plain);
      expected.emplace_back("deep/er/" + stem + ".bin", plain);
    }
  }
  WriteEncrypted("photo.jpg.s5.zip.1crypt", EncryptionMethod::kTripleDes, "zip!!");
  expected.emplace_back("photo.jpg.zip", "zip!!");
  WriteEncrypted("empty.txt.2crypt", EncryptionMethod::kRijndael, "");
  expected.emplace_back("empty.txt", "");
  WriteFileBytes(SourceOf("plain.txt"), "not encrypted");
  Mount();

  EXPECT_THAT(Listing(), ElementsAre("deep", "empty.txt", "photo.jpg.zip"));
  for (const auto& [name, plain] : expected) {
    SCOPED_TRACE(name);
    struct stat status {};
    ASSERT_EQ(::stat(MountedOf(name).c_str(), &status), 0);
    EXPECT_EQ(status.st_size, static_cast<off_t>(plain.size()));
    EXPECT_EQ(ReadFileBytes(MountedOf(name)), plain);
  }
  EXPECT_EQ(Unmount(), 0);
}

TEST_F(MountTest, ReadsAtAnyOffsetAndLengthGiveThePlainBytes) {
  const std::string large = PatternBytes(3 * 1024 * 1024 + 17, 5);
  const std::string small = PatternBytes(70001, 9);
  WriteEncrypted("large.bin.2crypt", EncryptionMethod::kRijndael, large);
  WriteEncrypted("small.bin.1crypt", EncryptionMethod::kTripleDes, small);
  Mount();
  std::mt19937_64 random(42);
  for (const auto& [name, plain] :
       {std::pair{std::string("large.bin"), large}, std::pair{std::string("small.bin"), small}}) {
    // O_DIRECT: every read reaches the mount, not the kernel's copy of an earlier one.
    const int handle = ::open(MountedOf(name).c_str(), O_RDONLY | O_DIRECT);
    ASSERT_GE(handle, 0) << name;
    for (int read = 0; read < 300; ++read) {
      const auto offset = static_cast<off_t>(random() % (plain.size() + 100));
      const auto count = static_cast<std::size_t>(random() % 300000);
      const std::string expected =
          static_cast<std::size_t>(offset) >= plain.size() ? "" : plain.substr(offset, count);
      ASSERT_EQ(ReadRange(handle, offset, count), expected)
          << name << " " << offset << "+" << count;
    }
    ::close(handle);
  }
}

// Readers going through a file find the pieces after their reads decrypted ahead, and two readers
// at once wait for a piece the other is decrypting instead of getting it twice or half made.
TEST_F(MountTest, ReadersGoingThroughAFileTogetherGetEveryByteOnce) {
  const std::string plain = PatternBytes(5 * 1024 * 1024 + 4099, 7);
  WriteEncrypted("through.bin.2crypt", EncryptionMethod::kRijndael, plain);
  Mount();
  const auto readThrough = [&](std::size_t step) {
    // O_DIRECT: every read reaches the mount in the steps given.
    const int handle = ::open(MountedOf("through.bin").c_str(), O_RDONLY | O_DIRECT);
    std::string read;
    for (std::string piece = ReadRange(handle, 0, step); !piece.empty();
         piece = ReadRange(handle, static_cast<off_t>(read.size()), step))
      read += piece;
    ::close(handle);
    return read;
  };
  std::string first;
  std::string second;
  std::thread other([&] { second = readThrough(128 * 1024); });
  first = readThrough(64 * 1024);
  other.join();
  EXPECT_TRUE(first == plain) << "first reader";
  EXPECT_TRUE(second == plain) << "second reader";
  EXPECT_EQ(Unmount(), 0);
}

// Mapping a file: privately always (as running a program does); shared only through the page
// cache, and refused plainly, not with wrong bytes, without it.
TEST_F(MountTest, FilesMapPrivatelyAlwaysAndSharedThroughThePageCache) {
  const std::string plain = PatternBytes(300 * 1024 + 5, 3);
  WriteEncrypted("mapped.bin.2crypt", EncryptionMethod::kRijndael, plain);
  for (const bool pageCache : {false, true}) {
    SCOPED_TRACE(pageCache ? "--page-cache" : "straight to the mount");
    ASSERT_NO_FATAL_FAILURE(
        Mount(pageCache ? std::vector<std::string>{"--page-cache"} : std::vector<std::string>{}));
    const int handle = ::open(MountedOf("mapped.bin").c_str(), O_RDONLY);
    ASSERT_GE(handle, 0);
    for (const int sharing : {MAP_PRIVATE, MAP_SHARED}) {
      SCOPED_TRACE(sharing == MAP_SHARED ? "shared" : "private");
      void* const map = ::mmap(nullptr, plain.size(), PROT_READ, sharing, handle, 0);
      if (sharing == MAP_SHARED && !pageCache) {
        EXPECT_EQ(map, MAP_FAILED);
        EXPECT_EQ(errno, ENODEV);
        continue;
      }
      ASSERT_NE(map, MAP_FAILED) << std::strerror(errno);
      EXPECT_TRUE(std::string(static_cast<const char*>(map), plain.size()) == plain);
      ::munmap(map, plain.size());
    }
    ::close(handle);
    EXPECT_EQ(Unmount(), 0);
  }
}

TEST_F(MountTest, ShowsCurrentCopiesLatestVersionsOrAllVersionsWithTheirStampTimes) {
  WriteEncrypted("notes.txt.2crypt", EncryptionMethod::kRijndael, "current");
  WriteEncrypted("notes.d20240131-t120000.txt.2crypt", EncryptionMethod::kRijndael, "january");
  WriteEncrypted("notes.d20240201-t080000.txt.s8.2crypt", EncryptionMethod::kRijndael, "february");
  WriteEncrypted("gone.d20230101-t000000.txt.1crypt", EncryptionMethod::kTripleDes, "old");
  WriteEncrypted("gone.d20230505-t101010.txt.2crypt", EncryptionMethod::kRijndael, "newest");
  // Two versions with one stamp: neither is the newer.
  WriteEncrypted("tie.d20240104-t000000.txt.2crypt", EncryptionMethod::kRijndael, "one");
  WriteEncrypted("tie.d20240104-t000000.txt.s3.2crypt", EncryptionMethod::kRijndael, "two");
  struct Case {
    std::string Versions;
    std::vector<std::pair<std::string, std::string>> Shown;  // name, contents
  };
  const std::vector<Case> cases = {
      {"current", {{"notes.txt", "current"}}},
      // Of two versions with one stamp, the one a restore takes: the first in name order.
      {"latest", {{"gone.txt", "newest"}, {"notes.txt", "current"}, {"tie.txt", "one"}}},
      {"all",
       {{"gone.d20230101-t000000.txt", "old"},
        {"gone.d20230505-t101010.txt", "newest"},
        {"notes.d20240131-t120000.txt", "january"},
        {"notes.d20240201-t080000.txt", "february"},
        {"notes.txt", "current"},
        {"tie.d20240104-t000000.txt", "one"}}},
  };
  for (const Case& test : cases) {
    SCOPED_TRACE(test.Versions);
    Mount({"--versions", test.Versions});
    std::vector<std::string> names;
    for (const auto& [name, contents] : test.Shown) {
      names.push_back(name);
      EXPECT_EQ(ReadFileBytes(MountedOf(name)), contents) << name;
    }
    EXPECT_EQ(Listing(), names);
    struct stat status {};
    ASSERT_EQ(
        ::stat(
            MountedOf(test.Versions == "all" ? "gone.d20230505-t101010.txt" : "notes.txt").c_str(),
            &status),
        0);
    if (test.Versions == "all") {
      std::tm stamp{};
      stamp.tm_year = 2023 - 1900;
      stamp.tm_mon = 4;
      stamp.tm_mday = 5;
      stamp.tm_hour = 10;
      stamp.tm_min = 10;
      stamp.tm_sec = 10;
      EXPECT_EQ(status.st_mtime, timegm(&stamp));
    } else {
      struct stat encrypted {};
      ASSERT_EQ(::stat(SourceOf("notes.txt.2crypt").c_str(), &encrypted), 0);
      EXPECT_EQ(status.st_mtime, encrypted.st_mtime) << "no stamp: the encrypted file's time";
    }
    EXPECT_EQ(Unmount(), 0);
  }
}

// A directory larger than one reply of the kernel's is listed in pieces: every entry comes once,
// with the size its own final block gives, however the pieces fall.
TEST_F(MountTest, AHugeDirectoryListsEveryEntryOnceWithItsOwnSize) {
  constexpr int kFiles = 700;
  std::vector<std::string> contents;
  for (int length = 0; length < 7; ++length)
    contents.push_back(EncryptWithLibrary(EncryptionMethod::kRijndael,
                                          PatternBytes(static_cast<std::size_t>(100 + length)),
                                          kPassphrase));
  std::filesystem::create_directories(SourceOf("huge"));
  std::map<std::string, std::uintmax_t> expected;
  for (int file = 0; file < kFiles; ++file) {
    const std::string name = "file-with-a-longer-name-" + std::to_string(file) + ".txt";
    WriteFileBytes(SourceOf("huge/" + name + ".2crypt"), contents[file % 7]);
    expected[name] = 100U + static_cast<unsigned>(file % 7);
  }
  Mount();
  for (int pass = 0; pass < 2; ++pass) {
    std::map<std::string, std::uintmax_t> listed;
    for (const auto& entry : std::filesystem::directory_iterator(MountedOf("huge")))
      EXPECT_TRUE(listed.emplace(entry.path().filename().string(), entry.file_size()).second)
          << entry.path();
    EXPECT_TRUE(listed == expected) << "pass " << pass << ": " << listed.size() << " entries";
  }
  EXPECT_EQ(Unmount(), 0);
}

// The resident memory of the process, in KiB.
int64_t ResidentKiB(pid_t process) {
  std::ifstream status("/proc/" + std::to_string(process) + "/status");
  std::string line;
  while (std::getline(status, line)) {
    if (line.rfind("VmRSS:", 0) == 0)
      return std::stoll(line.substr(6));
  }
  ADD_FAILURE() << "no VmRSS for process " << process;
  return 0;
}

// Listing a large directory again and again, as "ls -l" in a loop or a file manager does, gives
// back what each listing took: what the mount keeps is the listing for look-ups and each file's
// plain length, a few hundred bytes an entry, however often the directory is listed.
TEST_F(MountTest, ListingALargeDirectoryAgainAndAgainKeepsMemoryBounded) {
#ifdef __SANITIZE_ADDRESS__
  GTEST_SKIP() << "the sanitizer's allocator holds freed memory back on purpose";
#endif
  constexpr int64_t kFiles = 10000;
  constexpr int64_t kBoundBytesPerEntry = 1536;
  const std::string encrypted = EncryptWithLibrary(EncryptionMethod::kRijndael, "x", kPassphrase);
  std::filesystem::create_directories(SourceOf("large"));
  for (int64_t file = 0; file < kFiles; ++file)
    WriteFileBytes(
        SourceOf("large/file-with-a-longer-name-" + std::to_string(file) + ".txt.2crypt"),
        encrypted);
  Mount();
  const int64_t mounted = ResidentKiB(mount_->Pid());
  int64_t mostGrown = 0;
  for (int pass = 0; pass < 6; ++pass) {
    int64_t listed = 0;
    for (const auto& entry : std::filesystem::directory_iterator(MountedOf("large"))) {
      EXPECT_EQ(entry.file_size(), 1U);
      ++listed;
    }
    ASSERT_EQ(listed, kFiles);
    mostGrown = std::max(mostGrown, ResidentKiB(mount_->Pid()) - mounted);
  }
  EXPECT_LT(mostGrown * 1024, kFiles * kBoundBytesPerEntry)
      << mostGrown << " KiB more than mounted";
  EXPECT_EQ(Unmount(), 0);
}

TEST_F(MountTest, AWrongPassphraseIsRefusedAndNothingIsMounted) {
  const std::string encrypted = EncryptWithLibrary(EncryptionMethod::kRijndael, "x", kPassphrase);
  WriteFileBytes(SourceOf("a.txt.2crypt"), encrypted);
  WriteFileBytes(SourceOf("b.txt.2crypt"), encrypted);
  // Files that no pass phrase opens or fails: they must not count as opened.
  WriteFileBytes(SourceOf("empty.txt.2crypt"), "");
  WriteFileBytes(SourceOf("cut.txt.2crypt"), encrypted.substr(0, 5));
  WriteFileBytes(SourceOf("cut3.txt.1crypt"),
                 EncryptWithLibrary(EncryptionMethod::kTripleDes, "tail", kPassphrase) + "xyz");
  const ToolRun run =
      Ostrel({"mount", "--passphrase-env", "OSTREL_PW", PathOf("source"), PathOf("mnt")}, {},
             PassphraseFailingTailCheck(EncryptionMethod::kRijndael, encrypted));
  EXPECT_EQ(run.ExitCode, 3);
  EXPECT_THAT(run.Stderr, HasSubstr("opens 0 of 2 files tried; nothing was mounted"));
  EXPECT_THAT(run.Stderr, HasSubstr("does not open: a.txt.2crypt, b.txt.2crypt\n"));
  EXPECT_FALSE(IsMounted());
}

TEST_F(MountTest, ADamagedFileFailsWithAnIoErrorWhileTheRestReads) {
  WriteEncrypted("good.txt.2crypt", EncryptionMethod::kRijndael, "good");
  WriteEncrypted("fine.txt.1crypt", EncryptionMethod::kTripleDes, "fine");
  WriteFileBytes(SourceOf("bad.txt.2crypt"),
                 WithDamagedFinalBlock(EncryptionMethod::kRijndael,
                                       EncryptWithLibrary(EncryptionMethod::kRijndael,
                                                          PatternBytes(100), kPassphrase)));
  Mount();
  EXPECT_THAT(Listing(), ElementsAre("bad.txt", "fine.txt", "good.txt"));
  EXPECT_EQ(OpenError(MountedOf("bad.txt"), O_RDONLY), EIO);
  EXPECT_EQ(ReadFileBytes(MountedOf("good.txt")), "good");
  EXPECT_EQ(ReadFileBytes(MountedOf("fine.txt")), "fine");
  EXPECT_EQ(Unmount(), 0);
  EXPECT_THAT(Log(), HasSubstr("1 of the 3 files tried are damaged"));
  EXPECT_THAT(Log(), HasSubstr("such files fail to read: bad.txt.2crypt\n"));
  EXPECT_THAT(Log(), HasSubstr("bad.txt.2crypt: wrong pass phrase or damaged file"));
}

// A program that has a file open while it is rewritten below the source, with a final block that
// no longer opens, gets an I/O error from then on, never an early end of the file: a copy would
// otherwise end short without a word.
TEST_F(MountTest, AFileRewrittenWhileOpenWithAFinalBlockThatNoLongerOpensFailsToRead) {
  const std::string plain = PatternBytes(300 * 1024 + 5, 1);
  WriteEncrypted("f.bin.2crypt", EncryptionMethod::kRijndael, plain);
  Mount();
  // O_DIRECT: every read reaches the mount.
  const int handle = ::open(MountedOf("f.bin").c_str(), O_RDONLY | O_DIRECT);
  ASSERT_GE(handle, 0);
  ASSERT_EQ(ReadRange(handle, 0, 4096), plain.substr(0, 4096));
  // Rewritten in place, the same file: longer, then shorter than it was.
  for (const std::size_t length : {plain.size() + 100, std::size_t{4000}}) {
    SCOPED_TRACE(length);
    std::ofstream rewritten(SourceOf("f.bin.2crypt"), std::ios::binary | std::ios::trunc);
    rewritten << WithDamagedFinalBlock(
        EncryptionMethod::kRijndael,
        EncryptWithLibrary(EncryptionMethod::kRijndael, PatternBytes(length, 2), kPassphrase));
    rewritten.close();
    for (const off_t offset : {off_t{0}, off_t{3000}, static_cast<off_t>(plain.size() - 5)}) {
      std::string buffer(8192, '\0');
      errno = 0;
      const ssize_t got = ::pread(handle, buffer.data(), buffer.size(), offset);
      EXPECT_EQ(got, -1) << "at " << offset;
      EXPECT_EQ(errno, EIO) << "at " << offset;
    }
  }
  ::close(handle);
  EXPECT_EQ(Unmount(), 0);
}

// A FIFO put where an encrypted file was must not hold the mount's threads: opening its name
// fails at once, for more programs at a time than the mount has threads, and the mount goes on
// answering.
TEST_F(MountTest, AFifoInPlaceOfAFileFailsAtOnceAndTheMountStaysResponsive) {
  WriteEncrypted("a.txt.2crypt", EncryptionMethod::kRijndael, "a");
  WriteEncrypted("b.txt.2crypt", EncryptionMethod::kRijndael, "b");
  Mount();
  // The kernel and the mount now know a.txt as a file, for a while.
  EXPECT_THAT(Listing(), ElementsAre("a.txt", "b.txt"));
  std::filesystem::remove(SourceOf("a.txt.2crypt"));
  ASSERT_EQ(::mkfifo(SourceOf("a.txt.2crypt").c_str(), 0644), 0);
  constexpr int kReaders = 16;
  std::vector<std::shared_ptr<std::atomic<int>>> errors;  // -1 until the open returned
  std::vector<std::thread> readers;
  for (int reader = 0; reader < kReaders; ++reader) {
    errors.push_back(std::make_shared<std::atomic<int>>(-1));
    readers.emplace_back(
        [path = MountedOf("a.txt"), error = errors.back()] { *error = OpenError(path, O_RDONLY); });
  }
  const auto returned = [&] {
    return std::all_of(errors.begin(), errors.end(), [](const auto& error) { return *error >= 0; });
  };
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
  while (!returned() && std::chrono::steady_clock::now() < deadline)
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  int writer = -1;
  if (!returned()) {
    ADD_FAILURE() << "opening the FIFO's name waits for a writer";
    // A writer, kept until every reader is back, lets the waiting threads go and the test end.
    writer = ::open(SourceOf("a.txt.2crypt").c_str(), O_RDWR);
  }
  for (std::thread& reader : readers)
    reader.join();
  if (writer >= 0)
    ::close(writer);
  for (const auto& error : errors)
    EXPECT_THAT(error->load(), ::testing::AnyOf(ENOENT, EIO));
  EXPECT_THAT(Listing(), ElementsAre("b.txt"));
  EXPECT_EQ(ReadFileBytes(MountedOf("b.txt")), "b");
  EXPECT_EQ(Unmount(), 0);
}

// A directory of the source replaced by a link while mounted: nothing outside the source is shown
// or read through it, however recently the mount listed the directory.
TEST_F(MountTest, ADirectoryReplacedByALinkLeadsNowhere) {
  WriteEncrypted("sub/x.txt.2crypt", EncryptionMethod::kRijndael, "inside");
  std::filesystem::create_directory(PathOf("outside"));
  WriteFileBytes(
      PathOf("outside/x.txt.2crypt"),
      EncryptWithLibrary(EncryptionMethod::kRijndael, "outside the source", kPassphrase));
  Mount();
  ASSERT_EQ(ReadFileBytes(MountedOf("sub/x.txt")), "inside");
  std::filesystem::rename(SourceOf("sub"), PathOf("moved"));
  std::filesystem::create_directory_symlink(PathOf("outside"), SourceOf("sub"));
  // The kernel may still answer from what it kept of the file inside; never with the outside's.
  struct stat status {};
  if (::stat(MountedOf("sub/x.txt").c_str(), &status) == 0) {
    EXPECT_EQ(status.st_size, 6) << "the size of the file outside the source";
  }
  const int handle = ::open(MountedOf("sub/x.txt").c_str(), O_RDONLY);
  EXPECT_LT(handle, 0);
  if (handle >= 0) {
    EXPECT_EQ(ReadRange(handle, 0, 100), "") << "read from outside the source";
    ::close(handle);
  }
  EXPECT_EQ(Unmount(), 0);
}

// With --allow-other any user may enter the mount: the source's owner, group and permission bits
// then keep from others what the source keeps from them.
TEST_F(MountTest, OtherUsersAreRefusedWhatTheSourceRefusesThem) {
  WriteEncrypted("open.txt.2crypt", EncryptionMethod::kRijndael, "for everyone");
  WriteEncrypted("private.txt.2crypt", EncryptionMethod::kRijndael, "owner only");
  WriteEncrypted("closed/inside.txt.2crypt", EncryptionMethod::kRijndael, "behind a closed door");
  using std::filesystem::perms;
  std::filesystem::permissions(PathOf(""), static_cast<perms>(0755));
  std::filesystem::permissions(PathOf("mnt"), static_cast<perms>(0755));
  std::filesystem::permissions(SourceOf(""), static_cast<perms>(0755));
  std::filesystem::permissions(SourceOf("open.txt.2crypt"), static_cast<perms>(0644));
  std::filesystem::permissions(SourceOf("private.txt.2crypt"), static_cast<perms>(0600));
  std::filesystem::permissions(SourceOf("closed"), static_cast<perms>(0700));
  std::filesystem::permissions(SourceOf("closed/inside.txt.2crypt"), static_cast<perms>(0644));
  Mount({"--allow-other"});
  struct stat source {};
  struct stat shown {};
  ASSERT_EQ(::stat(SourceOf("private.txt.2crypt").c_str(), &source), 0);
  ASSERT_EQ(::stat(MountedOf("private.txt").c_str(), &shown), 0);
  EXPECT_EQ(shown.st_uid, source.st_uid);
  EXPECT_EQ(shown.st_gid, source.st_gid);
  EXPECT_EQ(shown.st_mode & 07777, 0600U);
  const auto catAsNobody = [&](const std::string& name) {
    return RunProcess("/usr/bin/setpriv", {"--reuid=nobody", "--regid=nogroup", "--clear-groups",
                                           "/bin/cat", MountedOf(name)});
  };
  const ProcessResult open = catAsNobody("open.txt");
  EXPECT_EQ(open.ExitCode, 0) << open.Stderr;
  EXPECT_EQ(open.Stdout, "for everyone");
  for (const std::string name : {"private.txt", "closed/inside.txt"}) {
    SCOPED_TRACE(name);
    const ProcessResult refused = catAsNobody(name);
    EXPECT_NE(refused.ExitCode, 0);
    EXPECT_THAT(refused.Stderr, HasSubstr("Permission denied"));
    EXPECT_EQ(refused.Stdout, "");
  }
  EXPECT_EQ(Unmount(), 0);
}

// Every signal that ends the program and can be caught unmounts first, as SIGINT does: none may
// leave a dead mount point behind ("Transport endpoint is not connected").
TEST_F(MountTest, EveryCatchableEndingSignalUnmounts) {
  WriteEncrypted("a.txt.2crypt", EncryptionMethod::kRijndael, "a");
  for (const int signal :
       {SIGQUIT, SIGUSR1, SIGUSR2, SIGALRM, SIGXCPU, SIGPROF, SIGVTALRM, SIGIO, SIGPWR, SIGSYS,
        SIGRTMIN, SIGRTMIN + 3, SIGRTMAX, SIGABRT, SIGSEGV, SIGBUS}) {
    SCOPED_TRACE(::strsignal(signal));
    ASSERT_NO_FATAL_FAILURE(Mount());
    // Served: the handlers are in place.
    ASSERT_EQ(ReadFileBytes(MountedOf("a.txt")), "a");
    mount_->Signal(signal);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (!mount_->HasEnded() && std::chrono::steady_clock::now() < deadline)
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    ASSERT_TRUE(mount_->HasEnded());
    mount_->Wait();
    mount_.reset();
    EXPECT_FALSE(IsMounted());
    if (IsMounted())
      RunProcess("/bin/fusermount3", {"-uz", PathOf("mnt")});
  }
}

TEST_F(MountTest, EveryKindOfWriteIsRefusedAsReadOnly) {
  WriteEncrypted("dir/a.txt.2crypt", EncryptionMethod::kRijndael, "a");
  Mount();
  EXPECT_EQ(OpenError(MountedOf("dir/a.txt"), O_WRONLY), EROFS);
  EXPECT_EQ(OpenError(MountedOf("dir/a.txt"), O_RDWR), EROFS);
  EXPECT_EQ(OpenError(MountedOf("dir/a.txt"), O_RDONLY | O_TRUNC), EROFS);
  EXPECT_EQ(OpenError(MountedOf("dir/new.txt"), O_WRONLY | O_CREAT), EROFS);
  const auto fails = [](int result) { return result != 0 ? errno : 0; };
  EXPECT_EQ(fails(::mkdir(MountedOf("new").c_str(), 0755)), EROFS);
  EXPECT_EQ(fails(::unlink(MountedOf("dir/a.txt").c_str())), EROFS);
  EXPECT_EQ(fails(::rmdir(MountedOf("dir").c_str())), EROFS);
  EXPECT_EQ(fails(::rename(MountedOf("dir/a.txt").c_str(), MountedOf("dir/b.txt").c_str())), EROFS);
  EXPECT_EQ(fails(::truncate(MountedOf("dir/a.txt").c_str(), 0)), EROFS);
  EXPECT_EQ(fails(::chmod(MountedOf("dir/a.txt").c_str(), 0777)), EROFS);
  EXPECT_EQ(fails(::symlink("x", MountedOf("link").c_str())), EROFS);
  EXPECT_EQ(ReadFileBytes(SourceOf("dir/a.txt.2crypt")),
            EncryptWithLibrary(EncryptionMethod::kRijndael, "a", kPassphrase));
  EXPECT_EQ(Unmount(), 0);
}

// Of two entries shown under one name, the one a restore takes is shown, the other left out.
TEST_F(MountTest, NamesThatCannotBeShownTruthfullyAreLeftOutAndLogged) {
  WriteEncrypted("a.txt.2crypt", EncryptionMethod::kRijndael, "one");
  WriteEncrypted("a.txt.s3.2crypt", EncryptionMethod::kRijndael, "two");
  WriteEncrypted("feb.d20230230-t000000.txt.2crypt", EncryptionMethod::kRijndael, "no day");
  WriteEncrypted("caf\xe9.txt.2crypt", EncryptionMethod::kRijndael, "latin-1 name");
  WriteEncrypted("kept.txt.2crypt", EncryptionMethod::kRijndael, "kept");
  std::filesystem::create_symlink(SourceOf("kept.txt.2crypt"), SourceOf("link.txt.2crypt"));
  WriteFileBytes(SourceOf("readme"), "plain");
  Mount({"--show-plain"});
  EXPECT_THAT(Listing(), ElementsAre("a.txt", "caf\xe9.txt", "kept.txt", "readme"));
  EXPECT_EQ(ReadFileBytes(MountedOf("a.txt")), "one");
  EXPECT_EQ(ReadFileBytes(MountedOf("caf\xe9.txt")), "latin-1 name");
  EXPECT_EQ(ReadFileBytes(MountedOf("readme")), "plain");
  EXPECT_EQ(Unmount(), 0);
  const std::string log = Log();
  EXPECT_THAT(log,
              HasSubstr("left out a.txt.s3.2crypt: shares the name \"a.txt\" with a.txt.2crypt"));
  EXPECT_THAT(log, HasSubstr("left out link.txt.2crypt: not a regular file"));
  EXPECT_THAT(log, HasSubstr("left out feb.d20230230-t000000.txt.2crypt"));
}

// A name that decodes to nothing is left out wherever it lies: among the files sampled before
// mounting, and in a directory listed only once mounted; the mount keeps serving.
TEST_F(MountTest, ANameThatDecodesToNothingIsLeftOutAndTheMountGoesOn) {
  WriteEncrypted(".2crypt", EncryptionMethod::kRijndael, "sampled");
  for (int file = 0; file < 80; ++file) {
    std::string name = "f";
    name += std::to_string(file);
    name += ".txt.2crypt";
    WriteEncrypted(name, EncryptionMethod::kRijndael, "f");
  }
  WriteEncrypted("z/y/.2crypt", EncryptionMethod::kRijndael, "nameless");
  WriteEncrypted("z/y/kept.txt.2crypt", EncryptionMethod::kRijndael, "kept");
  Mount();
  EXPECT_THAT(Listing("z/y"), ElementsAre("kept.txt"));
  EXPECT_EQ(ReadFileBytes(MountedOf("z/y/kept.txt")), "kept");
  EXPECT_EQ(Listing().size(), 81U);
  EXPECT_EQ(Unmount(), 0);
  EXPECT_THAT(Log(), HasSubstr("left out .2crypt: the name decodes to nothing"));
  EXPECT_THAT(Log(), HasSubstr("left out z/y/.2crypt: the name decodes to nothing"));
}

// An incomplete transfer is left out as a restore leaves it out, with the option that shows it;
// a folder that shows nothing because all it holds are versions says so in the log.
TEST_F(MountTest, IncompleteTransfersAndVersionsAreLeftOutWithTheOptionThatShowsThem) {
  WriteEncrypted("part.bin.s5000.incomplete.2crypt", EncryptionMethod::kRijndael, "cut sh");
  WriteEncrypted("whole.bin.2crypt", EncryptionMethod::kRijndael, "whole");
  WriteEncrypted("old/a.d20240101-t000000.txt.2crypt", EncryptionMethod::kRijndael, "a");
  WriteEncrypted("old/b.d20240102-t000000.txt.2crypt", EncryptionMethod::kRijndael, "b");
  Mount();
  EXPECT_THAT(Listing(), ElementsAre("old", "whole.bin"));
  EXPECT_THAT(Listing("old"), ElementsAre());
  EXPECT_EQ(Unmount(), 0);
  EXPECT_THAT(Log(),
              HasSubstr("left out part.bin.s5000.incomplete.2crypt: an incomplete transfer"));
  EXPECT_THAT(Log(), HasSubstr("old shows no file: 2 files there exist only as earlier versions "
                               "(--versions latest"));

  Mount({"--include-incomplete", "--versions", "latest"});
  EXPECT_THAT(Listing(), ElementsAre("old", "part.bin", "whole.bin"));
  EXPECT_EQ(ReadFileBytes(MountedOf("part.bin")), "cut sh");
  EXPECT_THAT(Listing("old"), ElementsAre("a.txt", "b.txt"));
  EXPECT_EQ(Unmount(), 0);
}

// Copied out of the mount, files and directories keep the modes the backup has, write bits and
// all, and "du" counts the plain bytes; the mount itself stays read-only.
TEST_F(MountTest, ModesKeepTheirWriteBitsAndBlockCountsFollowThePlainSize) {
  const std::string plain = PatternBytes(20000, 4);
  WriteEncrypted("dir/big.bin.s20000.2crypt", EncryptionMethod::kRijndael, plain);
  using std::filesystem::perms;
  std::filesystem::permissions(SourceOf("dir"), static_cast<perms>(0750));
  std::filesystem::permissions(SourceOf("dir/big.bin.s20000.2crypt"), static_cast<perms>(0640));
  Mount();
  struct stat file {};
  struct stat directory {};
  ASSERT_EQ(::stat(MountedOf("dir/big.bin").c_str(), &file), 0);
  ASSERT_EQ(::stat(MountedOf("dir").c_str(), &directory), 0);
  EXPECT_EQ(file.st_mode & 07777, 0640U);
  EXPECT_EQ(directory.st_mode & 07777, 0750U);
  EXPECT_EQ(file.st_blocks, (20000 + 511) / 512);
  EXPECT_EQ(OpenError(MountedOf("dir/big.bin"), O_WRONLY), EROFS);
  const ProcessResult copied = RunProcess("/bin/cp", {"-rp", MountedOf("dir"), PathOf("copy")});
  EXPECT_EQ(copied.ExitCode, 0) << copied.Stderr;
  struct stat copy {};
  ASSERT_EQ(::stat(PathOf("copy/big.bin").c_str(), &copy), 0);
  EXPECT_EQ(copy.st_mode & 07777, 0640U);
  EXPECT_EQ(ReadFileBytes(PathOf("copy/big.bin")), plain);
  EXPECT_EQ(Unmount(), 0);
}

TEST_F(MountTest, ChangesBelowTheSourceShowOnceListedAgainAndAVanishedSourceFailsCleanly) {
  WriteEncrypted("grow.txt.2crypt", EncryptionMethod::kRijndael, "short");
  WriteEncrypted("sub/old.txt.2crypt", EncryptionMethod::kRijndael, "old");
  Mount();
  EXPECT_EQ(ReadFileBytes(MountedOf("grow.txt")), "short");
  // Listing the root makes the listing of sub ahead of time; it must not outlive a change.
  EXPECT_THAT(Listing(), ElementsAre("grow.txt", "sub"));
  WriteEncrypted("grow.txt.2crypt", EncryptionMethod::kRijndael, "rather longer now");
  WriteEncrypted("new.txt.2crypt", EncryptionMethod::kRijndael, "new");
  WriteEncrypted("sub/old.txt.2crypt", EncryptionMethod::kRijndael, "old, now longer");
  WriteEncrypted("sub/added.txt.2crypt", EncryptionMethod::kRijndael, "added");
  // Attributes are kept by the kernel for a second.
  std::this_thread::sleep_for(std::chrono::milliseconds(1200));
  EXPECT_THAT(Listing("sub"), ElementsAre("added.txt", "old.txt"));
  EXPECT_EQ(std::filesystem::file_size(MountedOf("sub/old.txt")), 15U);
  EXPECT_THAT(Listing(), ElementsAre("grow.txt", "new.txt", "sub"));
  EXPECT_EQ(ReadFileBytes(MountedOf("grow.txt")), "rather longer now");
  EXPECT_EQ(std::filesystem::file_size(MountedOf("grow.txt")), 17U);

  std::filesystem::remove_all(PathOf("source"));
  std::this_thread::sleep_for(std::chrono::milliseconds(1200));
  EXPECT_THAT(Listing(), ElementsAre());
  EXPECT_EQ(Unmount(), 0);
}

TEST_F(MountTest, ListingsMadeAheadRunAtTheLowestPriority) {
  for (const std::string directory : {"a", "b", "c"})
    WriteEncrypted(directory + "/file.txt.2crypt", EncryptionMethod::kRijndael, directory);
  Mount();
  // Listing the root makes the listings of its subdirectories ahead, on threads of their own.
  EXPECT_THAT(Listing(), ElementsAre("a", "b", "c"));
  // Relative to the priority the mount started with (its parent's, which may itself run niced):
  // the serving thread keeps it, the threads that work ahead take the lowest there is.
  errno = 0;
  const int own = ::getpriority(PRIO_PROCESS, 0);
  ASSERT_EQ(errno, 0);
  const auto lowest = [](const auto& item) { return item.second == 19; };
  std::map<std::string, int> nice = ThreadNiceValues(mount_->Pid());
  for (int tries = 0; tries < 100 && std::none_of(nice.begin(), nice.end(), lowest); ++tries) {
    std::this_thread::sleep_for(std::chrono::milliseconds(20));  // the threads are just starting
    nice = ThreadNiceValues(mount_->Pid());
  }
  EXPECT_TRUE(std::any_of(nice.begin(), nice.end(), lowest)) << "no thread at the lowest priority";
  EXPECT_EQ(nice.at(std::to_string(mount_->Pid())), own) << "the thread that serves requests";
  EXPECT_EQ(ReadFileBytes(MountedOf("b/file.txt")), "b");
  EXPECT_EQ(Unmount(), 0);
}

TEST_F(MountTest, UnmountingEndsTheProgramWithStatusZeroInTheForegroundAndTheBackground) {
  WriteEncrypted("a.txt.2crypt", EncryptionMethod::kRijndael, "a");
  Mount();
  mount_->Signal(SIGINT);
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
  while (!mount_->HasEnded() && std::chrono::steady_clock::now() < deadline)
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  ASSERT_TRUE(mount_->HasEnded());
  EXPECT_EQ(mount_->Wait().ExitCode, 0);
  EXPECT_FALSE(IsMounted());
  mount_.reset();

  // In the background the command returns once mounted; the server it leaves ends at the unmount.
  const ToolRun started = OstrelKeyed({"mount", PathOf("source"), PathOf("mnt")});
  ASSERT_EQ(started.ExitCode, 0) << started.Stderr;
  ASSERT_TRUE(IsMounted());
  EXPECT_EQ(ReadFileBytes(MountedOf("a.txt")), "a");
  const auto serversOfThisMount = [&] {
    int servers = 0;
    for (const auto& process : std::filesystem::directory_iterator("/proc")) {
      std::string commandLine;
      try {
        commandLine = ReadFileBytes(process.path() / "cmdline");
      } catch (...) {
        continue;  // ended meanwhile, or not a process
      }
      if (commandLine.find(PathOf("mnt")) != std::string::npos &&
          commandLine.find("mount") != std::string::npos)
        ++servers;
    }
    return servers;
  };
  EXPECT_EQ(serversOfThisMount(), 1);
  ASSERT_EQ(RunProcess("/bin/fusermount3", {"-u", PathOf("mnt")}).ExitCode, 0);
  const auto ended = std::chrono::steady_clock::now() + std::chrono::seconds(20);
  while (serversOfThisMount() != 0 && std::chrono::steady_clock::now() < ended)
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  EXPECT_EQ(serversOfThisMount(), 0);
}

TEST_F(MountTest, AMountPointThatIsNotAnEmptyDirectoryIsRefusedClearly) {
  WriteEncrypted("a.txt.2crypt", EncryptionMethod::kRijndael, "a");
  WriteFileBytes(PathOf("file"), "x");
  WriteFileBytes(PathOf("mnt/occupied"), "x");
  struct Case {
    std::string MountPoint;
    std::string Message;
  };
  // A mount inside the tree it shows would serve its own requests: reading below it would wait
  // for ever.
  std::filesystem::create_directory(SourceOf("view"));
  std::filesystem::create_directory(SourceOf("deeper"));
  std::filesystem::create_directory(SourceOf("deeper/view"));
  std::filesystem::create_directory_symlink(SourceOf("deeper"), PathOf("spelled-otherwise"));
  for (const Case& test :
       {Case{PathOf("file"), "the mount point is not a directory"},
        Case{PathOf("mnt"), "the mount point is not empty"},
        Case{PathOf("missing"), "No such file or directory"},
        Case{SourceOf("view"), "the mount point lies inside the source"},
        Case{PathOf("spelled-otherwise/view"), "the mount point lies inside the source"}}) {
    const ToolRun run = OstrelKeyed({"mount", PathOf("source"), test.MountPoint});
    EXPECT_EQ(run.ExitCode, 2) << test.MountPoint;
    EXPECT_THAT(run.Stderr, HasSubstr(test.Message));
    if (MountTableHas(test.MountPoint)) {
      ADD_FAILURE() << "mounted at " << test.MountPoint;
      // Detached before anything walks the tree into it and waits for ever.
      RunProcess("/bin/fusermount3", {"-uz", test.MountPoint});
    }
  }
  // The source as its own mount point, an empty one, lies inside the mount point.
  std::filesystem::create_directory(PathOf("bare"));
  const ToolRun run = OstrelKeyed({"mount", PathOf("bare"), PathOf("bare")});
  EXPECT_EQ(run.ExitCode, 2);
  EXPECT_THAT(run.Stderr, HasSubstr("lies inside"));
  if (MountTableHas(PathOf("bare"))) {
    ADD_FAILURE() << "mounted over itself";
    RunProcess("/bin/fusermount3", {"-uz", PathOf("bare")});
  }
  EXPECT_FALSE(IsMounted());
}

}  // namespace
}  // namespace ostrel::testing_support
