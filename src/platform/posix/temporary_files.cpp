#include "platform/temporary_files.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <csignal>

#include <cerrno>
#include <climits>
#include <cstdint>
#include <mutex>
#include <set>
#include <utility>

#include "platform/temporary_names.h"

namespace ostrel {
namespace {

const std::string& HostTag() {
  static const std::string tag = [] {
    char name[HOST_NAME_MAX + 1] = {};
    if (::gethostname(name, sizeof name - 1) != 0)
      return TemporaryHostTag("");
    return TemporaryHostTag(name);
  }();
  return tag;
}

bool ProcessIsGone(pid_t pid) {
  return ::kill(pid, 0) != 0 && errno == ESRCH;
}

// Directories already cleaned in this run, by device and inode.
bool FirstVisit(const struct stat& directory) {
  static std::mutex mutex;
  static std::set<std::pair<dev_t, ino_t>> visited;
  const std::lock_guard lock(mutex);
  return visited.emplace(directory.st_dev, directory.st_ino).second;
}

}  // namespace

std::string NewTemporaryName() {
  // Outputs are written by the process that was started for the run, never after a fork.
  static const auto process = static_cast<uint64_t>(::getpid());
  return TemporaryNameFor(HostTag(), process);
}

void RemoveStaleTemporaries(int directory) {
  struct stat status {};
  if (::fstat(directory, &status) != 0 || !FirstVisit(status))
    return;
  // The listing needs a handle of its own: reading moves the handle's position.
  const int listing = ::openat(directory, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (listing < 0)
    return;
  DIR* const entries = ::fdopendir(listing);
  if (entries == nullptr) {
    ::close(listing);
    return;
  }
  const uid_t user = ::geteuid();
  while (const dirent* entry = ::readdir(entries)) {
    const uint64_t owner = TemporaryNameOwner(entry->d_name, HostTag());
    if (owner == 0 || owner > INT_MAX || static_cast<pid_t>(owner) == ::getpid() ||
        !ProcessIsGone(static_cast<pid_t>(owner)))
      continue;
    struct stat file {};
    if (::fstatat(directory, entry->d_name, &file, AT_SYMLINK_NOFOLLOW) != 0 ||
        !S_ISREG(file.st_mode) || file.st_uid != user)
      continue;
    ::unlinkat(directory, entry->d_name, 0);
  }
  ::closedir(entries);
}

}  // namespace ostrel
