#include "platform/temporary_files.h"

#include <windows.h>

#include <climits>
#include <cstdint>
#include <mutex>
#include <optional>
#include <set>
#include <utility>

#include "platform/temporary_names.h"
#include "platform/windows/directory_handles.h"
#include "platform/windows/name_text.h"

namespace ostrel {
namespace {

const std::string& HostTag() {
  static const std::string tag = [] {
    wchar_t name[MAX_COMPUTERNAME_LENGTH + 1] = {};
    DWORD length = MAX_COMPUTERNAME_LENGTH + 1;
    if (::GetComputerNameW(name, &length) == 0)
      return TemporaryHostTag("");
    // Only ASCII letters and digits are kept; anything else is replaced anyway.
    std::string ascii;
    for (DWORD index = 0; index < length; ++index)
      ascii.push_back(name[index] < 0x80 ? static_cast<char>(name[index]) : '_');
    return TemporaryHostTag(ascii);
  }();
  return tag;
}

bool ProcessIsGone(DWORD pid) {
  const HANDLE process = ::OpenProcess(SYNCHRONIZE, FALSE, pid);
  if (process == nullptr)
    return ::GetLastError() == ERROR_INVALID_PARAMETER;  // no such process
  const bool ended = ::WaitForSingleObject(process, 0) == WAIT_OBJECT_0;
  ::CloseHandle(process);
  return ended;
}

// Directories already cleaned in this run, by volume and file index.
bool FirstVisit(int directory) {
  BY_HANDLE_FILE_INFORMATION information{};
  if (::GetFileInformationByHandle(windows::SystemHandle(directory), &information) == 0)
    return false;
  static std::mutex mutex;
  static std::set<std::pair<DWORD, uint64_t>> visited;
  const std::lock_guard lock(mutex);
  return visited
      .emplace(
          information.dwVolumeSerialNumber,
          (static_cast<uint64_t>(information.nFileIndexHigh) << 32) | information.nFileIndexLow)
      .second;
}

}  // namespace

std::string NewTemporaryName() {
  return TemporaryNameFor(HostTag(), ::GetCurrentProcessId());
}

void RemoveStaleTemporaries(int directory) {
  if (!FirstVisit(directory))
    return;
  std::wstring path;
  if (windows::DirectoryPath(directory, path) != 0)
    return;
  const std::wstring pattern = path + (path.ends_with(L'\\') ? L"" : L"\\") + L".ostrel-*.tmp";
  WIN32_FIND_DATAW found{};
  const HANDLE search = ::FindFirstFileExW(pattern.c_str(), FindExInfoBasic, &found,
                                           FindExSearchNameMatch, nullptr, 0);
  if (search == INVALID_HANDLE_VALUE)
    return;
  const DWORD self = ::GetCurrentProcessId();
  do {
    const std::optional<std::string> name = windows::NarrowNameExactly(found.cFileName);
    if (!name)
      continue;
    const uint64_t owner = TemporaryNameOwner(*name, HostTag());
    if (owner == 0 || owner == self || !ProcessIsGone(static_cast<DWORD>(owner)))
      continue;
    // Only plain files; whether this user may remove one is for the directory's access rules.
    if ((found.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT)) != 0)
      continue;
    const std::wstring stale = path + (path.ends_with(L'\\') ? L"" : L"\\") + found.cFileName;
    ::DeleteFileW(stale.c_str());
  } while (::FindNextFileW(search, &found) != 0);
  ::FindClose(search);
}

}  // namespace ostrel
