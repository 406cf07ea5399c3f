// Faults met through real files: links and special files at the output name, a FIFO as input,
// ".." after a link, a file-size limit that stops writing at any offset, and an input file that
// shrinks while it is read. The input must stay as it was, the documented message must come out,
// and no file but the named output may change.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>

#include <filesystem>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "cipher/memory_stream.h"
#include "cipher/stream_formats.h"
#include "cipher/wide_file_stream.h"
#include "errors/exceptions.h"
#include "platform/text_conversion.h"
#include "primitives/fold_digest.h"
#include "support/process.h"
#include "support/temporary_directory.h"

namespace ostrel {
namespace {

namespace fs = std::filesystem;
using testing_support::ProcessResult;
using testing_support::ReadFileBytes;
using testing_support::RunProcess;
using testing_support::TemporaryDirectory;
using testing_support::WriteFileBytes;

const std::string kProgram = std::string(OSTREL_BINARY_DIR) + "/ostrel-decrypt";

std::string Plain(std::size_t length) {
  std::string bytes(length, '\0');
  for (std::size_t i = 0; i < length; ++i)
    bytes[i] = static_cast<char>(i * 89 + 17);
  return bytes;
}

// Every entry of a directory with what it is: a file's content, a symbolic link's target, or the
// kind of anything else.
std::map<std::string, std::string> Snapshot(const fs::path& directory) {
  std::map<std::string, std::string> entries;
  for (const auto& entry : fs::directory_iterator(directory)) {
    const std::string name = entry.path().filename().string();
    if (entry.is_symlink()) {
      entries[name] = "-> " + fs::read_symlink(entry.path()).string();
    } else if (entry.is_directory()) {
      entries[name] = "(directory)";
    } else if (entry.is_fifo()) {
      entries[name] = "(FIFO)";  // reading it would wait for a writer
    } else {
      entries[name] = ReadFileBytes(entry.path().string());
    }
  }
  return entries;
}

class FileFaults : public ::testing::Test {
 protected:
  ProcessResult Run(const std::vector<std::string>& arguments,
                    const std::string& program = kProgram) {
    return RunProcess(program, arguments, dir_.Path().string());
  }
  std::string Path(const std::string& name) const { return dir_ / name; }

  // report.doc and its encryption, report.doc.2crypt, made by the program itself.
  void MakeFiles(std::size_t plainLength) {
    plain_ = Plain(plainLength);
    WriteFileBytes(Path("report.doc"), plain_);
    ASSERT_EQ(Run({"/E", "report.doc", "phrase"}).ExitCode, 0);
    encrypted_ = ReadFileBytes(Path("report.doc.2crypt"));
  }

  TemporaryDirectory dir_;
  std::string plain_;
  std::string encrypted_;
};

// Whatever sits at the output name that is not a regular file (a symbolic link to a file, to
// nowhere or to a device, a FIFO) refuses both requests before anything is touched: the link's
// target is neither written nor created, and nothing waits for a FIFO's reader.
TEST_F(FileFaults, AnOutputNameThatIsNoRegularFileIsRefusedAndNothingIsTouched) {
  MakeFiles(1000);
  fs::create_directory(Path("elsewhere"));
  WriteFileBytes(Path("elsewhere/victim"), "kept");
  const struct {
    const char* kind;
    std::function<void(const std::string&)> plant;
    const char* reason;
  } plantings[] = {
      {"link to a file", [](const std::string& at) { fs::create_symlink("elsewhere/victim", at); },
       "The name is a symbolic link, which is left alone."},
      {"dangling link", [](const std::string& at) { fs::create_symlink("elsewhere/created", at); },
       "The name is a symbolic link, which is left alone."},
      {"link to a device", [](const std::string& at) { fs::create_symlink("/dev/full", at); },
       "The name is a symbolic link, which is left alone."},
      {"FIFO", [](const std::string& at) { ASSERT_EQ(mkfifo(at.c_str(), 0600), 0); },
       "No such device or address"},
  };
  const struct {
    std::vector<std::string> arguments;
    std::string output;
  } requests[] = {
      {{"report.doc.2crypt", "phrase"}, "report.doc"},
      {{"/E", "report.doc", "phrase"}, "report.doc.2crypt"},
  };
  for (const auto& planting : plantings) {
    for (const auto& request : requests) {
      const std::string kept = Path("kept-" + request.output);
      fs::rename(Path(request.output), kept);
      planting.plant(Path(request.output));
      const auto before = Snapshot(dir_.Path());
      const auto elsewhere = Snapshot(Path("elsewhere"));

      const ProcessResult result = Run(request.arguments);
      EXPECT_EQ(result.ExitCode, 1) << planting.kind << " " << request.output;
      EXPECT_NE(result.Stderr.find("Exception EFCreateError"), std::string::npos) << result.Stderr;
      EXPECT_NE(result.Stderr.find(planting.reason), std::string::npos) << result.Stderr;
      EXPECT_EQ(Snapshot(dir_.Path()), before) << planting.kind << " " << request.output;
      EXPECT_EQ(Snapshot(Path("elsewhere")), elsewhere) << planting.kind;

      fs::remove(Path(request.output));
      fs::rename(kept, Path(request.output));
    }
  }
}

// A FIFO swapped in for the input fails at once instead of waiting for a writer.
TEST_F(FileFaults, AFifoAsInputFailsAtOnce) {
  ASSERT_EQ(mkfifo(Path("pipe.2crypt").c_str(), 0600), 0);
  const ProcessResult result = Run({"pipe.2crypt", "phrase"});
  EXPECT_EQ(result.ExitCode, 1);
  EXPECT_NE(result.Stderr.find("Exception EFOpenError"), std::string::npos) << result.Stderr;
  EXPECT_FALSE(fs::exists(Path("pipe")));
}

// "link/../a.2crypt" reads the a.2crypt beside the link's target, as the system resolves "..":
// the output goes there too, not into the directory that holds the link.
TEST_F(FileFaults, DotDotAfterALinkPutsTheOutputBesideTheFileActuallyRead) {
  MakeFiles(100);
  fs::create_directories(Path("elsewhere/x"));
  fs::rename(Path("report.doc.2crypt"), Path("elsewhere/report.doc.2crypt"));
  fs::create_directory_symlink("elsewhere/x", Path("link"));
  WriteFileBytes(Path("report.doc"), "not to be replaced");

  const ProcessResult result = Run({"link/../report.doc.2crypt", "phrase"});

  EXPECT_EQ(result.ExitCode, 0) << result.Stderr;
  EXPECT_EQ(ReadFileBytes(Path("elsewhere/report.doc")), plain_);
  EXPECT_EQ(ReadFileBytes(Path("report.doc")), "not to be replaced");
}

// The file-size limit cuts writing off at every offset of the output in turn: the request fails
// with the write error instead of being ended by the limit's signal, the partial output is
// removed (a part of the file would pass for the whole of it), and the input and every other file
// stay as they were.
TEST_F(FileFaults, AWriteCutOffAtAnyOffsetFailsAndRemovesThePartialOutput) {
  ASSERT_TRUE(fs::exists("/usr/bin/prlimit")) << "prlimit (util-linux) is needed";
  MakeFiles(61);  // four Rijndael blocks, the last carrying 13 bytes
  // The program must not inherit an ignored signal from the test: it sets that up itself.
  struct sigaction byDefault {};
  struct sigaction previous {};
  byDefault.sa_handler = SIG_DFL;
  sigaction(SIGXFSZ, &byDefault, &previous);

  const struct {
    std::vector<std::string> arguments;
    std::string output;
    std::string complete;
  } requests[] = {
      {{"report.doc.2crypt", "phrase"}, "report.doc", plain_},
      {{"/E", "report.doc", "phrase"}, "report.doc.2crypt", encrypted_},
  };
  for (const auto& request : requests) {
    for (std::size_t limit = 0; limit < request.complete.size(); ++limit) {
      // An output of an earlier run stands at the name, as a replaced file would.
      WriteFileBytes(Path(request.output), "an earlier output");
      auto before = Snapshot(dir_.Path());
      before.erase(request.output);
      std::vector<std::string> arguments = {"--fsize=" + std::to_string(limit), kProgram};
      arguments.insert(arguments.end(), request.arguments.begin(), request.arguments.end());

      const ProcessResult result = Run(arguments, "/usr/bin/prlimit");
      EXPECT_EQ(result.ExitCode, 1) << request.output << " " << limit;
      EXPECT_NE(result.Stderr.find("\nError writing to temp file.\n"), std::string::npos)
          << result.Stderr;
      EXPECT_EQ(Snapshot(dir_.Path()), before) << request.output << " " << limit;
    }
    WriteFileBytes(Path(request.output), request.complete);
  }
  sigaction(SIGXFSZ, &previous, nullptr);
}

// A real input file cut short by someone else while the procedure works on it: after its size was
// taken and before the first byte is read, the file loses its second half. The procedure must
// notice the missing blocks, however much it asks for in one read.
class ShrinkingFileStream : public TWideFileStream {
 public:
  ShrinkingFileStream(const std::string& name, std::uintmax_t shrinkTo)
      : TWideFileStream(WidenSystemText(name), fmOpenRead | fmShareDenyWrite),
        name_(name),
        shrinkTo_(shrinkTo) {}

  int32_t Read(void* buffer, int32_t count) override {
    if (!shrunk_) {
      shrunk_ = true;
      fs::resize_file(name_, shrinkTo_);
    }
    return TWideFileStream::Read(buffer, count);
  }

 private:
  std::string name_;
  std::uintmax_t shrinkTo_;
  bool shrunk_ = false;
};

TEST_F(FileFaults, AFileThatShrinksWhileReadIsInvalidInBothDirections) {
  const std::string plain = Plain(64 * 1024 + 7);
  uint8_t key[32];
  PassphraseToKey(key, 32, "phrase");
  TMemoryStream source(plain);
  TMemoryStream encrypted;
  RijndaelStreamEcb(source, encrypted, key, 32, true);

  const struct {
    const char* name;
    std::string content;
    bool encrypt;
  } inputs[] = {
      {"plain.doc", plain, true},
      {"plain.doc.2crypt", encrypted.Bytes(), false},
  };
  for (const auto& input : inputs) {
    WriteFileBytes(Path(input.name), input.content);
    const std::uintmax_t half = input.content.size() / 2;
    TMemoryStream output;
    {
      ShrinkingFileStream stream(Path(input.name), half);
      try {
        RijndaelStreamEcb(stream, output, key, 32, input.encrypt);
        ADD_FAILURE() << input.name << ": nothing raised";
      } catch (const ECipherException& error) {
        EXPECT_EQ(error.Message(), "Invalid file format") << input.name;
      }
    }
    // Whatever was written came from the bytes that were there, and stops at a whole block.
    const std::string& written = output.Bytes();
    EXPECT_EQ(written.size() % 16, 0u) << input.name;
    EXPECT_LE(written.size(), half) << input.name;
    const std::string& reference = input.encrypt ? encrypted.Bytes() : plain;
    EXPECT_EQ(written, reference.substr(0, written.size())) << input.name;
    EXPECT_EQ(ReadFileBytes(Path(input.name)), input.content.substr(0, half)) << input.name;
  }
}

}  // namespace
}  // namespace ostrel
