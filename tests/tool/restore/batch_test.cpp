// Whole trees and batches: output names, skipped files, failures among good files, and
// interoperability with ostrel-decrypt.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <nlohmann/json.hpp>
#include <sstream>

#include "tool_fixture.h"

namespace ostrel::testing_support {
namespace {

using ::testing::HasSubstr;
using ::testing::IsEmpty;
using ::testing::Not;

struct EncodedFile {
  std::string Name;  // below src/
  EncryptionMethod Method;
  std::string Output;  // below out/, as the name rules give it
};

// Mixed methods and suffixes, and a name that is not valid UTF-8.
const EncodedFile kTree[] = {
    {"a.txt.2crypt", EncryptionMethod::kRijndael, "a.txt"},
    {"sub/b.doc.s1500.zip.1crypt", EncryptionMethod::kTripleDes, "sub/b.doc.zip"},
    {"sub/c.d20240131-t120000.txt.9crypt", EncryptionMethod::kTripleDes, "sub/c.txt"},
    {"sub/deeper/\xff\xfe name.2CRYPT", EncryptionMethod::kRijndael, "sub/deeper/\xff\xfe name"},
    {"empty.2crypt", EncryptionMethod::kRijndael, "empty"},
};

TEST_F(ToolTest, DecryptsATreeOfMixedMethodsIntoAMirroredTree) {
  int seed = 0;
  for (const EncodedFile& file : kTree) {
    const std::string plain =
        PatternBytes(file.Name == "empty.2crypt" ? 0 : 1000 + 37 * seed, seed);
    Write("src/" + file.Name, EncryptWithLibrary(file.Method, plain, kPassphrase));
    Write("expected/" + file.Output, plain);
    ++seed;
  }
  Write("src/plain.txt", "not encrypted");
  Write("src/sub/x.5crypt", "no cipher");

  // c.txt is kept only as a version: "latest" restores it under its plain name.
  const ToolRun run = OstrelKeyed({"decrypt", "-r", "src", "-o", "out", "--versions", "latest"});

  EXPECT_EQ(run.ExitCode, 0) << run.Stderr;
  for (const EncodedFile& file : kTree)
    EXPECT_EQ(Read("out/" + file.Output), Read("expected/" + file.Output)) << file.Name;
  EXPECT_FALSE(Exists("out/plain.txt"));
  EXPECT_THAT(run.Stderr, HasSubstr("decrypted 5 files"));
  EXPECT_THAT(run.Stderr, HasSubstr("skipped 2, failed 0"));
}

TEST_F(ToolTest, DecryptsBesideTheInputsWithoutAnOutputDirectory) {
  Write("backup.zip.old/a.2crypt",
        EncryptWithLibrary(EncryptionMethod::kRijndael, "archived", kPassphrase));
  Write("x/report.doc.2crypt",
        EncryptWithLibrary(EncryptionMethod::kRijndael, "report", kPassphrase));

  const ToolRun run =
      OstrelKeyed({"decrypt", "backup.zip.old/a.2crypt", "x/../x/report.doc.2crypt"});

  EXPECT_EQ(run.ExitCode, 0) << run.Stderr;
  EXPECT_EQ(Read("backup.zip.old/a.zip"), "archived");  // the ".zip." rule sees directories too
  EXPECT_EQ(Read("x/report.doc"), "report");
}

TEST_F(ToolTest, EncryptsEveryPlainFileOfATreeAndSkipsEncryptedOnes) {
  Write("src/a.txt", PatternBytes(33));
  Write("src/sub/b", "");
  Write("src/sub/old.1crypt", "already encrypted");
  // A plain file whose name holds a day that does not exist is still a plain file.
  Write("src/x.d20230230-t120000.txt", "dated");

  const ToolRun run = OstrelKeyed({"encrypt", "-r", "src", "-o", "out"});

  EXPECT_EQ(run.ExitCode, 0) << run.Stderr;
  EXPECT_EQ(Read("out/a.txt.2crypt"),
            EncryptWithLibrary(EncryptionMethod::kRijndael, PatternBytes(33), kPassphrase));
  EXPECT_EQ(Read("out/sub/b.2crypt"),
            EncryptWithLibrary(EncryptionMethod::kRijndael, "", kPassphrase));
  EXPECT_EQ(Read("out/x.d20230230-t120000.txt.2crypt"),
            EncryptWithLibrary(EncryptionMethod::kRijndael, "dated", kPassphrase));
  EXPECT_FALSE(Exists("out/sub/old.1crypt.2crypt"));
  EXPECT_THAT(run.Stderr, HasSubstr("skipped 1"));
}

TEST_F(ToolTest, FilesInteroperateWithOstrelDecryptBothWays) {
  const std::string plain = PatternBytes(4099);
  Write("mine/doc", plain);
  ASSERT_EQ(OstrelKeyed({"encrypt", "mine/doc", "-o", "theirs"}).ExitCode, 0);
  ToolCall utility;
  utility.WorkingDirectory = directory_.Path().string();
  utility.Arguments = {"theirs/doc.2crypt", kPassphrase};
  ASSERT_EQ(RunTool(kOstrelDecrypt, utility).ExitCode, 0);
  EXPECT_EQ(Read("theirs/doc"), plain);

  Write("by-utility/doc", plain);
  utility.Arguments = {"/E", "by-utility/doc", kPassphrase};
  ASSERT_EQ(RunTool(kOstrelDecrypt, utility).ExitCode, 0);
  const ToolRun run = OstrelKeyed({"decrypt", "by-utility/doc.2crypt", "-o", "back"});
  EXPECT_EQ(run.ExitCode, 0) << run.Stderr;
  EXPECT_EQ(Read("back/doc"), plain);
}

TEST_F(ToolTest, AFailingFileIsReportedAndTheOthersAreStillDone) {
  const std::string good = EncryptWithLibrary(EncryptionMethod::kRijndael, "good", kPassphrase);
  const std::string other =
      EncryptWithLibrary(EncryptionMethod::kRijndael, PatternBytes(40), "another pass phrase");
  ASSERT_GT(FinalTailCount(EncryptionMethod::kRijndael, other, kPassphrase), 15)
      << "choose another fixture pass phrase";
  Write("in/1-good.2crypt", good);
  Write("in/2-truncated.2crypt", good.substr(0, 15));
  Write("in/3-ragged.2crypt", good + "x");
  Write("in/4-zero.2crypt", "");
  Write("in/5-wrong-key.2crypt", other);
  Write("in/6-plain.txt", "plain");
  Write("in/7-nothing.3crypt", "x");
  Write("in/8-triple.1crypt", std::string(12, 'x'));

  const ToolRun run =
      OstrelKeyed({"decrypt", "in/1-good.2crypt", "in/2-truncated.2crypt", "in/3-ragged.2crypt",
                   "in/4-zero.2crypt", "in/5-wrong-key.2crypt", "in/6-plain.txt",
                   "in/7-nothing.3crypt", "in/8-triple.1crypt", "in/9-missing.2crypt", "-j", "3"});

  EXPECT_EQ(run.ExitCode, 1);
  EXPECT_EQ(Read("in/1-good"), "good");
  const struct {
    const char* Line;
    const char* Output;
  } kFailures[] = {
      {"in/2-truncated.2crypt: truncated or not an encrypted file\n", "in/2-truncated"},
      {"in/3-ragged.2crypt: truncated or not an encrypted file\n", "in/3-ragged"},
      {"in/4-zero.2crypt: truncated or not an encrypted file\n", "in/4-zero"},
      {"in/5-wrong-key.2crypt: damaged: the final block does not open\n", "in/5-wrong-key"},
      {"in/6-plain.txt: no encryption detected\n", nullptr},
      {"in/7-nothing.3crypt: method 3 selects no cipher\n", nullptr},
      {"in/8-triple.1crypt: truncated or not an encrypted file\n", "in/8-triple"},
      {"in/9-missing.2crypt: No such file or directory\n", nullptr},
  };
  for (const auto& failure : kFailures) {
    EXPECT_THAT(run.Stderr, HasSubstr(std::string("ostrel: ") + failure.Line));
    if (failure.Output != nullptr) {
      EXPECT_FALSE(Exists(failure.Output)) << failure.Output;
    }
  }
  EXPECT_THAT(TemporaryLeftovers(), IsEmpty());
  EXPECT_THAT(run.Stderr, HasSubstr("decrypted 1 file (4 B), skipped 0, failed 8"));
}

TEST_F(ToolTest, FailFastStopsAtTheFirstFailure) {
  Write("a.2crypt", "short");
  Write("b.2crypt", EncryptWithLibrary(EncryptionMethod::kRijndael, "b", kPassphrase));

  const ToolRun run = OstrelKeyed({"decrypt", "--fail-fast", "-j", "1", "a.2crypt", "b.2crypt"});

  EXPECT_EQ(run.ExitCode, 1);
  EXPECT_FALSE(Exists("b"));
  EXPECT_THAT(run.Stderr, HasSubstr("failed 1"));
}

// Outputs that wait for the disk are committed while later files are written: the report must
// still come in the order of the tree, say "ok" only for files that have their names, and leave
// no temporary file behind.
TEST_F(ToolTest, OutputsFlushedWhileOthersAreWrittenAreReportedInTreeOrder) {
  std::vector<std::string> inputs;
  for (int i = 0; i < 240; ++i) {
    char name[32];
    (void)std::snprintf(name, sizeof name, "src/d%d/f%03d.2crypt", i % 3, i);
    // Large files among small ones finish out of turn.
    const std::string plain = PatternBytes(i % 17 == 0 ? 3 << 20 : 100 + i, i);
    Write(name, EncryptWithLibrary(EncryptionMethod::kRijndael, plain, kPassphrase));
    const std::string input = name;
    Write("expected" + input.substr(3, input.size() - 3 - 7), plain);
    inputs.emplace_back(name);
  }
  std::sort(inputs.begin(), inputs.end());

  const ToolRun run = OstrelKeyed({"decrypt", "-r", "src", "-o", "out", "-j", "8", "--json"});

  ASSERT_EQ(run.ExitCode, 0) << run.Stderr;
  std::istringstream lines(run.Stdout);
  std::vector<std::string> reported;
  for (std::string line; std::getline(lines, line);) {
    const nlohmann::json object = nlohmann::json::parse(line);
    reported.push_back(object["input"]);
    const std::string output = object["output"];
    EXPECT_EQ(object["result"], "ok") << line;
    EXPECT_EQ(Read(output), Read("expected" + output.substr(3))) << output;
  }
  EXPECT_EQ(reported, inputs);
  for (const auto& entry : std::filesystem::recursive_directory_iterator(PathOf("out")))
    EXPECT_FALSE(entry.path().filename().string().starts_with(".ostrel-")) << entry.path();
}

TEST_F(ToolTest, DryRunPrintsThePlanAndWritesNothing) {
  Write("t/a.2crypt", EncryptWithLibrary(EncryptionMethod::kRijndael, "a", kPassphrase));
  Write("t/b.txt", "b");

  // No pass phrase is given or needed.
  ToolCall call;
  call.Arguments = {"decrypt", "-r", "t", "--dry-run"};
  call.WorkingDirectory = directory_.Path().string();
  const ToolRun run = RunTool(kOstrel, call);

  EXPECT_EQ(run.ExitCode, 0) << run.Stderr;
  EXPECT_EQ(run.Stdout, "t/a.2crypt -> t/a (size unknown without the pass phrase)\n");
  EXPECT_FALSE(Exists("t/a"));
}

}  // namespace
}  // namespace ostrel::testing_support
