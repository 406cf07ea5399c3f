// ostrel decrypts nothing whose final block the pass phrase does not open, and nothing whose plain
// length differs from what its name promises: checked before any output exists, so that an
// existing output is never touched, not even with --force.
#include <filesystem>
#include <string>
#include <vector>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "tool/commands/command_line.h"
#include "tool/keys/cipher_keys.h"
#include "tool_fixture.h"

namespace ostrel::testing_support {
namespace {

using ::testing::HasSubstr;

// Every tail count of both methods, the right pass phrase and one that only the zero bytes before
// the tail count give away.
TEST_F(ToolTest, AWrongPassphraseNeverPassesAndNeverTouchesAnExistingOutput) {
  for (const EncryptionMethod method :
       {EncryptionMethod::kTripleDes, EncryptionMethod::kRijndael}) {
    const int b = CipherMethodFor(method).BlockSize;
    std::string name = "a";
    name += CipherMethodFor(method).Suffix;
    for (int tail = 0; tail < b; ++tail) {
      SCOPED_TRACE(name + " tail " + std::to_string(tail));
      const std::string plain = PatternBytes(static_cast<std::size_t>(2 * b + tail), tail);
      const std::string encrypted = EncryptWithLibrary(method, plain, kPassphrase);
      Write(name, encrypted);
      std::filesystem::remove(PathOf("a"));
      const ToolRun right = OstrelKeyed({"decrypt", name});
      EXPECT_EQ(right.ExitCode, 0) << right.Stderr;
      EXPECT_EQ(Read("a"), plain);
      if (tail == b - 1)
        continue;  // a full final block has no zero bytes to give a wrong key away

      const std::string wrong = PassphraseFailingOnlyPadding(method, encrypted);
      Write("a", "the user's own file");
      const ToolRun forced = OstrelKeyed({"decrypt", "--force", name}, {}, wrong);
      EXPECT_EQ(forced.ExitCode, 3);
      EXPECT_THAT(forced.Stderr,
                  HasSubstr("the pass phrase does not open " + name + "; nothing was written"));
      EXPECT_EQ(Read("a"), "the user's own file");

      std::filesystem::remove(PathOf("a"));
      const ToolRun toStandardOutput = OstrelKeyed({"decrypt", "-c", name}, {}, wrong);
      EXPECT_EQ(toStandardOutput.ExitCode, 3);
      EXPECT_EQ(toStandardOutput.Stdout, "");
      EXPECT_EQ(OstrelKeyed({"decrypt", name}, {}, wrong).ExitCode, 3);
      EXPECT_FALSE(Exists("a"));
      EXPECT_TRUE(TemporaryLeftovers().empty());
    }
  }
}

TEST_F(ToolTest, AnExistingReadOnlyFileOrLinkAtTheOutputNameIsLeftAloneByAWrongPassphrase) {
  const std::string encrypted =
      EncryptWithLibrary(EncryptionMethod::kRijndael, "data", kPassphrase);
  const std::string wrong = PassphraseFailingOnlyPadding(EncryptionMethod::kRijndael, encrypted);
  Write("r.2crypt", encrypted);
  Write("r", "read-only");
  std::filesystem::permissions(PathOf("r"), std::filesystem::perms::owner_read);
  Write("l.2crypt", encrypted);
  Write("target", "behind the link");
  std::filesystem::create_symlink("target", PathOf("l"));

  EXPECT_EQ(OstrelKeyed({"decrypt", "--force", "r.2crypt", "l.2crypt"}, {}, wrong).ExitCode, 3);

  EXPECT_EQ(Read("r"), "read-only");
  EXPECT_EQ(std::filesystem::status(PathOf("r")).permissions(), std::filesystem::perms::owner_read);
  EXPECT_TRUE(std::filesystem::is_symlink(PathOf("l")));
  EXPECT_EQ(Read("target"), "behind the link");
}

// Status 3 is the judgement of the pass phrase alone: a file cut short says nothing about it, and
// a final block that does not open among files that do is a damaged file, status 1.
TEST_F(ToolTest, StatusThreeOnlyWhenThePassphraseIsJudgedWrong) {
  const std::string encrypted =
      EncryptWithLibrary(EncryptionMethod::kRijndael, "data", kPassphrase);
  Write("a.2crypt", encrypted);
  Write("b.2crypt", "short");
  const std::string wrong = PassphraseFailingOnlyPadding(EncryptionMethod::kRijndael, encrypted);
  // Under the right pass phrase this one's final block decrypts as under a wrong one.
  Write("c.2crypt", EncryptWithLibrary(EncryptionMethod::kRijndael, "data", wrong));
  const struct {
    std::vector<std::string> Files;
    std::string Passphrase;
    int Status;
  } kCases[] = {
      {{"a.2crypt"}, wrong, 3},
      {{"a.2crypt", "b.2crypt"}, wrong, 3},
      {{"a.2crypt", "c.2crypt"}, kPassphrase, 1},
      {{"a.2crypt", "b.2crypt"}, kPassphrase, 1},
  };
  for (const auto& c : kCases) {
    for (const char* command : {"decrypt", "verify"}) {
      std::vector<std::string> arguments = {command, "--force"};
      if (std::string(command) == "verify")
        arguments.pop_back();
      arguments.insert(arguments.end(), c.Files.begin(), c.Files.end());
      const ToolRun run = OstrelKeyed(arguments, {}, c.Passphrase);
      EXPECT_EQ(run.ExitCode, c.Status) << command << " " << c.Files.back() << ": " << run.Stderr;
    }
  }
}

// A size suffix without an archive marker promises the plain length.
TEST_F(ToolTest, ThePlainLengthMustBeTheOneTheNamePromises) {
  const std::string encrypted =
      EncryptWithLibrary(EncryptionMethod::kRijndael, PatternBytes(1500), kPassphrase);
  Write("right.s1500.2crypt", encrypted);
  Write("wrong.s1499.2crypt", encrypted);
  Write("archived.s7.zip.2crypt", encrypted);  // the size of what the archive holds
  Write("cut.s1500.incomplete.2crypt", encrypted);

  const ToolRun run = OstrelKeyed({"decrypt", "right.s1500.2crypt", "wrong.s1499.2crypt",
                                   "archived.s7.zip.2crypt", "cut.s1500.incomplete.2crypt"});
  EXPECT_EQ(run.ExitCode, 1);
  EXPECT_THAT(run.Stderr, HasSubstr("wrong.s1499.2crypt: the name promises 1499 bytes but the "
                                    "file holds 1500"));
  EXPECT_EQ(Read("right"), PatternBytes(1500));
  EXPECT_TRUE(Exists("archived.zip"));
  EXPECT_TRUE(Exists("cut"));
  EXPECT_FALSE(Exists("wrong"));

  const ToolRun verify = OstrelKeyed({"verify", "wrong.s1499.2crypt"});
  EXPECT_EQ(verify.ExitCode, 1);
  EXPECT_THAT(verify.Stderr, HasSubstr("promises 1499 bytes"));
  EXPECT_EQ(OstrelKeyed({"verify", "--ignore-size", "wrong.s1499.2crypt"}).ExitCode, 0);
  EXPECT_EQ(OstrelKeyed({"decrypt", "--ignore-size", "wrong.s1499.2crypt"}).ExitCode, 0);
  EXPECT_EQ(Read("wrong"), PatternBytes(1500));
}

// The final-block checks, the trial of the pass phrase and the transforms of a run share one
// keyed cipher per method: a key schedule per file would map, lock and wipe pages for every small
// file of a backup.
TEST_F(ToolTest, ARunKeysEachCipherOncePerMethodWhateverTheNumberOfFiles) {
  for (int file = 0; file < 6; ++file) {
    const EncryptionMethod method =
        file % 2 == 0 ? EncryptionMethod::kTripleDes : EncryptionMethod::kRijndael;
    std::string name = "f";
    name += std::to_string(file);
    name += CipherMethodFor(method).Suffix;
    Write(name, EncryptWithLibrary(method, PatternBytes(100, file), kPassphrase));
  }
  ASSERT_EQ(::setenv("OSTREL_PW", kPassphrase, 1), 0);
  std::vector<std::string> words = {"ostrel",
                                    "decrypt",
                                    "-r",
                                    "--in-place",
                                    "--passphrase-env",
                                    "OSTREL_PW",
                                    directory_.Path().string()};
  std::vector<char*> argv;
  for (std::string& word : words)
    argv.push_back(word.data());
  const ParsedCommandLine parsed = ParseToolCommandLine(static_cast<int>(argv.size()), argv.data());
  ASSERT_TRUE(parsed.Command);

  const int64_t before = CipherKeys::SchedulesMade();
  EXPECT_EQ(parsed.Command->Run(), 0);
  EXPECT_EQ(CipherKeys::SchedulesMade() - before, 2);
  EXPECT_EQ(Read("f5"), PatternBytes(100, 5));
}

}  // namespace
}  // namespace ostrel::testing_support
