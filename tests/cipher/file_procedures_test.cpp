#include "cipher/file_procedures.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>

#include <filesystem>
#include <functional>
#include <set>
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

const uint8_t kKey[32] = {0x2b, 0x7e, 0x15, 0x16, 0x28, 0xae, 0xd2, 0xa6, 0xab, 0xf7, 0x15,
                          0x88, 0x09, 0xcf, 0x4f, 0x3c, 0x60, 0x3d, 0xeb, 0x10, 0x15, 0xca,
                          0x71, 0xbe, 0x2b, 0x73, 0xae, 0xf0, 0x85, 0x7d, 0x77, 0x81};

struct FileProcedure {
  const char* name;
  int blockSize;
  int chainingBlocks;  // the CBC layout starts with one block of its own
  std::function<void(const std::string& in, const std::string& out, bool encrypt)> run;
};

const FileProcedure kProcedures[] = {
    {"TripleDesFileEcb", 8, 0,
     [](const std::string& in, const std::string& out, bool encrypt) {
       TripleDesFileEcb(WidenSystemText(in), WidenSystemText(out), kKey, encrypt);
     }},
    {"TripleDesFileCbc", 8, 1,
     [](const std::string& in, const std::string& out, bool encrypt) {
       TripleDesFileCbc(WidenSystemText(in), WidenSystemText(out), kKey, encrypt);
     }},
    {"RijndaelFileEcb", 16, 0,
     [](const std::string& in, const std::string& out, bool encrypt) {
       RijndaelFileEcb(WidenSystemText(in), WidenSystemText(out), kKey, 32, encrypt);
     }},
    {"RijndaelFileCbc", 16, 1,
     [](const std::string& in, const std::string& out, bool encrypt) {
       RijndaelFileCbc(WidenSystemText(in), WidenSystemText(out), kKey, 32, encrypt);
     }},
};

std::string PlainBytes(std::size_t length) {
  std::string bytes(length, '\0');
  for (std::size_t i = 0; i < length; ++i)
    bytes[i] = static_cast<char>(i * 37 + 11);
  return bytes;
}

std::set<std::string> Entries(const fs::path& directory) {
  std::set<std::string> names;
  for (const auto& entry : fs::directory_iterator(directory)) {
    names.insert(entry.path().filename().string());
  }
  return names;
}

// Open handles of this process: a file procedure must leave none behind, whichever way it ends.
std::size_t OpenHandles() {
  std::size_t count = 0;
  for ([[maybe_unused]] const auto& entry : fs::directory_iterator("/proc/self/fd"))
    ++count;
  return count;
}

class FileProceduresTest : public ::testing::Test {
 protected:
  TemporaryDirectory dir_;
};

TEST_F(FileProceduresTest, EncryptThenDecryptGivesBackEveryByte) {
  const std::string plainPath = dir_ / "plain.doc";
  const std::string encryptedPath = dir_ / "plain.doc.crypt";
  const std::string decryptedPath = dir_ / "decrypted.doc";
  for (const FileProcedure& procedure : kProcedures) {
    const int b = procedure.blockSize;
    for (const int length : {0, 1, b - 1, b, b + 1, 3 * b, 4099}) {
      const std::string plain = PlainBytes(static_cast<std::size_t>(length));
      WriteFileBytes(plainPath, plain);
      procedure.run(plainPath, encryptedPath, true);
      const int blocks = length / b + 1 + procedure.chainingBlocks;
      EXPECT_EQ(fs::file_size(encryptedPath), static_cast<uintmax_t>(blocks * b))
          << procedure.name << " " << length;
      procedure.run(encryptedPath, decryptedPath, false);
      EXPECT_EQ(ReadFileBytes(decryptedPath), plain) << procedure.name << " " << length;
    }
  }
}

TEST_F(FileProceduresTest, AFileShorterThanOneBlockIsNoEncryptedFileAndLeavesTheOutputAlone) {
  const std::string input = dir_ / "short.crypt";
  const std::string output = dir_ / "short";
  for (const FileProcedure& procedure : kProcedures) {
    WriteFileBytes(input, PlainBytes(static_cast<std::size_t>(procedure.blockSize - 1)));
    WriteFileBytes(output, "stale");
    const std::size_t handles = OpenHandles();
    EXPECT_EQ(MessageOf<ECipherException>([&] { procedure.run(input, output, false); }),
              "Invalid file format")
        << procedure.name;
    EXPECT_EQ(OpenHandles(), handles) << procedure.name;
    EXPECT_EQ(ReadFileBytes(output), "stale") << procedure.name;
  }
}

// The disk refuses the output's bytes: here the file-size limit, with its signal ignored so that
// the write just fails, as on a full disk.
TEST_F(FileProceduresTest, ARefusedWriteRaisesTheWriteErrorAndLeavesTheInputAlone) {
  const std::string input = dir_ / "plain.doc";
  const std::string content = PlainBytes(100);
  WriteFileBytes(input, content);
  struct sigaction ignore {};
  struct sigaction previousAction {};
  ignore.sa_handler = SIG_IGN;
  sigaction(SIGXFSZ, &ignore, &previousAction);
  rlimit previousLimit{};
  getrlimit(RLIMIT_FSIZE, &previousLimit);
  for (const FileProcedure& procedure : kProcedures) {
    const std::size_t handles = OpenHandles();
    const rlimit small{10, previousLimit.rlim_max};
    setrlimit(RLIMIT_FSIZE, &small);
    const std::string message =
        MessageOf<ECipherException>([&] { procedure.run(input, dir_ / "out", true); });
    setrlimit(RLIMIT_FSIZE, &previousLimit);
    EXPECT_EQ(message, "Error writing to temp file") << procedure.name;
    EXPECT_EQ(OpenHandles(), handles) << procedure.name;
    EXPECT_EQ(ReadFileBytes(input), content) << procedure.name;
  }
  sigaction(SIGXFSZ, &previousAction, nullptr);
}

TEST_F(FileProceduresTest, WritesTheNamedOutputAndNoOtherFile) {
  WriteFileBytes(dir_ / "plain.doc", PlainBytes(50));
  const std::set<std::string> before = Entries(dir_.Path());
  for (const FileProcedure& procedure : kProcedures) {
    procedure.run(dir_ / "plain.doc", dir_ / "plain.doc.crypt", true);
  }
  std::set<std::string> expected = before;
  expected.insert("plain.doc.crypt");
  EXPECT_EQ(Entries(dir_.Path()), expected);
}

TEST_F(FileProceduresTest, AFileThatCannotBeOpenedOrCreatedStopsTheRunBeforeAnyOutput) {
  const std::string input = dir_ / "plain.doc";
  const std::string content = PlainBytes(40);
  WriteFileBytes(input, content);
  const std::set<std::string> before = Entries(dir_.Path());
  for (const FileProcedure& procedure : kProcedures) {
    const std::size_t handles = OpenHandles();
    EXPECT_EQ(
        MessageOf<EFOpenError>([&] { procedure.run(dir_ / "missing.doc", dir_ / "out", true); }),
        "Cannot open file \"" + (dir_ / "missing.doc") + "\". No such file or directory")
        << procedure.name;
    // The output is the input itself: refused before the input loses a byte.
    EXPECT_EQ(MessageOf<EFCreateError>([&] { procedure.run(input, input, true); }),
              "Cannot create file \"" + input + "\". Device or resource busy")
        << procedure.name;
    EXPECT_EQ(OpenHandles(), handles) << procedure.name;
  }
  EXPECT_EQ(Entries(dir_.Path()), before);
  EXPECT_EQ(ReadFileBytes(input), content);
}

}  // namespace
}  // namespace ostrel
