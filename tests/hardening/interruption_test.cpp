// ostrel-decrypt stopped by SIGINT or SIGTERM in the middle of a large file: the output keeps the
// plain text of a run of whole blocks from the start, and the input is exactly as it was; while
// it runs, it can leave no core dump.
#include <fcntl.h>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>

#include "primitives/fold_digest.h"
#include "primitives/rijndael.h"
#include "support/library_files.h"
#include "support/temporary_directory.h"

extern char** environ;

namespace ostrel {
namespace {

namespace fs = std::filesystem;
using testing_support::ReadFileBytes;
using testing_support::TemporaryDirectory;

const std::string kProgram = std::string(OSTREL_BINARY_DIR) + "/ostrel-decrypt";

// The input: 1 MiB of varied bytes, then zeros up to 4 GiB, kept sparse so that it costs no disk,
// and a final block that opens under the pass phrase, since nothing is written for a file whose
// final block does not. No run gets near its end before the signal comes.
constexpr std::size_t kVariedBytes = 1 << 20;
constexpr off_t kInputSize = off_t{1} << 32;

std::string VariedBytes() {
  std::string bytes(kVariedBytes, '\0');
  uint32_t state = 12345;
  for (char& byte : bytes) {
    state = state * 1103515245u + 12345u;
    byte = static_cast<char>(state >> 24);
  }
  return bytes;
}

void MakeSparseInput(const std::string& path, const std::string& start) {
  const int handle = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
  ASSERT_GE(handle, 0);
  ASSERT_EQ(::write(handle, start.data(), start.size()), static_cast<ssize_t>(start.size()));
  const std::string final =
      testing_support::EncryptWithLibrary(EncryptionMethod::kRijndael, "", "phrase");
  ASSERT_EQ(::pwrite(handle, final.data(), final.size(), kInputSize - 16), 16);
  ::close(handle);
}

// The plain text of the input's first blocks, block by block, with the pass phrase's key.
std::string DecryptBlocks(const std::string& cipherText, std::size_t length) {
  uint8_t key[32];
  PassphraseToKey(key, 32, "phrase");
  RijndaelContext context;
  InitRijndaelContext(key, 32, context, false);
  std::string plain = cipherText.substr(0, length);
  for (std::size_t at = 0; at + 16 <= plain.size(); at += 16)
    RijndaelBlock(context, reinterpret_cast<uint8_t*>(plain.data() + at));
  return plain;
}

class Interruption : public ::testing::TestWithParam<int> {};

TEST_P(Interruption, KeepsWholeBlocksOfPlainTextAndLeavesTheInputAlone) {
  const int signal = GetParam();
  TemporaryDirectory dir;
  const std::string input = dir / "large.bin.2crypt";
  const std::string output = dir / "large.bin";
  const std::string start = VariedBytes();
  MakeSparseInput(input, start);
  struct stat before {};
  ASSERT_EQ(::stat(input.c_str(), &before), 0);

  const char* argv[] = {kProgram.c_str(), input.c_str(), "phrase", nullptr};
  pid_t pid = 0;
  ASSERT_EQ(
      posix_spawn(&pid, kProgram.c_str(), nullptr, nullptr, const_cast<char**>(argv), environ), 0);
  // Wait until the run is under way: part of the varied bytes decrypted, far from the end.
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
  const auto writtenSoFar = [&] {
    std::error_code error;
    const std::uintmax_t size = fs::file_size(output, error);
    return error ? std::uintmax_t{0} : size;
  };
  while (std::chrono::steady_clock::now() < deadline && writtenSoFar() < kVariedBytes / 4) {
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
  // While it holds the key, the run can leave no core dump behind.
  std::ifstream limits("/proc/" + std::to_string(pid) + "/limits");
  std::string coreLimit;
  for (std::string line; std::getline(limits, line);) {
    if (line.starts_with("Max core file size"))
      coreLimit = line;
  }
  EXPECT_THAT(coreLimit, ::testing::MatchesRegex("Max core file size +0 +0 .*"));
  ASSERT_EQ(::kill(pid, signal), 0);
  int status = 0;
  ASSERT_EQ(::waitpid(pid, &status, 0), pid);

  // The run did not finish: the signal ended it.
  ASSERT_TRUE(WIFSIGNALED(status)) << "exit status " << status;
  EXPECT_EQ(WTERMSIG(status), signal);

  const std::string written = ReadFileBytes(output);
  ASSERT_GE(written.size(), kVariedBytes / 4);
  EXPECT_EQ(written.size() % 16, 0u);
  const std::size_t checked = std::min(written.size(), kVariedBytes);
  EXPECT_TRUE(written.substr(0, checked) == DecryptBlocks(start, checked));

  struct stat after {};
  ASSERT_EQ(::stat(input.c_str(), &after), 0);
  EXPECT_EQ(after.st_size, before.st_size);
  EXPECT_EQ(after.st_mtim.tv_sec, before.st_mtim.tv_sec);
  EXPECT_EQ(after.st_mtim.tv_nsec, before.st_mtim.tv_nsec);
  std::string head(kVariedBytes, '\0');
  const int handle = ::open(input.c_str(), O_RDONLY);
  ASSERT_GE(handle, 0);
  EXPECT_EQ(::read(handle, head.data(), head.size()), static_cast<ssize_t>(head.size()));
  ::close(handle);
  EXPECT_TRUE(head == start);
}

INSTANTIATE_TEST_SUITE_P(SigintAndSigterm, Interruption, ::testing::Values(SIGINT, SIGTERM),
                         [](const ::testing::TestParamInfo<int>& signal) {
                           return std::string(signal.param == SIGINT ? "Sigint" : "Sigterm");
                         });

}  // namespace
}  // namespace ostrel
