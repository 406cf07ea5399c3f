#include "platform/windows/directory_handles.h"

#include <fcntl.h>
#include <io.h>

#include <vector>

namespace ostrel::windows_tool {
namespace {

constexpr std::wstring_view kLongPathPrefix = L"\\\\?\\";
constexpr std::wstring_view kLongUncPrefix = L"\\\\?\\UNC\\";

int LastError() {
  return static_cast<int>(::GetLastError());
}

// A full path, as the system's own full-path function gives it, with the prefix that lifts the
// length limit and turns off the system's rewriting of trailing dots and spaces and of device
// names: "a." or "CON" then name the file of that name, never another one.
std::wstring WithLongPathPrefix(const std::wstring& full) {
  if (full.starts_with(kLongPathPrefix))
    return full;
  if (full.size() > 2 && full[0] == L'\\' && full[1] == L'\\')
    return std::wstring(kLongUncPrefix) + full.substr(2);
  if (full.size() > 2 && full[1] == L':')
    return std::wstring(kLongPathPrefix) + full;
  return full;
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

bool WidenText(std::string_view text, std::wstring& wide) {
  wide.clear();
  if (text.empty())
    return true;
  const int size = static_cast<int>(text.size());
  const int length =
      ::MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, text.data(), size, nullptr, 0);
  if (length <= 0)
    return false;
  wide.resize(static_cast<std::size_t>(length));
  return ::MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, text.data(), size, wide.data(),
                               length) == length;
}

bool NarrowName(std::wstring_view wide, std::string& narrow) {
  narrow.clear();
  if (wide.empty())
    return true;
  const int size = static_cast<int>(wide.size());
  BOOL usedDefault = FALSE;
  const int length = ::WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, wide.data(), size, nullptr,
                                           0, nullptr, &usedDefault);
  if (length <= 0 || usedDefault)
    return false;
  narrow.resize(static_cast<std::size_t>(length));
  usedDefault = FALSE;
  return ::WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, wide.data(), size, narrow.data(),
                               length, nullptr, &usedDefault) == length &&
         !usedDefault;
}

std::string ShownName(std::wstring_view wide) {
  std::string shown;
  if (NarrowName(wide, shown))
    return shown;
  // Each character the code page lacks shows as "?", which no file name holds.
  shown.clear();
  for (const wchar_t character : wide) {
    std::string one;
    shown += NarrowName(std::wstring_view(&character, 1), one) ? one : std::string("?");
  }
  return shown;
}

int SystemPath(std::string_view name, std::wstring& path) {
  std::wstring wide;
  if (!WidenText(name.empty() ? std::string_view(".") : name, wide))
    return ERROR_NO_UNICODE_TRANSLATION;
  const DWORD length = ::GetFullPathNameW(wide.c_str(), 0, nullptr, nullptr);
  if (length == 0)
    return LastError();
  std::vector<wchar_t> full(length + 1);
  const DWORD written = ::GetFullPathNameW(wide.c_str(), length + 1, full.data(), nullptr);
  if (written == 0 || written > length)
    return written == 0 ? LastError() : ERROR_FILENAME_EXCED_RANGE;
  path = WithLongPathPrefix(std::wstring(full.data(), written));
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
  path = WithLongPathPrefix(std::wstring(final.data(), written));
  return 0;
}

int PathBelow(int directory, std::string_view relative, std::wstring& path) {
  if (const int error = DirectoryPath(directory, path); error != 0)
    return error;
  std::wstring wide;
  if (!WidenText(relative, wide))
    return ERROR_NO_UNICODE_TRANSLATION;
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

}  // namespace ostrel::windows_tool
