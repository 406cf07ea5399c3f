#include "platform/windows/directory_handles.h"

#include <fcntl.h>
#include <io.h>

#include <optional>
#include <utility>
#include <vector>

#include "platform/windows/name_text.h"
#include "platform/windows/system_name.h"

namespace ostrel::windows {
namespace {

int LastError() {
  return static_cast<int>(::GetLastError());
}

}  // namespace

HANDLE SystemHandle(int handle) noexcept {
  return reinterpret_cast<HANDLE>(::_get_osfhandle(handle));  // NOLINT(performance-no-int-to-ptr)
}

OpenedFile AdoptHandle(HANDLE handle, int accessFlags) {
  const int descriptor =
      ::_open_osfhandle(reinterpret_cast<intptr_t>(handle), accessFlags | _O_BINARY | _O_NOINHERIT);
  if (descriptor < 0) {
    ::CloseHandle(handle);
    return {-1, ERROR_TOO_MANY_OPEN_FILES};
  }
  return {descriptor, 0};
}

int SystemPath(std::string_view name, std::wstring& path) {
  windows::SystemName system = windows::SystemNameOf(name.empty() ? std::string_view(".") : name);
  if (system.Error != 0)
    return system.Error;
  path = std::move(system.Name);
  return 0;
}

int DirectoryPath(int directory, std::wstring& path) {
  const HANDLE handle = SystemHandle(directory);
  if (handle == INVALID_HANDLE_VALUE)
    return ERROR_INVALID_HANDLE;
  const DWORD length = ::GetFinalPathNameByHandleW(handle, nullptr, 0, VOLUME_NAME_DOS);
  if (length == 0)
    return LastError();
  std::vector<wchar_t> final(length + 1);
  const DWORD written =
      ::GetFinalPathNameByHandleW(handle, final.data(), length + 1, VOLUME_NAME_DOS);
  if (written == 0 || written > length)
    return written == 0 ? LastError() : ERROR_FILENAME_EXCED_RANGE;
  // The system gives it with the long-path prefix, for drives and network shares alike.
  path.assign(final.data(), written);
  return 0;
}

int PathBelow(int directory, std::string_view relative, std::wstring& path) {
  if (const int error = DirectoryPath(directory, path); error != 0)
    return error;
  std::wstring wide = windows::WidenName(relative);
  for (wchar_t& character : wide) {
    if (character == L'/')
      character = L'\\';
  }
  if (!wide.empty()) {
    if (!path.ends_with(L'\\'))
      path.push_back(L'\\');
    path += wide;
  }
  return 0;
}

OpenedFile OpenDirectoryAt(const std::wstring& path, bool followLinks) {
  // Others may read and write in it, but not move or remove it while it is held.
  const DWORD flags = FILE_FLAG_BACKUP_SEMANTICS | (followLinks ? 0 : FILE_FLAG_OPEN_REPARSE_POINT);
  const HANDLE handle =
      ::CreateFileW(path.c_str(), FILE_LIST_DIRECTORY | FILE_READ_ATTRIBUTES | SYNCHRONIZE,
                    FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, flags, nullptr);
  if (handle == INVALID_HANDLE_VALUE)
    return {-1, LastError()};
  BY_HANDLE_FILE_INFORMATION information{};
  if (::GetFileInformationByHandle(handle, &information) == 0) {
    const int error = LastError();
    ::CloseHandle(handle);
    return {-1, error};
  }
  int refusal = 0;
  if ((information.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0)
    refusal = kLinkRefused;
  else if ((information.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0)
    refusal = ERROR_DIRECTORY;
  if (refusal != 0) {
    ::CloseHandle(handle);
    return {-1, refusal};
  }
  return AdoptHandle(handle, _O_RDONLY);
}

bool IsMissing(DWORD error) noexcept {
  return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
}

}  // namespace ostrel::windows
