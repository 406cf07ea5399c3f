#include "platform/directory_walk.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <utility>
#include <vector>

namespace ostrel {
namespace {

FileKind KindOfEntry(int directory, const dirent& entry) {
  switch (entry.d_type) {
    case DT_REG:
      return FileKind::Regular;
    case DT_DIR:
      return FileKind::Directory;
    case DT_LNK:
      return FileKind::SymbolicLink;
    case DT_UNKNOWN:
      break;
    default:
      return FileKind::Other;
  }
  // Some file systems do not say in the listing.
  struct stat status {};
  if (::fstatat(directory, entry.d_name, &status, AT_SYMLINK_NOFOLLOW) != 0)
    return FileKind::Missing;
  if (S_ISREG(status.st_mode))
    return FileKind::Regular;
  if (S_ISDIR(status.st_mode))
    return FileKind::Directory;
  if (S_ISLNK(status.st_mode))
    return FileKind::SymbolicLink;
  return FileKind::Other;
}

// The entries of one directory, sorted by name; false with errno when it cannot be listed.
bool ListDirectory(const std::string& path,
                   std::vector<std::pair<std::string, FileKind>>& entries) {
  const int handle = ::open(path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (handle < 0)
    return false;
  DIR* const directory = ::fdopendir(handle);
  if (directory == nullptr) {
    const int error = errno;
    ::close(handle);
    errno = error;
    return false;
  }
  errno = 0;
  while (const dirent* const entry = ::readdir(directory)) {
    if (std::strcmp(entry->d_name, ".") != 0 && std::strcmp(entry->d_name, "..") != 0)
      entries.emplace_back(entry->d_name, KindOfEntry(::dirfd(directory), *entry));
    errno = 0;
  }
  const int error = errno;
  ::closedir(directory);
  if (error != 0) {
    errno = error;
    return false;
  }
  std::sort(entries.begin(), entries.end());
  return true;
}

void Walk(const std::string& root, const std::string& relative,
          const std::function<void(const TreeEntry&)>& visit) {
  std::vector<std::pair<std::string, FileKind>> entries;
  const std::string path =
      relative.empty() ? root : (root.ends_with('/') ? root : root + "/") + relative;
  if (!ListDirectory(path, entries)) {
    visit({relative, FileKind::Directory, errno});
    return;
  }
  for (const auto& [name, kind] : entries) {
    std::string child = relative;
    if (!child.empty())
      child += '/';
    child += name;
    if (kind == FileKind::Directory) {
      Walk(root, child, visit);
    } else {
      visit({child, kind, 0});
    }
  }
}

}  // namespace

void WalkDirectoryTree(std::string_view root, const std::function<void(const TreeEntry&)>& visit) {
  Walk(std::string(root), std::string(), visit);
}

}  // namespace ostrel
