// What the command line tells its user before anything runs and how a run's output reads when it
// is captured: help that names every exit status and command, a restore that will not write plain
// files into the backup it reads unless asked, and standard output and error that stay whole
// lines in one file.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "support/process.h"
#include "tool_fixture.h"

namespace ostrel::testing_support {
namespace {

using ::testing::HasSubstr;
using ::testing::Not;

TEST_F(ToolTest, HelpNamesEveryExitStatusAndEveryCommand) {
  const ToolRun help = Ostrel({"--help"});
  EXPECT_EQ(help.ExitCode, 0);
  EXPECT_THAT(help.Stdout, HasSubstr("3 when the pass phrase does not open the files"));

  const ToolRun mistyped = Ostrel({"mout", "a", "b"});
  EXPECT_EQ(mistyped.ExitCode, 2);
  EXPECT_THAT(mistyped.Stderr, HasSubstr("did you mean \"mount\"?"));
  EXPECT_THAT(mistyped.Stderr,
              HasSubstr("(commands: decrypt, encrypt, names, verify, key, mount, serve)"));

  // verify reads only final blocks and writes nothing; its help says so, not decrypt's words.
  const ToolRun verify = Ostrel({"verify", "--help"});
  EXPECT_EQ(verify.ExitCode, 0);
  EXPECT_THAT(verify.Stdout, HasSubstr("Only the final block of each file is read"));
  EXPECT_THAT(verify.Stdout, HasSubstr("cannot be detected"));
  EXPECT_THAT(verify.Stdout, Not(HasSubstr("before anything is written")));
}

// A backup tree is a folder the synchronizer watches: plain files written into it may be
// uploaded unencrypted. A restore of a tree needs -o, or --in-place to write there all the same.
TEST_F(ToolTest, ARestoreOfATreeWritesIntoItOnlyWhenAskedTo) {
  std::filesystem::create_directories(PathOf("backup"));
  Write("backup/a.txt.2crypt", EncryptWithLibrary(EncryptionMethod::kRijndael, "a", kPassphrase));
  Write("single.txt.2crypt", EncryptWithLibrary(EncryptionMethod::kRijndael, "s", kPassphrase));

  const ToolRun refused = OstrelKeyed({"decrypt", "-r", "backup"});
  EXPECT_EQ(refused.ExitCode, 2);
  EXPECT_THAT(refused.Stderr, HasSubstr("-o DIR"));
  EXPECT_THAT(refused.Stderr, HasSubstr("--in-place"));
  EXPECT_THAT(refused.Stderr, HasSubstr("upload"));
  EXPECT_FALSE(Exists("backup/a.txt"));

  EXPECT_EQ(OstrelKeyed({"decrypt", "-r", "backup", "--in-place", "-o", "out"}).ExitCode, 2);

  const ToolRun elsewhere = OstrelKeyed({"decrypt", "-r", "backup", "-o", "out"});
  EXPECT_EQ(elsewhere.ExitCode, 0) << elsewhere.Stderr;
  EXPECT_EQ(Read("out/a.txt"), "a");

  const ToolRun inPlace = OstrelKeyed({"decrypt", "-r", "backup", "--in-place"});
  EXPECT_EQ(inPlace.ExitCode, 0) << inPlace.Stderr;
  EXPECT_EQ(Read("backup/a.txt"), "a");

  // A file named on the command line still goes beside itself.
  const ToolRun single = OstrelKeyed({"decrypt", "single.txt.2crypt"});
  EXPECT_EQ(single.ExitCode, 0) << single.Stderr;
  EXPECT_EQ(Read("single.txt"), "s");
}

// "--dry-run > all.log 2>&1": every line of the file is a whole listing line or a whole message,
// and a plan made without the pass phrase does not pass unknown sizes off as 0 bytes.
TEST_F(ToolTest, ADryRunCapturedWithItsMessagesKeepsEveryLineWholeAndSizesUnknown) {
  std::filesystem::create_directories(PathOf("backup"));
  // Enough lines that standard output is written in several pieces.
  for (int i = 0; i < 200; ++i)
    Write("backup/file-with-a-longish-name-" + std::to_string(i) + ".txt.2crypt",
          std::string(32, 'x'));

  const ProcessResult run =
      RunProcess("/bin/sh", {"-c", kOstrel + " decrypt -r backup -o out --dry-run >all.log 2>&1"},
                 directory_.Path().string());
  ASSERT_EQ(run.ExitCode, 0) << run.Stderr;

  std::istringstream log(Read("all.log"));
  std::string line;
  int listed = 0;
  std::string summary;
  while (std::getline(log, line)) {
    const bool listing = line.find(" -> ") != std::string::npos;
    const bool message = line.starts_with("ostrel: ");
    EXPECT_NE(listing, message) << "a line spliced from both streams: " << line;
    EXPECT_EQ(line.find("ostrel:"), message ? 0 : std::string::npos) << line;
    listed += listing ? 1 : 0;
    if (line.starts_with("ostrel: would write"))
      summary = line;
  }
  EXPECT_EQ(listed, 200);
  EXPECT_THAT(summary, HasSubstr("would write 200 files (sizes unknown)"));
  EXPECT_THAT(summary, Not(HasSubstr("0 B")));
}

}  // namespace
}  // namespace ostrel::testing_support
