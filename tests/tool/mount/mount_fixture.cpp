#include "mount_fixture.h"

#include <dirent.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

#include "support/process.h"

namespace ostrel::testing_support {
namespace {

constexpr auto kPatience = std::chrono::seconds(20);

}  // namespace

bool MountTableHas(const std::string& path) {
  std::ifstream table("/proc/self/mountinfo");
  std::string line;
  while (std::getline(table, line)) {
    std::istringstream fields(line);
    std::string field;
    for (int index = 0; index < 5 && fields >> field; ++index) {
    }
    if (field == path)
      return true;
  }
  return false;
}

void MountTest::SetUp() {
  std::filesystem::create_directory(PathOf("source"));
  std::filesystem::create_directory(PathOf("mnt"));
}

void MountTest::TearDown() {
  if (IsMounted()) {
    if (RunProcess("/bin/fusermount3", {"-u", PathOf("mnt")}).ExitCode != 0)
      RunProcess("/bin/fusermount3", {"-uz", PathOf("mnt")});
  }
  if (mount_) {
    const auto deadline = std::chrono::steady_clock::now() + kPatience;
    while (!mount_->HasEnded() && std::chrono::steady_clock::now() < deadline)
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    if (!mount_->HasEnded()) {
      ADD_FAILURE() << "ostrel mount did not end after the unmount";
      mount_->Signal(SIGKILL);
    }
    mount_.reset();
  }
}

void MountTest::WriteEncrypted(const std::string& name, EncryptionMethod method,
                               const std::string& plain, const std::string& passphrase) const {
  std::filesystem::create_directories(std::filesystem::path(SourceOf(name)).parent_path());
  WriteFileBytes(SourceOf(name), EncryptWithLibrary(method, plain, passphrase));
}

bool MountTest::IsMounted() const {
  return MountTableHas(PathOf("mnt"));
}

std::string MountTest::Log() const {
  return Exists("mount.log") ? Read("mount.log") : std::string();
}

void MountTest::Mount(const std::vector<std::string>& options, const std::string& passphrase) {
  ToolCall call;
  call.Arguments = {"-c", "exec \"$0\" mount -f --passphrase-env OSTREL_PW \"$@\" 2>\"$LOG\"",
                    kOstrel};
  call.Arguments.insert(call.Arguments.end(), options.begin(), options.end());
  call.Arguments.insert(call.Arguments.end(), {PathOf("source"), PathOf("mnt")});
  // Stamps are read as local time; UTC makes the expected times plain.
  call.Environment = {{"OSTREL_PW", passphrase}, {"LOG", PathOf("mount.log")}, {"TZ", "UTC"}};
  mount_ = std::make_unique<BackgroundTool>("/bin/sh", call);
  const auto deadline = std::chrono::steady_clock::now() + kPatience;
  while (!IsMounted()) {
    if (mount_->HasEnded() || std::chrono::steady_clock::now() > deadline) {
      FAIL() << "ostrel mount did not mount: " << Log();
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
}

int MountTest::Unmount() {
  const ProcessResult unmounted = RunProcess("/bin/fusermount3", {"-u", PathOf("mnt")});
  EXPECT_EQ(unmounted.ExitCode, 0) << unmounted.Stderr;
  const auto deadline = std::chrono::steady_clock::now() + kPatience;
  while (!mount_->HasEnded() && std::chrono::steady_clock::now() < deadline)
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  if (!mount_->HasEnded())
    return -1;  // the teardown ends it
  const ToolRun run = mount_->Wait();
  mount_.reset();
  return run.ExitCode;
}

std::vector<std::string> MountTest::Listing(const std::string& directory) const {
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(MountedOf(directory)))
    names.push_back(entry.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

}  // namespace ostrel::testing_support
