#include "platform/directory_listing.h"

#include <dirent.h>
#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace ostrel {
namespace {

bool IsDotOrDotDot(const char* name) {
  return std::strcmp(name, ".") == 0 || std::strcmp(name, "..") == 0;
}

OpenedFile OpenWith(int directory, std::string_view relative, int flags) {
  const std::string path = relative.empty() ? std::string(".") : std::string(relative);
  const int handle = ::openat(directory, path.c_str(), flags | O_RDONLY | O_CLOEXEC);
  if (handle < 0)
    return {-1, errno};
  return {handle, 0};
}

}  // namespace

OpenedFile OpenDirectoryHandle(std::string_view path) {
  return OpenWith(AT_FDCWD, path, O_DIRECTORY);
}

OpenedFile OpenFileBelow(int directory, std::string_view relative) {
  return OpenWith(directory, relative, O_NOFOLLOW);
}

OpenedFile OpenDirectoryBelow(int directory, std::string_view relative) {
  return OpenWith(directory, relative, O_DIRECTORY | O_NOFOLLOW);
}

int ListDirectoryKindsBelow(int directory, std::string_view relative,
                            std::vector<ListedEntry>& entries) {
  const OpenedFile opened = OpenDirectoryBelow(directory, relative);
  if (opened.handle < 0)
    return opened.error;
  DIR* const listing = ::fdopendir(opened.handle);
  if (listing == nullptr) {
    const int error = errno;
    ::close(opened.handle);
    return error;
  }
  int error = 0;
  for (;;) {
    errno = 0;
    const dirent* entry = ::readdir(listing);
    if (entry == nullptr) {
      error = errno;
      break;
    }
    if (IsDotOrDotDot(entry->d_name))
      continue;
    if (entry->d_type == DT_REG || entry->d_type == DT_DIR) {
      FileStatus kind;
      kind.Kind = entry->d_type == DT_REG ? FileKind::Regular : FileKind::Directory;
      kind.Inode = entry->d_ino;
      entries.push_back({entry->d_name, kind});
    } else {
      entries.push_back({entry->d_name, StatusBelow(::dirfd(listing), entry->d_name)});
    }
  }
  ::closedir(listing);
  return error;
}

bool IsEmptyDirectory(std::string_view path, int& error) {
  const OpenedFile opened = OpenDirectoryHandle(path);
  error = opened.error;
  if (opened.handle < 0)
    return false;
  std::vector<ListedEntry> entries;
  error = ListDirectoryKindsBelow(opened.handle, "", entries);
  ::close(opened.handle);
  return error == 0 && entries.empty();
}

}  // namespace ostrel
