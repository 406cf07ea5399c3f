#include "cipher/wide_file_stream.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <functional>
#include <string>

#include "errors/exceptions.h"
#include "platform/text_conversion.h"
#include "support/raised_message.h"
#include "support/temporary_directory.h"

namespace ostrel {
namespace {

namespace fs = std::filesystem;
using testing_support::MessageOf;
using testing_support::ReadFileBytes;
using testing_support::TemporaryDirectory;
using testing_support::WriteFileBytes;

std::u16string Wide(const std::string& path) {
  return WidenSystemText(path);
}

std::string ReadAll(TWideFileStream& stream) {
  std::string bytes(static_cast<std::size_t>(stream.Size()), '\0');
  stream.SetPosition(0);
  EXPECT_EQ(stream.Read(bytes.data(), static_cast<int32_t>(bytes.size())),
            static_cast<int32_t>(bytes.size()));
  return bytes;
}

class WideFileStreamTest : public ::testing::Test {
 protected:
  TemporaryDirectory dir_;
};

TEST_F(WideFileStreamTest, ReadsWritesAndSeeksStraightOnTheFile) {
  const std::string path = dir_ / "data.bin";
  TWideFileStream stream(Wide(path), fmCreate);
  EXPECT_EQ(stream.Size(), 0);
  EXPECT_EQ(stream.Write("0123456789", 10), 10);
  EXPECT_EQ(stream.Size(), 10);
  EXPECT_EQ(stream.Position(), 10);
  EXPECT_EQ(ReadFileBytes(path), "0123456789");  // nothing held back in a buffer

  stream.SetPosition(3);
  char buffer[16] = {};
  EXPECT_EQ(stream.Read(buffer, 4), 4);
  EXPECT_EQ(std::string(buffer, 4), "3456");
  EXPECT_EQ(stream.Position(), 7);
  EXPECT_EQ(stream.Read(buffer, 16), 3);  // only what is left
  EXPECT_EQ(std::string(buffer, 3), "789");
  EXPECT_EQ(stream.Read(buffer, 16), 0);
  EXPECT_EQ(stream.Read(buffer, 0), 0);
  EXPECT_EQ(stream.Read(buffer, -1), 0);
}

TEST_F(WideFileStreamTest, SizeAndPositionGoBeyondFourGibibytes) {
  const int64_t far = (int64_t{5} << 30) + 3;
  TWideFileStream stream(Wide(dir_ / "sparse.bin"), fmCreate);
  stream.SetPosition(far);
  EXPECT_EQ(stream.Position(), far);
  EXPECT_EQ(stream.Write("x", 1), 1);
  EXPECT_EQ(stream.Size(), far + 1);
  EXPECT_EQ(stream.Position(), far + 1);  // Size leaves the position where it was
}

TEST_F(WideFileStreamTest, OpensAnExistingFileWithTheAccessOfTheModeAndKeepsItsContent) {
  const struct {
    uint16_t mode;
    bool canRead, canWrite;
  } cases[] = {
      {fmOpenRead | fmShareDenyWrite, true, false},
      {fmOpenRead, true, false},
      {fmOpenWrite | fmShareExclusive, false, true},
      {fmOpenReadWrite | fmShareDenyNone, true, true},
  };
  const std::string path = dir_ / "existing.bin";
  for (const auto& c : cases) {
    WriteFileBytes(path, "abc");
    TWideFileStream stream(Wide(path), c.mode);
    EXPECT_EQ(stream.Size(), 3) << c.mode;
    char byte = 0;
    EXPECT_EQ(stream.Read(&byte, 1), c.canRead ? 1 : 0) << c.mode;
    EXPECT_EQ(stream.Write("z", 1), c.canWrite ? 1 : 0) << c.mode;
  }
}

TEST_F(WideFileStreamTest, AnInputThatCannotBeOpenedRaisesTheOpenErrorAndCreatesNothing) {
  fs::create_directory(dir_.Path() / "sub");
  const struct {
    std::string name;
    uint16_t mode;
    std::string message;
  } cases[] = {
      {dir_ / "sub/../missing.txt", fmOpenRead | fmShareDenyWrite,
       "Cannot open file \"" + (dir_ / "missing.txt") + "\". No such file or directory"},
      {dir_ / "missing.txt", fmOpenReadWrite,
       "Cannot open file \"" + (dir_ / "missing.txt") + "\". No such file or directory"},
      {dir_ / "sub", fmOpenRead | fmShareDenyWrite,
       "Cannot open file \"" + (dir_ / "sub") + "\". Is a directory"},
      {dir_ / "missing.txt", 0x0003,  // no access of that number
       "Cannot open file \"" + (dir_ / "missing.txt") + "\". Invalid argument"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(MessageOf<EFOpenError>([&] { TWideFileStream stream(Wide(c.name), c.mode); }),
              c.message);
  }
  EXPECT_FALSE(fs::exists(dir_.Path() / "missing.txt"));
}

TEST_F(WideFileStreamTest, AnOutputThatCannotBeCreatedRaisesTheCreateError) {
  WriteFileBytes(dir_ / "plain.txt", "x");
  fs::create_directory(dir_.Path() / "folder");
  fs::create_directory(dir_.Path() / "locked");
  fs::permissions(dir_.Path() / "locked", fs::perms::owner_read | fs::perms::owner_exec);
  const bool permissionsBind = ::geteuid() != 0;  // root writes into read-only directories
  const struct {
    std::string name;
    std::string systemText;
    bool applies;
  } cases[] = {
      {dir_ / "nowhere/out.bin", "No such file or directory", true},
      {dir_ / "plain.txt/out.bin", "Not a directory", true},
      {dir_ / "folder", "Is a directory", true},
      {dir_ / "locked/out.bin", "Permission denied", permissionsBind},
      {dir_ / "cut" + std::string(1, '\0') + "short", "Invalid argument", true},
  };
  for (const auto& c : cases) {
    if (!c.applies)
      continue;
    EXPECT_EQ(MessageOf<EFCreateError>([&] { TWideFileStream stream(Wide(c.name), fmCreate); }),
              "Cannot create file \"" + c.name + "\". " + c.systemText);
  }
  EXPECT_FALSE(fs::exists(dir_.Path() / "cut"));  // the name was not cut at its NUL
}

// The input is open for reading while the output is created: an output that is the same file,
// under any name, would destroy it.
TEST_F(WideFileStreamTest, RefusesAnOutputThatIsTheSourceUnderAnyName) {
  const std::string input = dir_ / "input.bin";
  const std::string content = "the only copy of the user's data";
  WriteFileBytes(input, content);
  fs::create_directory(dir_.Path() / "sub");
  fs::create_hard_link(input, dir_.Path() / "hard.bin");
  fs::create_symlink(input, dir_.Path() / "soft.bin");
  const struct {
    std::string name;
    std::string fullPath;
    const char* reason;
  } cases[] = {
      {input, input, "Device or resource busy"},
      {dir_ / "hard.bin", dir_ / "hard.bin", "Device or resource busy"},
      // A link at the output name is refused whatever it points to.
      {dir_ / "soft.bin", dir_ / "soft.bin", "The name is a symbolic link, which is left alone."},
      {dir_ / "sub/../input.bin", input, "Device or resource busy"},
      {dir_ / "sub//./../input.bin", input, "Device or resource busy"},
  };
  TWideFileStream source(Wide(input), fmOpenRead | fmShareDenyWrite);
  for (const auto& c : cases) {
    EXPECT_EQ(
        MessageOf<EFCreateError>([&] { TWideFileStream output(Wide(c.name), fmCreate, &source); }),
        "Cannot create file \"" + c.fullPath + "\". " + c.reason);
    EXPECT_EQ(ReadFileBytes(input), content) << c.name;
  }
}

TEST_F(WideFileStreamTest, CreatingEmptiesAnExistingOutput) {
  const std::string path = dir_ / "out.bin";
  WriteFileBytes(path, "old contents that must go");
  WriteFileBytes(dir_ / "in.bin", "in");
  TWideFileStream input(Wide(dir_ / "in.bin"), fmOpenRead);
  TWideFileStream output(Wide(path), fmCreate, &input);
  EXPECT_EQ(output.Size(), 0);
  EXPECT_EQ(output.Write("new", 3), 3);
  EXPECT_EQ(ReadFileBytes(path), "new");
}

class ScopedUmask {
 public:
  explicit ScopedUmask(mode_t mask) : saved_(::umask(mask)) {}
  ~ScopedUmask() { ::umask(saved_); }

 private:
  mode_t saved_;
};

TEST_F(WideFileStreamTest, ANewOutputTakesTheReadWriteBitsOfItsSourcePlusTheOwners) {
  const ScopedUmask mask(022);
  const struct {
    fs::perms source;
    fs::perms output;
  } cases[] = {
      {fs::perms(0600), fs::perms(0600)},  // private stays private
      {fs::perms(0640), fs::perms(0640)},
      {fs::perms(0444), fs::perms(0644)},  // the owner may write what the run produced
      {fs::perms(0755), fs::perms(0644)},  // no execute bits
      {fs::perms(0666), fs::perms(0644)},  // and the umask still applies
  };
  int number = 0;
  for (const auto& c : cases) {
    const std::string input = dir_ / ("in" + std::to_string(number));
    const std::string output = dir_ / ("out" + std::to_string(number++));
    WriteFileBytes(input, "x");
    fs::permissions(input, c.source);
    TWideFileStream source(Wide(input), fmOpenRead | fmShareDenyWrite);
    TWideFileStream created(Wide(output), fmCreate, &source);
    EXPECT_EQ(fs::status(output).permissions(), c.output) << std::oct << int(c.source);
  }
  TWideFileStream created(Wide(dir_ / "without-source"), fmCreate);
  EXPECT_EQ(fs::status(dir_ / "without-source").permissions(), fs::perms(0644));
}

TEST_F(WideFileStreamTest, ANameThatIsNotUtf8ReachesTheFileOfThoseBytes) {
  const std::string path = dir_ / "caf\xE9-\xFF.bin";  // Latin-1 e-acute and a stray byte
  {
    TWideFileStream output(Wide(path), fmCreate);
    EXPECT_EQ(output.Write("payload", 7), 7);
  }
  EXPECT_EQ(ReadFileBytes(path), "payload");
  TWideFileStream input(Wide(path), fmOpenRead | fmShareDenyWrite);
  EXPECT_EQ(ReadAll(input), "payload");
}

// A device, a FIFO or a socket at the output name is refused as it stands: nothing waits for a
// reader, nothing is cut short.
TEST_F(WideFileStreamTest, AnOutputNameThatIsASpecialFileIsRefused) {
  const fs::path fifo = dir_.Path() / "fifo";
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  EXPECT_EQ(
      MessageOf<EFCreateError>([&] { TWideFileStream output(Wide(fifo.string()), fmCreate); }),
      "Cannot create file \"" + fifo.string() + "\". No such device or address");
  EXPECT_EQ(MessageOf<EFOpenError>(
                [&] { TWideFileStream input(Wide(fifo.string()), fmOpenRead | fmShareDenyWrite); }),
            "Cannot open file \"" + fifo.string() + "\". No such device or address");
  EXPECT_EQ(MessageOf<EFCreateError>([&] { TWideFileStream output(u"/dev/null", fmCreate); }),
            "Cannot create file \"/dev/null\". No such device or address");
}

TEST(LongPathName, PrefixesDrivePathsAndNetworkPathsOnly) {
  const struct {
    std::u16string name, expected;
  } cases[] = {
      {u"C:\\dir\\f.txt", u"\\\\?\\C:\\dir\\f.txt"},
      {u"c:f.txt", u"\\\\?\\c:f.txt"},
      {u"\\\\srv\\share\\f.txt", u"\\\\?\\UNC\\srv\\share\\f.txt"},
      {u"\\\\?\\C:\\f.txt", u"\\\\?\\C:\\f.txt"},
      {u"dir\\f.txt", u"dir\\f.txt"},
      {u"\\dir\\..\\f.txt", u"\\dir\\..\\f.txt"},  // not normalised
      {u"ab", u"ab"},
      {u"C:", u"C:"},
      {u"\\\\", u"\\\\"},
      {u"", u""},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(LongPathName(c.name), c.expected) << NarrowSystemText(c.name);
  }
}

TEST(LongPathName, KeepsAVeryLongNetworkNameWhole) {
  const std::u16string tail = u"srv\\share\\" + std::u16string(12000, u'a');
  EXPECT_EQ(LongPathName(u"\\\\" + tail), u"\\\\?\\UNC\\" + tail);
}

}  // namespace
}  // namespace ostrel
