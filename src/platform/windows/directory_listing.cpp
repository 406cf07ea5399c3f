#include "platform/directory_listing.h"

#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include <optional>

#include "platform/windows/ansi_text.h"
#include "platform/windows/directory_handles.h"

namespace ostrel {

OpenedFile OpenDirectoryHandle(std::string_view path) {
  std::wstring full;
  if (const int error = windows_tool::SystemPath(path, full); error != 0)
    return {-1, error};
  return windows_tool::OpenDirectoryAt(full, true);
}

OpenedFile OpenFileBelow(int directory, std::string_view relative) {
  std::wstring path;
  if (const int error = windows_tool::PathBelow(directory, relative, path); error != 0)
    return {-1, error};
  const HANDLE handle = ::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                      OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
  if (handle == INVALID_HANDLE_VALUE)
    return {-1, static_cast<int>(::GetLastError())};
  BY_HANDLE_FILE_INFORMATION information{};
  if (::GetFileInformationByHandle(handle, &information) != 0 &&
      (information.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0) {
    ::CloseHandle(handle);
    return {-1, windows_tool::kLinkRefused};
  }
  return windows_tool::AdoptHandle(handle, _O_RDONLY);
}

int ListDirectoryBelow(int directory, std::string_view relative,
                       std::vector<ListedEntry>& entries) {
  std::wstring path;
  if (const int error = windows_tool::PathBelow(directory, relative, path); error != 0)
    return error;
  // Held open while it is listed, so that it cannot be replaced meanwhile.
  const OpenedFile opened = windows_tool::OpenDirectoryAt(path, false);
  if (opened.handle < 0)
    return opened.error;
  std::wstring pattern = path + (path.ends_with(L'\\') ? L"*" : L"\\*");
  WIN32_FIND_DATAW found{};
  const HANDLE search = ::FindFirstFileExW(pattern.c_str(), FindExInfoBasic, &found,
                                           FindExSearchNameMatch, nullptr, 0);
  int error = 0;
  if (search == INVALID_HANDLE_VALUE) {
    error = static_cast<int>(::GetLastError());
  } else {
    do {
      const std::wstring_view wide(found.cFileName);
      if (wide == L"." || wide == L"..")
        continue;
      // A name that the code page cannot hold is left out: it could not be opened by it.
      const std::optional<std::string> narrow = windows::NarrowAnsiExactly(wide);
      if (!narrow)
        continue;
      const std::string& name = *narrow;
      const std::string below = relative.empty() ? name : std::string(relative) + "/" + name;
      entries.push_back({name, StatusBelow(directory, below)});
    } while (::FindNextFileW(search, &found) != 0);
    if (::GetLastError() != ERROR_NO_MORE_FILES)
      error = static_cast<int>(::GetLastError());
    ::FindClose(search);
  }
  ::_close(opened.handle);
  return error;
}

bool IsEmptyDirectory(std::string_view path, int& error) {
  const OpenedFile opened = OpenDirectoryHandle(path);
  error = opened.error;
  if (opened.handle < 0)
    return false;
  std::vector<ListedEntry> entries;
  error = ListDirectoryBelow(opened.handle, "", entries);
  ::_close(opened.handle);
  return error == 0 && entries.empty();
}

}  // namespace ostrel
