#include "platform/windows/directory_creation.h"

#include <windows.h>

#include <string>

#include "platform/windows/directory_handles.h"

namespace ostrel {
namespace {

bool IsDirectory(const std::wstring& path) {
  const DWORD attributes = ::GetFileAttributesW(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

// Makes path after its missing parents; 0 or the error code.
int MakeWithParents(const std::wstring& path) {
  if (::CreateDirectoryW(path.c_str(), nullptr) != 0)
    return 0;
  const DWORD error = ::GetLastError();
  if (error == ERROR_ALREADY_EXISTS)
    return IsDirectory(path) ? 0 : ERROR_DIRECTORY;
  if (error != ERROR_PATH_NOT_FOUND)
    return static_cast<int>(error);
  const std::size_t separator = path.find_last_of(L'\\');
  // The root of a drive or share exists or cannot be made.
  if (separator == std::wstring::npos || separator < 7)
    return static_cast<int>(error);
  if (const int parentError = MakeWithParents(path.substr(0, separator)); parentError != 0)
    return parentError;
  if (::CreateDirectoryW(path.c_str(), nullptr) != 0)
    return 0;
  const DWORD retryError = ::GetLastError();
  if (retryError == ERROR_ALREADY_EXISTS)
    return IsDirectory(path) ? 0 : ERROR_DIRECTORY;
  return static_cast<int>(retryError);
}

}  // namespace

int MakeDirectories(std::string_view path) {
  if (path.empty())
    return 0;
  std::wstring full;
  if (const int error = windows::SystemPath(path, full); error != 0)
    return error;
  while (full.size() > 7 && full.ends_with(L'\\'))
    full.pop_back();
  return MakeWithParents(full);
}

}  // namespace ostrel
