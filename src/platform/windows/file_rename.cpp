#include "platform/file_rename.h"

#include <windows.h>

#include <string>

#include "platform/error_codes.h"
#include "platform/windows/directory_handles.h"

namespace ostrel {
namespace {

int Rename(int directory, std::string_view from, std::string_view to, DWORD flags) {
  std::wstring source;
  std::wstring target;
  if (const int error = windows::PathBelow(directory, from, source); error != 0)
    return error;
  if (const int error = windows::PathBelow(directory, to, target); error != 0)
    return error;
  if (::MoveFileExW(source.c_str(), target.c_str(), flags) != 0)
    return 0;
  const DWORD error = ::GetLastError();
  // Both say that the target exists; the tool knows one.
  return error == ERROR_ALREADY_EXISTS ? kErrorNameTaken : static_cast<int>(error);
}

}  // namespace

int RenameWithoutReplacing(int directory, std::string_view from, std::string_view to) {
  // Without the flag to replace, the system refuses an existing target in the same step.
  return Rename(directory, from, to, 0);
}

int RenameReplacing(int directory, std::string_view from, std::string_view to) {
  // A link at the target is replaced itself: renaming never follows the target's name.
  return Rename(directory, from, to, MOVEFILE_REPLACE_EXISTING);
}

}  // namespace ostrel
