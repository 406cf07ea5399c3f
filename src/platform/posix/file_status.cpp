#include "platform/file_status.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <cerrno>
#include <string>

#include "platform/file_handle.h"

namespace ostrel {
namespace {

FileKind KindOf(mode_t mode) {
  if (S_ISREG(mode))
    return FileKind::Regular;
  if (S_ISDIR(mode))
    return FileKind::Directory;
  if (S_ISLNK(mode))
    return FileKind::SymbolicLink;
  return FileKind::Other;
}

FileStatus FromStat(int result, const struct stat& status) {
  FileStatus file;
  if (result != 0) {
    file.Error = errno;
    return file;
  }
  file.Kind = KindOf(status.st_mode);
  file.Device = status.st_dev;
  file.Inode = status.st_ino;
  file.Size = status.st_size;
  file.Permissions = status.st_mode & 07777;
  file.Owner = status.st_uid;
  file.Group = status.st_gid;
  file.AccessSeconds = status.st_atim.tv_sec;
  file.AccessNanoseconds = status.st_atim.tv_nsec;
  file.ModificationSeconds = status.st_mtim.tv_sec;
  file.ModificationNanoseconds = status.st_mtim.tv_nsec;
  return file;
}

}  // namespace

FileStatus StatusOfPath(std::string_view name) {
  struct stat status {};
  const std::string path(name);
  return FromStat(::stat(path.c_str(), &status), status);
}

FileStatus StatusOfHandle(int handle) {
  struct stat status {};
  return FromStat(::fstat(handle, &status), status);
}

FileStatus StatusOfEntry(int directory, std::string_view relative) {
  struct stat status {};
  if (relative.empty())
    return FromStat(::fstat(directory, &status), status);
  const std::string path(relative);
  return FromStat(::fstatat(directory, path.c_str(), &status, AT_SYMLINK_NOFOLLOW), status);
}

uint32_t OutputPermissions(uint32_t inputPermissions, bool preserve) {
  if (preserve)
    return inputPermissions & 0777;
  return NewOutputPermissions(inputPermissions) & ~FileCreationMask();
}

int SetPermissions(int handle, uint32_t permissions) {
  return ::fchmod(handle, static_cast<mode_t>(permissions & 07777)) == 0 ? 0 : errno;
}

int SetAccessAndModificationTimes(int handle, const FileStatus& times) {
  const timespec stamps[2] = {{times.AccessSeconds, times.AccessNanoseconds},
                              {times.ModificationSeconds, times.ModificationNanoseconds}};
  return ::futimens(handle, stamps) == 0 ? 0 : errno;
}

uint32_t FileCreationMask() {
  static const uint32_t mask = [] {
    const mode_t previous = ::umask(077);
    ::umask(previous);
    return static_cast<uint32_t>(previous);
  }();
  return mask;
}

}  // namespace ostrel
