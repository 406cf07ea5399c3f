#include "platform/output_directory.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "platform/directory_creation.h"

namespace ostrel {
namespace {

constexpr int kDirectoryFlags = O_RDONLY | O_DIRECTORY | O_CLOEXEC;

int OpenRetrying(int at, const char* name, int flags) {
  int handle = 0;
  do {
    handle = ::openat(at, name, flags);
  } while (handle < 0 && errno == EINTR);
  return handle;
}

}  // namespace

OutputDirectory::OutputDirectory(const std::string& root, std::string_view below, bool create) {
  const std::string top = root.empty() ? std::string(".") : root;
  if (create) {
    const int error = MakeDirectories(top);
    if (error != 0) {
      Fail(error, top, true);
      return;
    }
  }
  handle_ = OpenRetrying(AT_FDCWD, top.c_str(), kDirectoryFlags);
  if (handle_ < 0) {
    Fail(errno, top, false);
    return;
  }
  std::string path = top;
  std::size_t start = 0;
  while (start < below.size()) {
    std::size_t end = below.find('/', start);
    if (end == std::string_view::npos)
      end = below.size();
    const std::string component(below.substr(start, end - start));
    start = end + 1;
    if (component.empty() || component == ".")
      continue;
    path += (path.ends_with('/') ? "" : "/") + component;
    if (create && ::mkdirat(handle_, component.c_str(), 0777) != 0 && errno != EEXIST) {
      Fail(errno, path, true);
      return;
    }
    // A link here is not the directory the walk saw or the mirror made: refused (ELOOP).
    const int next = OpenRetrying(handle_, component.c_str(), kDirectoryFlags | O_NOFOLLOW);
    if (next < 0) {
      Fail(errno, path, false);
      return;
    }
    ::close(handle_);
    handle_ = next;
  }
}

OpenedFile CreateNewFileIn(int directory, std::string_view name) {
  const std::string entry(name);
  int handle = 0;
  do {
    handle = ::openat(directory, entry.c_str(),
                      O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC | O_NOCTTY | O_NOFOLLOW, 0600);
  } while (handle < 0 && errno == EINTR);
  if (handle < 0)
    return {-1, errno};
  return {handle, 0};
}

int RemoveFileIn(int directory, std::string_view name) noexcept {
  try {
    const std::string entry(name);
    return ::unlinkat(directory, entry.c_str(), 0) == 0 ? 0 : errno;
  } catch (...) {
    return ENOMEM;
  }
}

OpenedFile DuplicateFileHandle(int handle) {
  const int second = ::fcntl(handle, F_DUPFD_CLOEXEC, 0);
  if (second < 0)
    return {-1, errno};
  return {second, 0};
}

int SyncFile(int handle) {
  return ::fsync(handle) == 0 ? 0 : errno;
}

int SyncDirectory(int handle) {
  if (::fsync(handle) == 0)
    return 0;
  return errno == EINVAL || errno == EROFS ? 0 : errno;
}

}  // namespace ostrel
