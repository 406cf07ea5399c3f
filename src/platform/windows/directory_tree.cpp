#include "platform/directory_tree.h"

#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include <optional>

#include <algorithm>

#include "platform/windows/ansi_text.h"
#include "platform/windows/directory_handles.h"

namespace ostrel {
namespace {

using windows_tool::DirectoryPath;
using windows_tool::OpenDirectoryAt;

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

struct UntranslatableName {
  std::string Shown;
};

// Lists the open directory; 0 or the error code. Names that the code page cannot hold exactly
// are set apart: they are errors of their own, never entries under a nearby name.
int ListEntries(int handle, std::vector<DirectoryEntry>& entries,
                std::vector<UntranslatableName>& untranslatable) {
  std::wstring pattern;
  if (const int error = DirectoryPath(handle, pattern); error != 0)
    return error;
  pattern += pattern.ends_with(L'\\') ? L"*" : L"\\*";
  WIN32_FIND_DATAW found{};
  const HANDLE search = ::FindFirstFileExW(pattern.c_str(), FindExInfoBasic, &found,
                                           FindExSearchNameMatch, nullptr, 0);
  if (search == INVALID_HANDLE_VALUE) {
    const DWORD error = ::GetLastError();
    return error == ERROR_FILE_NOT_FOUND ? 0 : static_cast<int>(error);
  }
  int error = 0;
  do {
    const std::wstring_view wide(found.cFileName);
    if (wide == L"." || wide == L"..")
      continue;
    if (std::optional<std::string> name = windows::NarrowAnsiExactly(wide))
      entries.push_back({std::move(*name), KindOf(found.dwFileAttributes)});
    else
      untranslatable.push_back({windows_tool::ShownName(wide)});
  } while (::FindNextFileW(search, &found) != 0);
  if (::GetLastError() != ERROR_NO_MORE_FILES)
    error = static_cast<int>(::GetLastError());
  ::FindClose(search);
  if (error != 0)
    return error;
  std::sort(entries.begin(), entries.end(),
            [](const DirectoryEntry& a, const DirectoryEntry& b) { return a.Name < b.Name; });
  return 0;
}

std::string JoinRelative(const std::string& parent, const std::string& name) {
  return parent.empty() ? name : parent + "/" + name;
}

std::string JoinDirectoryPath(const std::string& parent, const std::string& name) {
  return parent.ends_with('\\') || parent.ends_with('/') ? parent + name : parent + "\\" + name;
}

void WalkOpen(int handle, std::string path, std::string relative, const TreeVisitor& visitor) {
  ListedDirectory listed;
  listed.Directory = std::make_shared<const OpenDirectory>(handle, std::move(path));
  listed.RelativePath = std::move(relative);
  std::vector<UntranslatableName> untranslatable;
  const int error = ListEntries(handle, listed.Entries, untranslatable);
  if (error != 0) {
    visitor.Unreadable(listed.RelativePath, error);
    return;
  }
  for (const UntranslatableName& name : untranslatable)
    visitor.Unreadable(JoinRelative(listed.RelativePath, name.Shown), ERROR_NO_UNICODE_TRANSLATION);
  if (visitor.Listed)
    visitor.Listed(listed);
  for (const DirectoryEntry& entry : listed.Entries) {
    if (entry.Kind != FileKind::Directory) {
      visitor.Entry(listed, entry);
      continue;
    }
    if (visitor.BeforeEntering)
      visitor.BeforeEntering(listed, entry);
    const std::string childRelative = JoinRelative(listed.RelativePath, entry.Name);
    std::wstring childPath;
    int childError = windows_tool::PathBelow(handle, entry.Name, childPath);
    OpenedFile child{-1, childError};
    if (childError == 0)
      child = OpenDirectoryAt(childPath, false);
    if (child.handle < 0) {
      visitor.Unreadable(childRelative, child.error);
      continue;
    }
    WalkOpen(child.handle, JoinDirectoryPath(listed.Directory->Path(), entry.Name), childRelative,
             visitor);
  }
  if (visitor.Finished)
    visitor.Finished(listed);
}

}  // namespace

OpenDirectory::~OpenDirectory() {
  ::_close(handle_);
}

void WalkTree(const std::string& root, const TreeVisitor& visitor) {
  std::wstring path;
  OpenedFile opened{-1, windows_tool::SystemPath(root, path)};
  // The root is the user's choice: a link there is followed.
  if (opened.error == 0)
    opened = OpenDirectoryAt(path, true);
  if (opened.handle < 0) {
    visitor.Unreadable(std::string(), opened.error);
    return;
  }
  WalkOpen(opened.handle, root, std::string(), visitor);
}

OpenedEntry OpenEntryForReading(const OpenDirectory& directory, const std::string& name) {
  std::wstring path;
  if (const int error = windows_tool::PathBelow(directory.Handle(), name, path); error != 0)
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
    return {-1, windows_tool::kLinkRefused};
  }
  const OpenedFile adopted = windows_tool::AdoptHandle(handle, _O_RDONLY);
  return {adopted.handle, adopted.error};
}

}  // namespace ostrel
