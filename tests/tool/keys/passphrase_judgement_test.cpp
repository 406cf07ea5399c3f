// One judgement of the pass phrase per run, whatever its source: a wrong pass phrase that opens a
// file by chance writes nothing, a right one with damaged files restores the rest and names them,
// and verify gives the same three answers.
#include <filesystem>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include "tool_fixture.h"

namespace ostrel::testing_support {
namespace {

using ::testing::HasSubstr;
using ::testing::Not;

// A backup of nine files in three directories, both methods; the last file is the one a wrong
// pass phrase is found to open by chance.
class JudgementTest : public ToolTest {
 protected:
  void SetUp() override {
    for (const char* directory : {"a", "b", "c"}) {
      for (int i = 1; i <= 3; ++i) {
        const EncryptionMethod method =
            i == 2 ? EncryptionMethod::kTripleDes : EncryptionMethod::kRijndael;
        const std::string plain = PatternBytes(static_cast<std::size_t>(40 * i), i) + directory;
        const std::string name = std::string("backup/") + directory + "/f" + std::to_string(i) +
                                 CipherMethodFor(method).Suffix;
        files_[name] = {method, EncryptWithLibrary(method, plain, kPassphrase), plain};
        Write(name, files_[name].Encrypted);
      }
    }
  }

  // The plain file of each encrypted one, by its path below backup/.
  std::map<std::string, std::string> PlainTree() const {
    std::map<std::string, std::string> tree;
    for (const auto& [name, file] : files_) {
      std::string plain = name.substr(std::string("backup/").size());
      plain.resize(plain.rfind('.'));
      tree[plain] = file.Plain;
    }
    return tree;
  }

  std::map<std::string, std::string> TreeOf(const std::string& dir) const {
    std::map<std::string, std::string> tree;
    if (!std::filesystem::exists(PathOf(dir)))
      return tree;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(PathOf(dir))) {
      if (entry.is_regular_file())
        tree[std::filesystem::relative(entry.path(), PathOf(dir)).string()] =
            ReadFileBytes(entry.path().string());
    }
    return tree;
  }

  // How many of the files a pass phrase opens.
  int Opened(const std::string& passphrase) const {
    int opened = 0;
    for (const auto& [name, file] : files_)
      opened += FinalBlockOpens(file.Method, file.Encrypted, passphrase) ? 1 : 0;
    return opened;
  }

  // Replaces a file with a copy whose final block no longer opens under the right pass phrase.
  void Damage(const std::string& name) {
    const File& file = files_.at(name);
    for (int mask = 1; mask < 256; ++mask) {
      std::string damaged = file.Encrypted;
      damaged.back() = static_cast<char>(damaged.back() ^ mask);
      if (!FinalBlockOpens(file.Method, damaged, kPassphrase)) {
        Write(name, damaged);
        return;
      }
    }
    FAIL() << "no damage found that the check sees";
  }

  struct File {
    EncryptionMethod Method = EncryptionMethod::kRijndael;
    std::string Encrypted;
    std::string Plain;
  };
  std::map<std::string, File> files_;
};

TEST_F(JudgementTest, AWrongPassphraseThatOpensAFileByChanceWritesNothingFromAnySource) {
  const File& last = files_.at("backup/c/f3.2crypt");
  const std::string lucky = WrongPassphraseOpeningByChance(last.Method, last.Encrypted);
  const int opened = Opened(lucky);
  ASSERT_GE(opened, 1);
  ASSERT_LT(2 * opened, 9);
  Write("phrase.txt", lucky + "\n");
  const struct {
    const char* Name;
    std::vector<std::string> Options;
    std::vector<std::pair<std::string, std::string>> Environment;
    std::string Descriptor3;
  } kSources[] = {
      {"file", {"--passphrase-file", "phrase.txt"}, {}, ""},
      {"environment", {"--passphrase-env", "PW"}, {{"PW", lucky}}, ""},
      {"descriptor", {"--passphrase-fd", "3"}, {}, lucky + "\n"},
  };
  const std::string judged = "ostrel: the pass phrase opens " + std::to_string(opened) +
                             " of 9 files tried; nothing was written\n";
  for (const auto& source : kSources) {
    SCOPED_TRACE(source.Name);
    for (const char* mode : {"restore", "dry run"}) {
      SCOPED_TRACE(mode);
      ToolCall call;
      call.Arguments = {"decrypt", "-r", "backup", "-o", "out"};
      if (std::string(mode) == "dry run")
        call.Arguments.push_back("--dry-run");
      call.Arguments.insert(call.Arguments.end(), source.Options.begin(), source.Options.end());
      call.Environment = source.Environment;
      call.Descriptor3 = source.Descriptor3;
      call.WorkingDirectory = directory_.Path().string();
      const ToolRun run = RunTool(kOstrel, call);
      EXPECT_EQ(run.ExitCode, 3) << run.Stderr;
      EXPECT_EQ(run.Stderr, judged);
      EXPECT_EQ(run.Stdout, "");
      EXPECT_FALSE(Exists("out"));
    }
  }

  // verify gives the same verdict; a resumed restore with the right pass phrase finds nothing
  // left behind to keep.
  const ToolRun verify = OstrelKeyed({"verify", "-r", "backup"}, {}, lucky);
  EXPECT_EQ(verify.ExitCode, 3);
  EXPECT_THAT(verify.Stderr,
              HasSubstr("the pass phrase opens " + std::to_string(opened) + " of 9 files tried"));
  const ToolRun resumed = OstrelKeyed({"decrypt", "-r", "backup", "-o", "out", "--skip-existing"});
  EXPECT_EQ(resumed.ExitCode, 0) << resumed.Stderr;
  EXPECT_EQ(TreeOf("out"), PlainTree());
}

TEST_F(JudgementTest, DamagedFilesUnderTheRightPassphraseAreReportedAndTheRestIsRestored) {
  Damage("backup/a/f1.2crypt");
  Damage("backup/c/f2.1crypt");
  const ToolRun run = OstrelKeyed({"decrypt", "-r", "backup", "-o", "out"});
  EXPECT_EQ(run.ExitCode, 1) << run.Stderr;
  EXPECT_THAT(run.Stderr, HasSubstr("ostrel: backup/a/f1.2crypt: damaged: the final block does "
                                    "not open\n"));
  EXPECT_THAT(run.Stderr, HasSubstr("ostrel: backup/c/f2.1crypt: damaged: the final block does "
                                    "not open\n"));
  EXPECT_THAT(run.Stderr, Not(HasSubstr("nothing was written")));
  std::map<std::string, std::string> expected = PlainTree();
  expected.erase("a/f1");
  expected.erase("c/f2");
  EXPECT_EQ(TreeOf("out"), expected);

  // verify: the files listed, status 1; and what a final block can tell, said plainly.
  const ToolRun verify = OstrelKeyed({"verify", "-r", "backup"});
  EXPECT_EQ(verify.ExitCode, 1);
  EXPECT_THAT(verify.Stderr, HasSubstr("backup/a/f1.2crypt: damaged: the final block does not"));
  EXPECT_THAT(verify.Stderr, HasSubstr("backup/c/f2.1crypt: damaged: the final block does not"));
  EXPECT_THAT(verify.Stderr, HasSubstr("the pass phrase opens 7 files; 2 damaged"));
  EXPECT_THAT(verify.Stderr, HasSubstr("only the final block of each file was read; this format "
                                       "has no check value, so changes elsewhere in a file cannot "
                                       "be detected"));
}

TEST_F(JudgementTest, VerifyOfAGoodBackupSaysAllGoodAndGivesEachFilesPlainLength) {
  const ToolRun run = OstrelKeyed({"verify", "-r", "backup"});
  EXPECT_EQ(run.ExitCode, 0) << run.Stderr;
  EXPECT_THAT(run.Stderr, HasSubstr("all good: the pass phrase opens all 9 files checked"));

  const ToolRun json = OstrelKeyed({"verify", "-r", "backup", "--json"});
  EXPECT_EQ(json.ExitCode, 0) << json.Stderr;
  std::size_t files = 0;
  std::istringstream lines(json.Stdout);
  for (std::string line; std::getline(lines, line);) {
    const nlohmann::json object = nlohmann::json::parse(line);
    if (object.contains("summary")) {
      EXPECT_EQ(object["summary"]["damaged"], 0);
      continue;
    }
    ++files;
    std::string plain = object["input"].get<std::string>().substr(std::string("backup/").size());
    plain.resize(plain.rfind('.'));
    EXPECT_EQ(object["bytes"], PlainTree().at(plain).size()) << plain;
  }
  EXPECT_EQ(files, 9U);
}

// A file that is cut short or unreadable says nothing about the pass phrase: it must not be taken
// for one that opened.
TEST_F(ToolTest, ATruncatedFileDoesNotCountAsOpened) {
  const std::string good = EncryptWithLibrary(EncryptionMethod::kRijndael, "good", kPassphrase);
  Write("a-cut.2crypt", good.substr(0, 7));
  Write("b-good.2crypt", good);
  const std::string wrong = PassphraseFailingTailCheck(EncryptionMethod::kRijndael, good);

  const ToolRun fromVariable = OstrelKeyed({"decrypt", "a-cut.2crypt", "b-good.2crypt"}, {}, wrong);
  EXPECT_EQ(fromVariable.ExitCode, 3);
  EXPECT_THAT(fromVariable.Stderr,
              HasSubstr("the pass phrase does not open b-good.2crypt; nothing was written"));
  EXPECT_FALSE(Exists("b-good"));

  ToolCall call;
  call.Arguments = {"decrypt", "a-cut.2crypt", "b-good.2crypt"};
  call.WorkingDirectory = directory_.Path().string();
  const ToolRun prompted = RunToolOnTerminal(kOstrel, call, {wrong, kPassphrase});
  EXPECT_THAT(prompted.Stdout, HasSubstr("that pass phrase does not open b-good.2crypt"));
  EXPECT_EQ(prompted.ExitCode, 1) << prompted.Stdout;  // the cut file fails on its own
  EXPECT_EQ(Read("b-good"), "good");
}

}  // namespace
}  // namespace ostrel::testing_support
