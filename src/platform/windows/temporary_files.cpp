#include "platform/temporary_files.h"

#include <windows.h>

#include <optional>

#include <climits>
#include <cstdint>
#include <mutex>
#include <set>
#include <utility>

#include "platform/random_bytes.h"
#include "platform/windows/ansi_text.h"
#include "platform/windows/directory_handles.h"

namespace ostrel {
namespace {

constexpr std::string_view kPrefix = ".ostrel-";
constexpr std::string_view kSuffix = ".tmp";
constexpr std::size_t kRandomDigits = 16;

// The computer's name in letters, digits and dots only (so that "-" separates the fields), short
// enough for any file system.
const std::string& HostTag() {
  static const std::string tag = [] {
    wchar_t name[MAX_COMPUTERNAME_LENGTH + 1] = {};
    DWORD length = MAX_COMPUTERNAME_LENGTH + 1;
    if (::GetComputerNameW(name, &length) == 0)
      return std::string("host");
    std::string text;
    for (DWORD index = 0; index < length && text.size() < 32; ++index) {
      const wchar_t c = name[index];
      const bool plain = (c >= L'a' && c <= L'z') || (c >= L'A' && c <= L'Z') ||
                         (c >= L'0' && c <= L'9') || c == L'.';
      text.push_back(plain ? static_cast<char>(c) : '_');
    }
    return text.empty() ? std::string("host") : text;
  }();
  return tag;
}

std::string Hexadecimal(const uint8_t* bytes, std::size_t count) {
  static constexpr char kDigits[] = "0123456789abcdef";
  std::string text;
  for (std::size_t index = 0; index < count; ++index) {
    text.push_back(kDigits[bytes[index] >> 4]);
    text.push_back(kDigits[bytes[index] & 0xF]);
  }
  return text;
}

// The process id of a temporary name made on this machine, or 0 for any other name.
DWORD OwnerOf(std::string_view name) {
  if (!name.starts_with(kPrefix) || !name.ends_with(kSuffix))
    return 0;
  name.remove_prefix(kPrefix.size());
  name.remove_suffix(kSuffix.size());
  const std::string& host = HostTag();
  if (!name.starts_with(host) || name.size() < host.size() + 1 || name[host.size()] != '-')
    return 0;
  name.remove_prefix(host.size() + 1);
  const std::size_t dash = name.find('-');
  if (dash == 0 || dash == std::string_view::npos || name.size() - dash - 1 != kRandomDigits)
    return 0;
  uint64_t pid = 0;
  for (const char digit : name.substr(0, dash)) {
    if (digit < '0' || digit > '9' || pid > UINT32_MAX / 10)
      return 0;
    pid = pid * 10 + static_cast<uint64_t>(digit - '0');
  }
  return pid > UINT32_MAX ? 0 : static_cast<DWORD>(pid);
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
  if (::GetFileInformationByHandle(windows_tool::SystemHandle(directory), &information) == 0)
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
  uint8_t random[kRandomDigits / 2];
  FillFromSystemRandom(random, sizeof random);
  return std::string(kPrefix) + HostTag() + "-" + std::to_string(::GetCurrentProcessId()) + "-" +
         Hexadecimal(random, sizeof random) + std::string(kSuffix);
}

void RemoveStaleTemporaries(int directory) {
  if (!FirstVisit(directory))
    return;
  std::wstring path;
  if (windows_tool::DirectoryPath(directory, path) != 0)
    return;
  const std::wstring pattern = path + (path.ends_with(L'\\') ? L"" : L"\\") + L".ostrel-*.tmp";
  WIN32_FIND_DATAW found{};
  const HANDLE search = ::FindFirstFileExW(pattern.c_str(), FindExInfoBasic, &found,
                                           FindExSearchNameMatch, nullptr, 0);
  if (search == INVALID_HANDLE_VALUE)
    return;
  const DWORD self = ::GetCurrentProcessId();
  do {
    const std::optional<std::string> name = windows::NarrowAnsiExactly(found.cFileName);
    if (!name)
      continue;
    const DWORD owner = OwnerOf(*name);
    if (owner == 0 || owner == self || !ProcessIsGone(owner))
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
