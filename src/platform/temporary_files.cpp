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

#include "platform/random_bytes.h"

namespace ostrel {
namespace {

constexpr std::string_view kPrefix = ".ostrel-";
constexpr std::string_view kSuffix = ".tmp";
constexpr std::size_t kRandomDigits = 16;

// The host name in letters, digits and dots only (so that "-" separates the fields), short
// enough for any file system.
const std::string& HostTag() {
  static const std::string tag = [] {
    char name[HOST_NAME_MAX + 1] = {};
    if (::gethostname(name, sizeof name - 1) != 0)
      return std::string("host");
    std::string text;
    for (const char* at = name; *at != '\0' && text.size() < 32; ++at) {
      const char c = *at;
      const bool plain =
          (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '.';
      text.push_back(plain ? c : '_');
    }
    return text.empty() ? std::string("host") : text;
  }();
  return tag;
}

std::string Hexadecimal(const uint8_t* bytes, std::size_t count) {
  static constexpr char kDigits[] = "0123456789abcdef";
  std::string text;
  for (std::size_t index = 0; index < count; ++index) {
    text.push_back(kDigits[bytes[index] >> 4]);
    text.push_back(kDigits[bytes[index] & 0xF]);
  }
  return text;
}

// The process id of a temporary name made on this machine, or 0 for any other name.
pid_t OwnerOf(std::string_view name) {
  if (!name.starts_with(kPrefix) || !name.ends_with(kSuffix))
    return 0;
  name.remove_prefix(kPrefix.size());
  name.remove_suffix(kSuffix.size());
  const std::string& host = HostTag();
  if (!name.starts_with(host) || name.size() < host.size() + 1 || name[host.size()] != '-')
    return 0;
  name.remove_prefix(host.size() + 1);
  const std::size_t dash = name.find('-');
  if (dash == 0 || dash == std::string_view::npos || name.size() - dash - 1 != kRandomDigits)
    return 0;
  int64_t pid = 0;
  for (const char digit : name.substr(0, dash)) {
    if (digit < '0' || digit > '9' || pid > INT_MAX / 10)
      return 0;
    pid = pid * 10 + (digit - '0');
  }
  return static_cast<pid_t>(pid);
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
  uint8_t random[kRandomDigits / 2];
  FillFromSystemRandom(random, sizeof random);
  return std::string(kPrefix) + HostTag() + "-" + std::to_string(::getpid()) + "-" +
         Hexadecimal(random, sizeof random) + std::string(kSuffix);
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
    const pid_t owner = OwnerOf(entry->d_name);
    if (owner <= 0 || owner == ::getpid() || !ProcessIsGone(owner))
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
