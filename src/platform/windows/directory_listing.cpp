// Names below an open directory, walked one name at a time: each directory on the way is opened
// without following a link or junction and held, without delete sharing, while the next name is
// looked up in it, so that no directory of the tree can be swapped for a link on the way.
#include "platform/directory_listing.h"

#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include <string>

#include "platform/windows/directory_handles.h"

namespace ostrel {
namespace {

// The directory that holds the last name of relative, reached from directory one name at a time,
// with that name and its path below it. Handle is directory itself for a single name; Owned says
// it must be closed.
struct Parent {
  int Handle = -1;
  bool Owned = false;
  int Error = 0;
  std::string Leaf;
  std::wstring LeafPath;
};

bool IsSeparator(char character) {
  return character == '/' || character == '\\';
}

std::size_t NextName(std::string_view relative, std::size_t from) {
  while (from < relative.size() && IsSeparator(relative[from]))
    ++from;
  return from;
}

Parent ParentOf(int directory, std::string_view relative) {
  Parent parent{directory, false, 0, {}, {}};
  std::size_t position = NextName(relative, 0);
  for (;;) {
    std::size_t end = position;
    while (end < relative.size() && !IsSeparator(relative[end]))
      ++end;
    const std::string_view name = relative.substr(position, end - position);
    const std::size_t next = NextName(relative, end);
    if (next >= relative.size()) {
      parent.Leaf = name;
      parent.Error = windows::PathBelow(parent.Handle, name, parent.LeafPath);
      break;
    }
    std::wstring path;
    OpenedFile opened{-1, windows::PathBelow(parent.Handle, name, path)};
    if (opened.error == 0)
      opened = windows::OpenDirectoryAt(path, false);
    if (parent.Owned)
      ::_close(parent.Handle);
    if (opened.handle < 0)
      return {-1, false, opened.error, {}, {}};
    parent.Handle = opened.handle;
    parent.Owned = true;
    position = next;
  }
  if (parent.Error != 0) {
    if (parent.Owned)
      ::_close(parent.Handle);
    parent.Handle = -1;
    parent.Owned = false;
  }
  return parent;
}

void Release(const Parent& parent) {
  if (parent.Owned)
    ::_close(parent.Handle);
}

}  // namespace

OpenedFile OpenDirectoryHandle(std::string_view path) {
  std::wstring system;
  if (const int error = windows::SystemPath(path, system); error != 0)
    return {-1, error};
  // A path given by the user names what a link there leads to.
  return windows::OpenDirectoryAt(system, true);
}

OpenedFile OpenFileBelow(int directory, std::string_view relative) {
  const Parent parent = ParentOf(directory, relative);
  if (parent.Handle < 0)
    return {-1, parent.Error};
  // Others may go on writing, renaming and removing the file while it is read: a backup being
  // served must not hold up the program that writes it. A link at the name is opened itself and
  // refused, never followed.
  const HANDLE handle = ::CreateFileW(
      parent.LeafPath.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
      nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
  const int error = handle == INVALID_HANDLE_VALUE ? static_cast<int>(::GetLastError()) : 0;
  Release(parent);
  if (handle == INVALID_HANDLE_VALUE)
    return {-1, error};
  BY_HANDLE_FILE_INFORMATION information{};
  int refusal = 0;
  if (::GetFileType(handle) != FILE_TYPE_DISK ||
      ::GetFileInformationByHandle(handle, &information) == 0)
    refusal = kNotARegularFile;
  else if ((information.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0)
    refusal = windows::kLinkRefused;
  else if ((information.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0)
    refusal = kIsADirectory;
  if (refusal != 0) {
    ::CloseHandle(handle);
    return {-1, refusal};
  }
  return windows::AdoptHandle(handle, _O_RDONLY);
}

OpenedFile OpenDirectoryBelow(int directory, std::string_view relative) {
  if (NextName(relative, 0) >= relative.size()) {
    std::wstring path;
    if (const int error = windows::DirectoryPath(directory, path); error != 0)
      return {-1, error};
    return windows::OpenDirectoryAt(path, false);
  }
  const Parent parent = ParentOf(directory, relative);
  if (parent.Handle < 0)
    return {-1, parent.Error};
  const OpenedFile opened = windows::OpenDirectoryAt(parent.LeafPath, false);
  Release(parent);
  return opened;
}

FileStatus StatusOfEntryBelow(int directory, std::string_view relative) {
  if (NextName(relative, 0) >= relative.size())
    return StatusOfHandle(directory);
  const Parent parent = ParentOf(directory, relative);
  if (parent.Handle < 0) {
    FileStatus failed;
    failed.Error = parent.Error;
    return failed;
  }
  const FileStatus status = StatusOfEntry(parent.Handle, parent.Leaf);
  Release(parent);
  return status;
}

}  // namespace ostrel
