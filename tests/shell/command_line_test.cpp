// ostrel-decrypt run as users and scripts run it: a real process on real files.
#include <gtest/gtest.h>

#include <filesystem>
#include <regex>

#include "cipher/cipher_components.h"
#include "platform/text_conversion.h"
#include "support/process.h"
#include "support/temporary_directory.h"

namespace ostrel {
namespace {

using testing_support::ProcessResult;
using testing_support::ReadFileBytes;
using testing_support::TemporaryDirectory;
using testing_support::WriteFileBytes;

const std::string kProgram = std::string(OSTREL_BINARY_DIR) + "/ostrel-decrypt";

class CommandLine : public testing::Test {
 protected:
  ProcessResult Run(const std::vector<std::string>& arguments) {
    return testing_support::RunProcess(kProgram, arguments, directory_.Path().string());
  }
  std::string Path(const std::string& name) const { return directory_ / name; }
  std::vector<std::string> Entries() const {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(directory_.Path())) {
      names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
  }

  TemporaryDirectory directory_;
};

std::string SampleBytes(std::size_t size) {
  std::string bytes(size, '\0');
  for (std::size_t i = 0; i < size; ++i)
    bytes[i] = static_cast<char>(i * 131 + i / 7);
  return bytes;
}

// The error text of the command line, with the location left open.
std::regex ApplicationError(const std::string& className, const std::string& message) {
  const std::string escaped =
      std::regex_replace(message, std::regex(R"([.^$|()\[\]{}*+?\\])"), R"(\$&)");
  return std::regex("Application Error\nException " + className +
                    " in module ostrel-decrypt at [0-9A-F]{8}\\.\n" + escaped + "\n");
}

TEST_F(CommandLine, EncryptsAndDecryptsBackByteForByte) {
  const std::string plain = SampleBytes(100'003);
  WriteFileBytes(Path("report.doc"), plain);

  ProcessResult result = Run({"/E", "report.doc", "secret phrase"});
  ASSERT_EQ(result.ExitCode, 0) << result.Stderr;
  EXPECT_EQ(result.Stderr, "");
  EXPECT_EQ(std::filesystem::file_size(Path("report.doc.2crypt")), (100'003 / 16 + 1) * 16u);

  std::filesystem::rename(Path("report.doc"), Path("original.doc"));
  result = Run({Path("report.doc.2crypt"), "secret phrase"});
  ASSERT_EQ(result.ExitCode, 0) << result.Stderr;
  EXPECT_EQ(result.Stderr, "");
  EXPECT_EQ(ReadFileBytes(Path("report.doc")), plain);
}

TEST_F(CommandLine, DecryptsTripleDesFilesWithTheSixteenByteKey) {
  const std::string plain = SampleBytes(1000);
  WriteFileBytes(Path("plain"), plain);
  TTripleDes writer;
  writer.GenerateKey("pw");
  writer.EncryptFile(WidenSystemText(Path("plain")), WidenSystemText(Path("notes.txt.1crypt")));

  const ProcessResult result = Run({"notes.txt.1crypt", "pw"});
  ASSERT_EQ(result.ExitCode, 0) << result.Stderr;
  EXPECT_EQ(ReadFileBytes(Path("notes.txt")), plain);
}

TEST_F(CommandLine, ANameWithoutEncryptionGetsTheNoteAndExitsZero) {
  const ProcessResult result = Run({"/E", Path("a.txt")});
  EXPECT_EQ(result.ExitCode, 0);
  EXPECT_EQ(result.Stderr, "NOTE\nNo encryption detected.\n");
  EXPECT_TRUE(Entries().empty());
}

TEST_F(CommandLine, MethodsWithoutACipherDoNothing) {
  WriteFileBytes(Path("a.3crypt"), SampleBytes(32));
  const ProcessResult result = Run({"a.3crypt", "pw"});
  EXPECT_EQ(result.ExitCode, 0);
  EXPECT_EQ(result.Stderr, "");
  EXPECT_EQ(Entries(), std::vector<std::string>{"a.3crypt"});
}

TEST_F(CommandLine, ErrorsEndTheRunWithTheApplicationErrorAndExitOne) {
  WriteFileBytes(Path("short.2crypt"), "0123456789");
  std::filesystem::create_directory(Path("a.zip.d"));
  const struct {
    std::vector<std::string> arguments;
    std::regex text;
  } cases[] = {
      {{"x.d20230230-t120000.txt.2crypt", "pw"},
       ApplicationError("EConvertError", "''2023/2/30 12:0:0.0'' is not a valid date and time.")},
      {{"short.2crypt", "pw"}, ApplicationError("ECipherException", "Invalid file format.")},
      {{"missing.2crypt", "pw"},
       ApplicationError("EFOpenError", "Cannot open file \"" + Path("missing.2crypt") +
                                           "\". No such file or directory.")},
      // Nothing is left of the name: no output, not even one named by the archive rule (".zip").
      {{"a.zip.d/.d20240131-t120000.2crypt", "pw"},
       ApplicationError("EFCreateError", "Cannot create file \"" + Path("a.zip.d") + "/" +
                                             "\". The name decodes to nothing.")},
      {{"/E", "missing.txt", "pw"},
       ApplicationError("EFOpenError", "Cannot open file \"" + Path("missing.txt") +
                                           "\". No such file or directory.")},
  };
  for (const auto& c : cases) {
    const ProcessResult result = Run(c.arguments);
    EXPECT_EQ(result.ExitCode, 1) << c.arguments[0];
    EXPECT_TRUE(std::regex_match(result.Stderr, c.text)) << result.Stderr;
  }
  // A failed open creates nothing; a damaged file leaves its (empty) partial output.
  EXPECT_EQ(Entries(), (std::vector<std::string>{"a.zip.d", "short", "short.2crypt"}));
  EXPECT_TRUE(std::filesystem::is_empty(Path("a.zip.d")));
}

TEST_F(CommandLine, AWrongPassPhraseIsNotRecognisedButNeverOverrunsTheBlock) {
  WriteFileBytes(Path("a"), SampleBytes(5000));
  ASSERT_EQ(Run({"/E", "a", "right"}).ExitCode, 0);
  std::filesystem::remove(Path("a"));
  const ProcessResult result = Run({"a.2crypt", "wrong"});
  // Either the tail count happens to look valid (garbage, no message) or it betrays the key.
  if (result.ExitCode == 0) {
    EXPECT_LE(std::filesystem::file_size(Path("a")), 5008u);
  } else {
    EXPECT_EQ(result.ExitCode, 1);
    EXPECT_NE(result.Stderr.find("Invalid file format."), std::string::npos);
    EXPECT_EQ(std::filesystem::file_size(Path("a")), 5008u - 16u);
  }
}

}  // namespace
}  // namespace ostrel
