#include "platform/directory_tree.h"

#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include <algorithm>
#include <optional>

#include "platform/directory_walk.h"
#include "platform/windows/directory_handles.h"
#include "platform/windows/name_text.h"

namespace ostrel {
namespace {

using windows::DirectoryPath;
using windows::OpenDirectoryAt;

// Symbolic links and junctions are reparse points: listed as links, which the walk skips.
FileKind KindOf(DWORD attributes) {
  if ((attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0)
    return FileKind::SymbolicLink;
  if ((attributes & FILE_ATTRIBUTE_DIRECTORY) != 0)
    return FileKind::Directory;
  if ((attributes & FILE_ATTRIBUTE_DEVICE) != 0)
    return FileKind::Other;
  return FileKind::Regular;
}

}  // namespace

// Names that the program's text cannot hold exactly are set apart: they are errors of their own,
// never entries under a nearby name.
DirectoryListing ListOpenDirectory(int handle) {
  DirectoryListing listing;
  listing.UntranslatableError = ERROR_NO_UNICODE_TRANSLATION;
  std::wstring pattern;
  if (const int error = DirectoryPath(handle, pattern); error != 0) {
    listing.Error = error;
    return listing;
  }
  pattern += pattern.ends_with(L'\\') ? L"*" : L"\\*";
  WIN32_FIND_DATAW found{};
  const HANDLE search = ::FindFirstFileExW(pattern.c_str(), FindExInfoBasic, &found,
                                           FindExSearchNameMatch, nullptr, 0);
  if (search == INVALID_HANDLE_VALUE) {
    const DWORD error = ::GetLastError();
    listing.Error = error == ERROR_FILE_NOT_FOUND ? 0 : static_cast<int>(error);
    return listing;
  }
  do {
    const std::wstring_view wide(found.cFileName);
    if (wide == L"." || wide == L"..")
      continue;
    if (std::optional<std::string> name = windows::NarrowNameExactly(wide))
      listing.Entries.push_back({std::move(*name), KindOf(found.dwFileAttributes)});
    else
      listing.Untranslatable.push_back(windows::NarrowShownName(wide));
  } while (::FindNextFileW(search, &found) != 0);
  if (::GetLastError() != ERROR_NO_MORE_FILES)
    listing.Error = static_cast<int>(::GetLastError());
  ::FindClose(search);
  std::sort(listing.Entries.begin(), listing.Entries.end(),
            [](const DirectoryEntry& a, const DirectoryEntry& b) { return a.Name < b.Name; });
  return listing;
}

namespace directory_walk {

OpenedFile OpenSubdirectory(int handle, const std::string& name) {
  std::wstring path;
  if (const int error = windows::PathBelow(handle, name, path); error != 0)
    return {-1, error};
  return OpenDirectoryAt(path, false);
}

std::string SubdirectoryPath(const std::string& parent, const std::string& name) {
  return parent.ends_with('\\') || parent.ends_with('/') ? parent + name : parent + "\\" + name;
}

}  // namespace directory_walk

OpenDirectory::~OpenDirectory() {
  ::_close(handle_);
}

void WalkTree(const std::string& root, const TreeVisitor& visitor) {
  std::wstring path;
  OpenedFile opened{-1, windows::SystemPath(root, path)};
  // The root is the user's choice: a link there is followed.
  if (opened.error == 0)
    opened = OpenDirectoryAt(path, true);
  if (opened.handle < 0) {
    visitor.Unreadable(std::string(), opened.error);
    return;
  }
  directory_walk::WalkOpen(opened.handle, root, std::string(), visitor);
}

OpenedFile OpenEntryForReading(const OpenDirectory& directory, const std::string& name) {
  std::wstring path;
  if (const int error = windows::PathBelow(directory.Handle(), name, path); error != 0)
    return {-1, error};
  // Others may read the file meanwhile, but not change it; a link at the name is opened itself,
  // and refused below, never followed.
  const HANDLE handle =
      ::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                    FILE_FLAG_OPEN_REPARSE_POINT | FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
  if (handle == INVALID_HANDLE_VALUE)
    return {-1, static_cast<int>(::GetLastError())};
  BY_HANDLE_FILE_INFORMATION information{};
  if (::GetFileInformationByHandle(handle, &information) != 0 &&
      (information.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0) {
    ::CloseHandle(handle);
    return {-1, windows::kLinkRefused};
  }
  const OpenedFile adopted = windows::AdoptHandle(handle, _O_RDONLY);
  return {adopted.handle, adopted.error};
}

}  // namespace ostrel
