// Outputs appear whole or not at all: existing files are kept, the input is never the output,
// an interruption leaves nothing behind, and permissions and times are carried over as asked.
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <map>
#include <nlohmann/json.hpp>
#include <random>
#include <sstream>
#include <thread>
#include <vector>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "tool_fixture.h"

namespace ostrel::testing_support {
namespace {

namespace fs = std::filesystem;
using ::testing::HasSubstr;
using ::testing::IsEmpty;

TEST_F(ToolTest, AnExistingOutputIsKeptUnlessForced) {
  Write("a.2crypt", EncryptWithLibrary(EncryptionMethod::kRijndael, "new", kPassphrase));
  Write("a", "old");

  const ToolRun refused = OstrelKeyed({"decrypt", "a.2crypt"});
  EXPECT_EQ(refused.ExitCode, 1);
  // The file's line says what happened; the summary names the ways on, once for all files.
  EXPECT_THAT(refused.Stderr, HasSubstr("ostrel: a.2crypt: output a exists\n"));
  EXPECT_THAT(refused.Stderr, HasSubstr("ostrel: 1 output exists already; --skip-existing leaves "
                                        "them alone (to resume a run), --force replaces them\n"));
  EXPECT_EQ(Read("a"), "old");

  const ToolRun forced = OstrelKeyed({"decrypt", "--force", "a.2crypt"});
  EXPECT_EQ(forced.ExitCode, 0) << forced.Stderr;
  EXPECT_EQ(Read("a"), "new");
  EXPECT_THAT(TemporaryLeftovers(), IsEmpty());
}

TEST_F(ToolTest, TheOutputIsNeverTheInputEvenWhenForced) {
  const std::string encrypted =
      EncryptWithLibrary(EncryptionMethod::kRijndael, "plain", kPassphrase);
  Write("a.2crypt", encrypted);
  // The output name reaches the input itself through a hard link.
  std::filesystem::create_hard_link(PathOf("a.2crypt"), PathOf("a"));

  const ToolRun run = OstrelKeyed({"decrypt", "--force", "a.2crypt"});

  EXPECT_EQ(run.ExitCode, 1);
  EXPECT_THAT(run.Stderr, HasSubstr("output a is the input itself"));
  EXPECT_EQ(Read("a.2crypt"), encrypted);
}

TEST_F(ToolTest, TwoInputsWithTheSameOutputDoNotOverwriteEachOther) {
  Write("r.1crypt",
        EncryptWithLibrary(EncryptionMethod::kTripleDes, "from triple-des", kPassphrase));
  Write("r.2crypt", EncryptWithLibrary(EncryptionMethod::kRijndael, "from rijndael", kPassphrase));

  const ToolRun run = OstrelKeyed({"decrypt", "--force", "r.1crypt", "r.2crypt"});

  EXPECT_EQ(run.ExitCode, 1);
  EXPECT_EQ(Read("r"), "from triple-des");
  EXPECT_THAT(run.Stderr, HasSubstr("r.2crypt: output r is also the output of r.1crypt"));
}

TEST_F(ToolTest, AnUnwritableTargetFailsWithTheSystemsReason) {
  Write("a.2crypt", EncryptWithLibrary(EncryptionMethod::kRijndael, "a", kPassphrase));
  Write("file", "in the way");

  // A directory that cannot be made under a regular file: refused for root as for anyone.
  const ToolRun blocked = OstrelKeyed({"decrypt", "a.2crypt", "-o", "file/out"});
  EXPECT_EQ(blocked.ExitCode, 1);
  EXPECT_THAT(blocked.Stderr, HasSubstr("cannot create directory file/out: Not a directory"));

  std::filesystem::create_directory(PathOf("locked"));
  std::filesystem::permissions(
      PathOf("locked"), std::filesystem::perms::owner_read | std::filesystem::perms::owner_exec);
  const ToolRun locked = OstrelKeyed({"decrypt", "a.2crypt", "-o", "locked"});
  std::filesystem::permissions(PathOf("locked"), std::filesystem::perms::owner_all);
  if (geteuid() != 0) {  // root writes into a read-only directory regardless
    EXPECT_EQ(locked.ExitCode, 1);
    EXPECT_THAT(locked.Stderr, HasSubstr("Permission denied"));
  }
  EXPECT_THAT(TemporaryLeftovers(), IsEmpty());
}

class InterruptionTest : public ToolTest, public ::testing::WithParamInterface<int> {};

TEST_P(InterruptionTest, LeavesNoPartialFileAndEndsByTheSignal) {
  // A large sparse input: reading it is quick, encrypting it takes long enough to interrupt.
  {
    Write("big", "");
    std::filesystem::resize_file(PathOf("big"), std::uintmax_t{4} << 30);
  }
  ToolCall call;
  call.Arguments = {"encrypt", "--passphrase-env", "OSTREL_PW", "big", "-o", "out"};
  call.Environment = {{"OSTREL_PW", kPassphrase}};
  call.WorkingDirectory = directory_.Path().string();
  BackgroundTool tool(kOstrel, call);

  // Interrupt once the temporary output exists and has grown.
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
  bool writing = false;
  while (!writing && !tool.HasEnded() && std::chrono::steady_clock::now() < deadline) {
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
    for (const std::string& leftover : TemporaryLeftovers()) {
      std::error_code error;
      writing = writing || std::filesystem::file_size(leftover, error) > 0;
      // Plain text under a temporary name is for the owner alone.
      struct stat status {};
      if (stat(leftover.c_str(), &status) == 0) {
        EXPECT_EQ(status.st_mode & 07777, 0600U) << leftover;
      }
    }
  }
  ASSERT_TRUE(writing) << "the temporary output never appeared";
  tool.Signal(GetParam());
  const ToolRun run = tool.Wait();

  EXPECT_EQ(run.Signal, GetParam());
  EXPECT_THAT(TemporaryLeftovers(), IsEmpty());
  EXPECT_FALSE(Exists("out/big.2crypt"));
}

// Every signal that ends a process and can be caught, not only the usual ones.
INSTANTIATE_TEST_SUITE_P(Signals, InterruptionTest,
                         ::testing::Values(SIGINT, SIGTERM, SIGHUP, SIGQUIT, SIGPIPE, SIGUSR1,
                                           SIGUSR2, SIGALRM, SIGXCPU, SIGVTALRM, SIGPROF),
                         [](const ::testing::TestParamInfo<int>& signal) {
                           return std::string(sigabbrev_np(signal.param));
                         });

// Killed at random points of its batches (SIGKILL: nothing can clean up), a restore leaves only
// whole outputs under their final names; the next run removes the temporary files the killed one
// left, writes the rest, and reports in the tree's order as ever.
TEST_F(ToolTest, AKilledRestoreLeavesOnlyWholeOutputsAndTheNextRunCleansUp) {
  constexpr int kDirectories = 4;
  constexpr int kPerDirectory = 100;
  std::map<std::string, std::string> expected;  // below out/
  std::vector<std::string> inputs;              // in the tree's order
  for (int d = 0; d < kDirectories; ++d) {
    for (int f = 0; f < kPerDirectory; ++f) {
      char name[32];
      (void)std::snprintf(name, sizeof name, "d%d/f%03d", d, f);
      const int seed = d * kPerDirectory + f;
      const std::string plain = PatternBytes(static_cast<std::size_t>(seed * 37 % 5000), seed);
      Write(std::string("src/") + name + ".2crypt",
            EncryptWithLibrary(EncryptionMethod::kRijndael, plain, kPassphrase));
      expected[name] = plain;
      inputs.push_back(std::string("src/") + name + ".2crypt");
    }
  }
  const auto finalOutputs = [&] {
    std::vector<std::string> found;
    std::error_code error;
    for (fs::recursive_directory_iterator entry(PathOf("out"), error);
         !error && entry != fs::recursive_directory_iterator(); entry.increment(error)) {
      if (entry->is_regular_file() && !entry->path().filename().string().starts_with(".ostrel-"))
        found.push_back(fs::relative(entry->path(), PathOf("out")).string());
    }
    return found;
  };
  ToolCall call;
  call.Environment = {{"OSTREL_PW", kPassphrase}};
  call.WorkingDirectory = directory_.Path().string();

  std::mt19937 random(20261211);
  for (int round = 0; round < 4; ++round) {
    fs::remove_all(PathOf("out"));
    const std::size_t killAfter = random() % expected.size();
    call.Arguments = {"decrypt", "--passphrase-env", "OSTREL_PW", "-r", "src", "-o", "out"};
    {
      BackgroundTool tool(kOstrel, call);
      while (!tool.HasEnded() && finalOutputs().size() < killAfter)
        std::this_thread::sleep_for(std::chrono::microseconds(200));
      tool.Signal(SIGKILL);
      (void)tool.Wait();
    }
    for (const std::string& output : finalOutputs()) {
      ASSERT_TRUE(expected.contains(output)) << output;
      EXPECT_TRUE(Read("out/" + output) == expected[output]) << output << ", round " << round;
    }

    call.Arguments = {"decrypt", "--passphrase-env", "OSTREL_PW", "-r", "src", "-o",
                      "out",     "--skip-existing",  "--json"};
    const ToolRun next = RunTool(kOstrel, call);
    ASSERT_EQ(next.ExitCode, 0) << next.Stderr;
    EXPECT_THAT(TemporaryLeftovers(), IsEmpty()) << "round " << round;
    for (const auto& [output, plain] : expected)
      EXPECT_TRUE(Read("out/" + output) == plain) << output << ", round " << round;
    std::vector<std::string> reported;
    std::istringstream lines(next.Stdout);
    for (std::string line; std::getline(lines, line);)
      reported.push_back(nlohmann::json::parse(line).at("input").get<std::string>());
    EXPECT_EQ(reported, inputs) << "round " << round;
  }
}

mode_t ModeOf(const std::string& path) {
  struct stat status {};
  EXPECT_EQ(stat(path.c_str(), &status), 0);
  return status.st_mode & 07777;
}

TEST_F(ToolTest, PermissionsAndTimesAreCarriedOverAsAsked) {
  const mode_t mask = umask(022);
  umask(mask);
  Write("private.2crypt", EncryptWithLibrary(EncryptionMethod::kRijndael, "secret", kPassphrase));
  Write("shared.2crypt", EncryptWithLibrary(EncryptionMethod::kRijndael, "shared", kPassphrase));
  chmod(PathOf("private.2crypt").c_str(), 0600);
  chmod(PathOf("shared.2crypt").c_str(), 0754);
  const auto old = std::filesystem::file_time_type::clock::now() - std::chrono::hours(24 * 400);
  std::filesystem::last_write_time(PathOf("shared.2crypt"), old);

  ASSERT_EQ(OstrelKeyed({"decrypt", "private.2crypt", "shared.2crypt"}).ExitCode, 0);
  EXPECT_EQ(ModeOf(PathOf("private")), 0600U);
  EXPECT_EQ(ModeOf(PathOf("shared")), (0644U & ~mask) | 0600U);  // read/write bits only
  // A decrypted file keeps the time of the encrypted one; --no-times leaves the time of writing.
  EXPECT_EQ(std::filesystem::last_write_time(PathOf("shared")), old);
  ASSERT_EQ(OstrelKeyed({"decrypt", "--no-times", "--force", "shared.2crypt"}).ExitCode, 0);
  EXPECT_NE(std::filesystem::last_write_time(PathOf("shared")), old);

  ASSERT_EQ(OstrelKeyed({"decrypt", "-p", "--force", "shared.2crypt"}).ExitCode, 0);
  EXPECT_EQ(ModeOf(PathOf("shared")), 0754U);
  EXPECT_EQ(std::filesystem::last_write_time(PathOf("shared")), old);
}

}  // namespace
}  // namespace ostrel::testing_support
