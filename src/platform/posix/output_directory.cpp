#include "platform/output_directory.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/statfs.h>
#include <unistd.h>

#include <cerrno>
#include <string>

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

// The file systems whose flush of the whole is known to write every file's data and every name:
// ext4, XFS, Btrfs, and the ones in memory.
FlushScope ScopeOf(int handle) {
  struct statfs system {};
  if (::fstatfs(handle, &system) != 0)
    return FlushScope::EachFile;
  switch (static_cast<unsigned long>(system.f_type)) {
    case 0xEF53UL:      // ext2, ext3, ext4
    case 0x58465342UL:  // XFS
    case 0x9123683EUL:  // Btrfs
    case 0x01021994UL:  // tmpfs
    case 0x858458F6UL:  // ramfs
      return FlushScope::FileSystem;
    default:
      return FlushScope::EachFile;
  }
}

// A new directory's name is data of its parent: where files are flushed one by one, the parent is
// flushed at once, before anything inside the new directory can be reported done.
int FlushNewEntry(int parent, bool sync) {
  if (!sync || ScopeOf(parent) != FlushScope::EachFile)
    return 0;
  return SyncDirectory(parent);
}

std::string ParentOf(const std::string& path) {
  const std::size_t slash = path.find_last_of('/');
  if (slash == std::string::npos)
    return ".";
  return slash == 0 ? std::string("/") : path.substr(0, slash);
}

// Makes the root and the directories above it that are missing; 0 or the system's error code.
int MakeRoot(const std::string& top, bool sync) {
  struct stat status {};
  if (::stat(top.c_str(), &status) == 0)
    return S_ISDIR(status.st_mode) ? 0 : ENOTDIR;
  // Each prefix that ends before a "/", then the whole path.
  for (std::size_t end = top.find('/', 1);; end = top.find('/', end + 1)) {
    const std::string prefix = end == std::string::npos ? top : top.substr(0, end);
    if (!prefix.empty() && !prefix.ends_with('/')) {
      if (::mkdir(prefix.c_str(), 0777) == 0) {
        const int parent = OpenRetrying(AT_FDCWD, ParentOf(prefix).c_str(), kDirectoryFlags);
        if (parent < 0)
          return errno;
        const int error = FlushNewEntry(parent, sync);
        ::close(parent);
        if (error != 0)
          return error;
      } else if (errno != EEXIST) {
        return errno;
      }
    }
    if (end == std::string::npos)
      break;
  }
  if (::stat(top.c_str(), &status) != 0)
    return errno;
  return S_ISDIR(status.st_mode) ? 0 : ENOTDIR;
}

}  // namespace

OutputDirectory::OutputDirectory(const std::string& root, std::string_view below, bool create,
                                 bool sync) {
  const std::string top = root.empty() ? std::string(".") : root;
  if (create) {
    const int error = MakeRoot(top, sync);
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
    // A link here is not the directory the walk saw or the mirror made: refused (ELOOP). A
    // directory that exists is opened without trying to make it first.
    int next = OpenRetrying(handle_, component.c_str(), kDirectoryFlags | O_NOFOLLOW);
    if (next < 0 && errno == ENOENT && create) {
      if (::mkdirat(handle_, component.c_str(), 0777) == 0) {
        if (const int error = FlushNewEntry(handle_, sync); error != 0) {
          Fail(error, path, true);
          return;
        }
      } else if (errno != EEXIST) {
        Fail(errno, path, true);
        return;
      }
      next = OpenRetrying(handle_, component.c_str(), kDirectoryFlags | O_NOFOLLOW);
    }
    if (next < 0) {
      Fail(errno, path, false);
      return;
    }
    ::close(handle_);
    handle_ = next;
  }
  LearnFileSystem();
}

void OutputDirectory::LearnFileSystem() {
  scope_ = ScopeOf(handle_);
  struct stat status {};
  if (::fstat(handle_, &status) == 0)
    device_ = static_cast<uint64_t>(status.st_dev);
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

void StartWriteBack(int handle) noexcept {
  (void)::sync_file_range(handle, 0, 0, SYNC_FILE_RANGE_WRITE);
}

int WaitForWriteBack(int handle) {
  // Waiting before writing too: pages written back when the write was started may have been
  // dirtied again since.
  constexpr unsigned kWriteAndWait =
      SYNC_FILE_RANGE_WAIT_BEFORE | SYNC_FILE_RANGE_WRITE | SYNC_FILE_RANGE_WAIT_AFTER;
  int result = 0;
  do {
    result = ::sync_file_range(handle, 0, 0, kWriteAndWait);
  } while (result != 0 && errno == EINTR);
  return result == 0 ? 0 : errno;
}

int SyncFileSystem(int handle) {
  return ::syncfs(handle) == 0 ? 0 : errno;
}

int SyncDirectory(int handle) {
  if (::fsync(handle) == 0)
    return 0;
  return errno == EINVAL || errno == EROFS ? 0 : errno;
}

}  // namespace ostrel
