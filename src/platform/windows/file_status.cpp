#include "platform/file_status.h"

#include <windows.h>

#include <string>

#include "platform/file_handle.h"
#include "platform/windows/directory_handles.h"

namespace ostrel {
namespace {

using windows::SystemHandle;

// The system counts time in 100-nanosecond steps from 1601; the tool, in seconds from 1970.
constexpr int64_t kTicksPerSecond = 10'000'000;
constexpr int64_t kEpochDifference = 11'644'473'600LL * kTicksPerSecond;

void FromFileTime(const FILETIME& time, int64_t& seconds, int64_t& nanoseconds) {
  const int64_t ticks = static_cast<int64_t>((static_cast<uint64_t>(time.dwHighDateTime) << 32) |
                                             time.dwLowDateTime) -
                        kEpochDifference;
  seconds = ticks / kTicksPerSecond;
  int64_t rest = ticks % kTicksPerSecond;
  if (rest < 0) {
    rest += kTicksPerSecond;
    --seconds;
  }
  nanoseconds = rest * 100;
}

FILETIME ToFileTime(int64_t seconds, int64_t nanoseconds) {
  const auto ticks =
      static_cast<uint64_t>(seconds * kTicksPerSecond + nanoseconds / 100 + kEpochDifference);
  FILETIME time{};
  time.dwLowDateTime = static_cast<DWORD>(ticks & 0xFFFFFFFFU);
  time.dwHighDateTime = static_cast<DWORD>(ticks >> 32);
  return time;
}

FileStatus Failed(DWORD error) {
  FileStatus status;
  status.Error = static_cast<int>(error);
  return status;
}

FileStatus FromHandle(HANDLE handle) {
  if (handle == INVALID_HANDLE_VALUE)
    return Failed(ERROR_INVALID_HANDLE);
  FileStatus status;
  // Pipes, consoles and devices have no identity or times on a disk.
  if (::GetFileType(handle) != FILE_TYPE_DISK) {
    status.Kind = FileKind::Other;
    status.Permissions = 0666;
    return status;
  }
  BY_HANDLE_FILE_INFORMATION information{};
  if (::GetFileInformationByHandle(handle, &information) == 0)
    return Failed(::GetLastError());
  const DWORD attributes = information.dwFileAttributes;
  if ((attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0)
    status.Kind = FileKind::SymbolicLink;
  else if ((attributes & FILE_ATTRIBUTE_DIRECTORY) != 0)
    status.Kind = FileKind::Directory;
  else
    status.Kind = FileKind::Regular;
  status.Device = information.dwVolumeSerialNumber;
  status.Inode =
      (static_cast<uint64_t>(information.nFileIndexHigh) << 32) | information.nFileIndexLow;
  status.Size = static_cast<int64_t>((static_cast<uint64_t>(information.nFileSizeHigh) << 32) |
                                     information.nFileSizeLow);
  // The read-only attribute is the only permission a file carries in itself here.
  status.Permissions = (attributes & FILE_ATTRIBUTE_READONLY) != 0 ? 0444 : 0666;
  FromFileTime(information.ftLastAccessTime, status.AccessSeconds, status.AccessNanoseconds);
  FromFileTime(information.ftLastWriteTime, status.ModificationSeconds,
               status.ModificationNanoseconds);
  return status;
}

FileStatus StatusAt(const std::wstring& path, bool followLinks) {
  const DWORD flags = FILE_FLAG_BACKUP_SEMANTICS | (followLinks ? 0 : FILE_FLAG_OPEN_REPARSE_POINT);
  const HANDLE handle = ::CreateFileW(path.c_str(), FILE_READ_ATTRIBUTES,
                                      FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                      nullptr, OPEN_EXISTING, flags, nullptr);
  if (handle == INVALID_HANDLE_VALUE) {
    const DWORD error = ::GetLastError();
    FileStatus status = Failed(error);
    if (windows::IsMissing(error))
      status.Kind = FileKind::Missing;
    return status;
  }
  FileStatus status = FromHandle(handle);
  ::CloseHandle(handle);
  return status;
}

FileStatus StatusOfPathBelow(int directory, std::string_view relative) {
  std::wstring path;
  if (const int error = windows::PathBelow(directory, relative, path); error != 0)
    return Failed(static_cast<DWORD>(error));
  return StatusAt(path, false);
}

}  // namespace

FileStatus StatusOfPath(std::string_view name) {
  std::wstring path;
  if (const int error = windows::SystemPath(name, path); error != 0)
    return Failed(static_cast<DWORD>(error));
  return StatusAt(path, true);
}

FileStatus StatusOfHandle(int handle) {
  return FromHandle(SystemHandle(handle));
}

FileStatus StatusOfEntry(int directory, std::string_view relative) {
  if (relative.empty())
    return StatusOfHandle(directory);
  return StatusOfPathBelow(directory, relative);
}

uint32_t OutputPermissions(uint32_t inputPermissions, bool preserve) {
  if (preserve)
    return inputPermissions & 0777;
  return NewOutputPermissions(inputPermissions) & ~FileCreationMask();
}

int SetPermissions(int handle, uint32_t permissions) {
  FILE_BASIC_INFO information{};
  const HANDLE file = SystemHandle(handle);
  if (::GetFileInformationByHandleEx(file, FileBasicInfo, &information, sizeof information) == 0)
    return static_cast<int>(::GetLastError());
  // Without the owner's write bit the file is read-only; the other bits have no counterpart.
  const DWORD readOnly = (permissions & 0200) == 0 ? FILE_ATTRIBUTE_READONLY : 0;
  if ((information.FileAttributes & FILE_ATTRIBUTE_READONLY) == readOnly)
    return 0;
  information.FileAttributes = (information.FileAttributes & ~FILE_ATTRIBUTE_READONLY) | readOnly;
  if (information.FileAttributes == 0)
    information.FileAttributes = FILE_ATTRIBUTE_NORMAL;
  return ::SetFileInformationByHandle(file, FileBasicInfo, &information, sizeof information) != 0
             ? 0
             : static_cast<int>(::GetLastError());
}

int SetAccessAndModificationTimes(int handle, const FileStatus& times) {
  const FILETIME access = ToFileTime(times.AccessSeconds, times.AccessNanoseconds);
  const FILETIME modification =
      ToFileTime(times.ModificationSeconds, times.ModificationNanoseconds);
  return ::SetFileTime(SystemHandle(handle), nullptr, &access, &modification) != 0
             ? 0
             : static_cast<int>(::GetLastError());
}

uint32_t FileCreationMask() {
  // New files get their permissions from the directory they are made in, not from a mask.
  return 0;
}

}  // namespace ostrel
