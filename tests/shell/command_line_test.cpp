// ostrel-decrypt run as users and scripts run it: a real process on real files.
#include <gtest/gtest.h>

#include <filesystem>
#include <regex>

#include "cipher/cipher_components.h"
#include "platform/text_conversion.h"
#include "support/library_files.h"
#include "support/process.h"
#include "support/temporary_directory.h"

namespace ostrel {
namespace {

using testing_support::EncryptWithLibrary;
using testing_support::PassphraseFailingOnlyPadding;
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
  const std::string nameless = EncryptWithLibrary(EncryptionMethod::kRijndael, "x", "pw");
  WriteFileBytes(Path("a.zip.d/.d20240131-t120000.2crypt"), nameless);
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
      // An input that is not there is reported first, as for any other name.
      {{"nosuch/.2crypt", "pw"},
       ApplicationError("EFOpenError", "Cannot open file \"" + Path("nosuch/.2crypt") +
                                           "\". No such file or directory.")},
      {{"/E", "missing.txt", "pw"},
       ApplicationError("EFOpenError", "Cannot open file \"" + Path("missing.txt") +
                                           "\". No such file or directory.")},
  };
  for (const auto& c : cases) {
    const ProcessResult result = Run(c.arguments);
    EXPECT_EQ(result.ExitCode, 1) << c.arguments[0];
    EXPECT_TRUE(std::regex_match(result.Stderr, c.text)) << result.Stderr;
  }
  // A failed open creates nothing, nor does a file too short to hold a final block, nor a name
  // that decodes to nothing.
  EXPECT_EQ(Entries(), (std::vector<std::string>{"a.zip.d", "short.2crypt"}));
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(Path("a.zip.d")),
                          std::filesystem::directory_iterator()),
            1);
  EXPECT_EQ(ReadFileBytes(Path("a.zip.d/.d20240131-t120000.2crypt")), nameless);
}

// Every tail count of both methods: the right pass phrase gives the plain text back; a wrong one
// whose final block passes the tail count but not the zero bytes before it is reported, and the
// file that has the output's name (a file, a read-only file, a symbolic link) keeps what it held.
TEST_F(CommandLine, AWrongPassPhraseNeverPassesForSuccessNorDestroysAFile) {
  for (const EncryptionMethod method :
       {EncryptionMethod::kTripleDes, EncryptionMethod::kRijndael}) {
    const int32_t b = CipherMethodFor(method).BlockSize;
    const std::string suffix = CipherMethodFor(method).Suffix;
    for (int32_t tail = 0; tail < b; ++tail) {
      SCOPED_TRACE(std::string(suffix) + " tail " + std::to_string(tail));
      const std::string plain = SampleBytes(static_cast<std::size_t>(3 * b + tail));
      const std::string encrypted = EncryptWithLibrary(method, plain, "right");
      WriteFileBytes(Path("a" + suffix), encrypted);

      WriteFileBytes(Path("a"), "the user's own file");
      const ProcessResult right = Run({"a" + suffix, "right"});
      EXPECT_EQ(right.ExitCode, 0) << right.Stderr;
      EXPECT_EQ(ReadFileBytes(Path("a")), plain);

      if (tail == b - 1)
        continue;  // a full final block has no zero bytes to give a wrong key away
      const std::string wrong = PassphraseFailingOnlyPadding(method, encrypted);
      WriteFileBytes(Path("a"), "the user's own file");
      const ProcessResult refused = Run({"a" + suffix, wrong});
      EXPECT_EQ(refused.ExitCode, 1);
      EXPECT_TRUE(std::regex_match(refused.Stderr,
                                   ApplicationError("ECipherException", "Invalid file format.")))
          << refused.Stderr;
      EXPECT_EQ(ReadFileBytes(Path("a")), "the user's own file");

      std::filesystem::remove(Path("a"));
      EXPECT_EQ(Run({"a" + suffix, wrong}).ExitCode, 1);
      EXPECT_FALSE(std::filesystem::exists(Path("a")));
    }
  }
}

TEST_F(CommandLine, AWrongPassPhraseLeavesReadOnlyFilesAndLinksAtTheOutputNameAlone) {
  const std::string encrypted = EncryptWithLibrary(EncryptionMethod::kRijndael, "data", "right");
  const std::string wrong = PassphraseFailingOnlyPadding(EncryptionMethod::kRijndael, encrypted);
  WriteFileBytes(Path("r.2crypt"), encrypted);
  WriteFileBytes(Path("r"), "read-only");
  std::filesystem::permissions(Path("r"), std::filesystem::perms::owner_read);
  WriteFileBytes(Path("l.2crypt"), encrypted);
  WriteFileBytes(Path("target"), "behind the link");
  std::filesystem::create_symlink("target", Path("l"));

  EXPECT_EQ(Run({"r.2crypt", wrong}).ExitCode, 1);
  EXPECT_EQ(Run({"l.2crypt", wrong}).ExitCode, 1);

  EXPECT_EQ(ReadFileBytes(Path("r")), "read-only");
  EXPECT_EQ(std::filesystem::status(Path("r")).permissions(), std::filesystem::perms::owner_read);
  EXPECT_TRUE(std::filesystem::is_symlink(Path("l")));
  EXPECT_EQ(ReadFileBytes(Path("target")), "behind the link");
}

}  // namespace
}  // namespace ostrel
