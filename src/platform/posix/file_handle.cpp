#include "platform/file_handle.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <string>

#include "platform/whole_transfer.h"

namespace ostrel {
namespace {

static_assert(sizeof(off_t) == 8, "file offsets must be 64-bit");

OpenedFile Failure(int error) {
  return {-1, error};
}

// Closes a handle that turned out unusable and reports why.
OpenedFile Refuse(int handle, int error) {
  ::close(handle);
  return Failure(error);
}

// A name with a NUL byte would reach the system cut short and name another file.
bool IsUsableName(std::string_view name) {
  return name.find('\0') == std::string_view::npos;
}

// Keeps a handle only when it is a regular file, and then makes it block as files do. Anything
// else at a file's name (a FIFO, a device, a socket) is refused with ENXIO, the system's own
// answer for a special file that cannot be used as asked.
OpenedFile RequireRegularFile(int handle) {
  struct stat status {};
  if (::fstat(handle, &status) != 0)
    return Refuse(handle, errno);
  if (S_ISDIR(status.st_mode))
    return Refuse(handle, EISDIR);
  if (!S_ISREG(status.st_mode))
    return Refuse(handle, kNotARegularFile);
  const int flags = ::fcntl(handle, F_GETFL);
  if (flags < 0 || ::fcntl(handle, F_SETFL, flags & ~O_NONBLOCK) != 0)
    return Refuse(handle, errno);
  return {handle, 0};
}

int OpenRetrying(const std::string& name, int flags, mode_t permissions) {
  int handle = 0;
  do {
    handle = ::open(name.c_str(), flags, permissions);
  } while (handle < 0 && errno == EINTR);
  return handle;
}

int AccessFlags(FileAccess access) {
  switch (access) {
    case FileAccess::Read:
      return O_RDONLY;
    case FileAccess::Write:
      return O_WRONLY;
    case FileAccess::ReadWrite:
      break;
  }
  return O_RDWR;
}

}  // namespace

uint32_t NewOutputPermissions(uint32_t inputPermissions) {
  return (inputPermissions & 0666) | 0600;
}

OpenedFile OpenExistingFile(std::string_view name, FileAccess access) {
  if (!IsUsableName(name))
    return Failure(EINVAL);
  // Without O_NONBLOCK, opening a FIFO waits for a writer that may never come.
  const int handle =
      OpenRetrying(std::string(name), AccessFlags(access) | O_CLOEXEC | O_NOCTTY | O_NONBLOCK, 0);
  if (handle < 0)
    return Failure(errno);
  return RequireRegularFile(handle);
}

OpenedFile OpenExistingStream(std::string_view name) {
  if (!IsUsableName(name))
    return Failure(EINVAL);
  const int handle = OpenRetrying(std::string(name), O_RDONLY | O_CLOEXEC | O_NOCTTY, 0);
  if (handle < 0)
    return Failure(errno);
  // A directory opens read-only without complaint, but it is no file to read.
  struct stat status {};
  if (::fstat(handle, &status) != 0)
    return Refuse(handle, errno);
  if (S_ISDIR(status.st_mode))
    return Refuse(handle, EISDIR);
  return {handle, 0};
}

OpenedFile CreateOrEmptyFile(std::string_view name, int sourceHandle) {
  if (!IsUsableName(name))
    return Failure(EINVAL);
  struct stat source {};
  const bool hasSource = sourceHandle >= 0;
  if (hasSource && ::fstat(sourceHandle, &source) != 0)
    return Failure(errno);
  const mode_t permissions = hasSource ? NewOutputPermissions(source.st_mode) : 0666;

  // Anything but a regular file at the name is refused before it is opened: opening a device
  // may wait or act. The checks after opening cover a file swapped in meanwhile (a FIFO opened
  // for reading and writing does not wait).
  const std::string path(name);
  struct stat present {};
  if (::lstat(path.c_str(), &present) == 0 && !S_ISREG(present.st_mode))
    return Failure(S_ISLNK(present.st_mode)   ? kSymbolicLinkAtName
                   : S_ISDIR(present.st_mode) ? EISDIR
                                              : kNotARegularFile);
  // Not O_TRUNC: the file has to be identified before it may lose its content. Not through a
  // symbolic link: a link planted at the output name would send the plain text wherever it
  // points. Not O_NONBLOCK: a regular file under another program's lease is waited for, as
  // every writer waits.
  const int opened =
      OpenRetrying(path, O_RDWR | O_CREAT | O_CLOEXEC | O_NOCTTY | O_NOFOLLOW, permissions);
  if (opened < 0)
    return Failure(errno);
  const OpenedFile output = RequireRegularFile(opened);
  if (output.handle < 0)
    return output;
  struct stat status {};
  if (::fstat(output.handle, &status) != 0)
    return Refuse(output.handle, errno);
  // Where other systems refuse by sharing mode, the source is busy: it is open for reading.
  if (hasSource && status.st_dev == source.st_dev && status.st_ino == source.st_ino)
    return Refuse(output.handle, EBUSY);
  if (::ftruncate(output.handle, 0) != 0)
    return Refuse(output.handle, errno);
  return output;
}

namespace {

// One system call, repeated when a signal interrupts it before it moved anything.
template <typename Call>
TransferStep Retrying(Call call) {
  ssize_t moved = 0;
  do {
    moved = call();
  } while (moved < 0 && errno == EINTR);
  if (moved < 0)
    return {0, errno};
  return {moved, 0};
}

}  // namespace

FileTransfer ReadFromFile(int handle, void* buffer, int32_t count) {
  return TransferAll(
      static_cast<char*>(buffer), count, 0, [handle](char* at, int32_t, int32_t size) {
        return Retrying([&] { return ::read(handle, at, static_cast<std::size_t>(size)); });
      });
}

FileTransfer ReadFromFileAt(int handle, int64_t offset, void* buffer, int32_t count) {
  return TransferAll(static_cast<char*>(buffer), count, 0,
                     [handle, offset](char* at, int32_t done, int32_t size) {
                       return Retrying([&] {
                         return ::pread(handle, at, static_cast<std::size_t>(size),
                                        static_cast<off_t>(offset + done));
                       });
                     });
}

FileTransfer WriteToFile(int handle, const void* buffer, int32_t count) {
  return TransferAll(
      static_cast<const char*>(buffer), count, EIO,
      [handle](const char* at, int32_t, int32_t size) {
        return Retrying([&] { return ::write(handle, at, static_cast<std::size_t>(size)); });
      });
}

OpenedFile CreateExclusiveFile(std::string_view name) {
  if (!IsUsableName(name))
    return Failure(EINVAL);
  const int handle = OpenRetrying(
      std::string(name), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC | O_NOCTTY | O_NOFOLLOW, 0600);
  if (handle < 0)
    return Failure(errno);
  return {handle, 0};
}

int RemoveFile(std::string_view name) {
  if (!IsUsableName(name))
    return EINVAL;
  const std::string path(name);
  return ::unlink(path.c_str()) == 0 ? 0 : errno;
}

int64_t SeekFile(int handle, int64_t offset, SeekOrigin origin) {
  const int whence = origin == SeekOrigin::Beginning ? SEEK_SET
                     : origin == SeekOrigin::Current ? SEEK_CUR
                                                     : SEEK_END;
  return ::lseek(handle, offset, whence);
}

OpenedFile DuplicateAtStart(int handle) {
  const int own = ::dup(handle);
  if (own < 0)
    return {-1, errno};
  if (::lseek(own, 0, SEEK_SET) != 0) {
    const int error = errno;
    ::close(own);
    return {-1, error};
  }
  return {own, 0};
}

FileLength LengthOfFile(int handle) {
  struct stat status {};
  if (::fstat(handle, &status) != 0)
    return {-1, errno};
  return {static_cast<int64_t>(status.st_size), 0};
}

int CloseFile(int handle) {
  // Not retried on EINTR: the handle is released whatever close() reports.
  return ::close(handle) == 0 ? 0 : errno;
}

}  // namespace ostrel
