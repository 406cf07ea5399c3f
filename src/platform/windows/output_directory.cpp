#include "platform/output_directory.h"

#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include "platform/error_codes.h"
#include "platform/windows/directory_creation.h"
#include "platform/windows/directory_handles.h"

namespace ostrel {

OutputDirectory::OutputDirectory(const std::string& root, std::string_view below, bool create,
                                 bool /*sync*/) {
  const std::string top = root.empty() ? std::string(".") : root;
  if (create) {
    const int error = MakeDirectories(top);
    if (error != 0) {
      Fail(error, top, true);
      return;
    }
  }
  std::wstring topPath;
  OpenedFile opened{-1, windows::SystemPath(top, topPath)};
  // The root is the user's choice: a link there is followed.
  if (opened.error == 0)
    opened = windows::OpenDirectoryAt(topPath, true);
  if (opened.handle < 0) {
    Fail(opened.error, top, false);
    return;
  }
  handle_ = opened.handle;
  std::string path = top;
  std::size_t start = 0;
  while (start < below.size()) {
    std::size_t end = below.find_first_of("/\\", start);
    if (end == std::string_view::npos)
      end = below.size();
    const std::string component(below.substr(start, end - start));
    start = end + 1;
    if (component.empty() || component == ".")
      continue;
    path += (path.ends_with('\\') || path.ends_with('/') ? "" : "\\") + component;
    std::wstring next;
    if (const int error = windows::PathBelow(handle_, component, next); error != 0) {
      Fail(error, path, false);
      return;
    }
    if (create && ::CreateDirectoryW(next.c_str(), nullptr) == 0 &&
        ::GetLastError() != ERROR_ALREADY_EXISTS) {
      Fail(static_cast<int>(::GetLastError()), path, true);
      return;
    }
    // A link here is not the directory the walk saw or the mirror made: refused.
    const OpenedFile child = windows::OpenDirectoryAt(next, false);
    if (child.handle < 0) {
      Fail(child.error, path, false);
      return;
    }
    ::_close(handle_);
    handle_ = child.handle;
  }
  LearnFileSystem();
}

void OutputDirectory::LearnFileSystem() {
  // Each file is flushed itself; the file system keeps its directories in its own journal.
  scope_ = FlushScope::EachFile;
}

void StartWriteBack(int /*handle*/) noexcept {}

int WaitForWriteBack(int handle) {
  return SyncFile(handle);
}

int SyncFileSystem(int /*handle*/) {
  return 0;
}

int SyncFile(int handle) {
  return ::FlushFileBuffers(windows::SystemHandle(handle)) != 0
             ? 0
             : static_cast<int>(::GetLastError());
}

int SyncDirectory(int /*handle*/) {
  // The file system records its directory entries in its own journal; there is no flush of a
  // directory to ask for.
  return 0;
}

OpenedFile CreateNewFileIn(int directory, std::string_view name) {
  std::wstring path;
  if (const int error = windows::PathBelow(directory, name, path); error != 0)
    return {-1, error};
  // Nobody else may open it while it is written; sharing deletion lets it be renamed into place
  // (and removed) while this handle is still open. A new file only: an existing name, a link
  // included, is refused.
  const HANDLE handle = ::CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_DELETE,
                                      nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (handle == INVALID_HANDLE_VALUE) {
    const DWORD error = ::GetLastError();
    return {-1, error == ERROR_ALREADY_EXISTS ? kErrorNameTaken : static_cast<int>(error)};
  }
  return windows::AdoptHandle(handle, _O_RDWR);
}

int RemoveFileIn(int directory, std::string_view name) noexcept {
  try {
    std::wstring path;
    if (const int error = windows::PathBelow(directory, name, path); error != 0)
      return error;
    return ::DeleteFileW(path.c_str()) != 0 ? 0 : static_cast<int>(::GetLastError());
  } catch (...) {
    return ERROR_NOT_ENOUGH_MEMORY;
  }
}

OpenedFile DuplicateFileHandle(int handle) {
  HANDLE second = nullptr;
  const HANDLE process = ::GetCurrentProcess();
  if (::DuplicateHandle(process, windows::SystemHandle(handle), process, &second, 0, FALSE,
                        DUPLICATE_SAME_ACCESS) == 0)
    return {-1, static_cast<int>(::GetLastError())};
  return windows::AdoptHandle(second, _O_RDWR);
}

}  // namespace ostrel
