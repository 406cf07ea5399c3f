// Directories held open on Windows, as the tool's platform layer uses them. A directory handle is
// a C runtime descriptor over a handle opened without delete sharing: while it is held, nobody
// can rename, remove or replace that directory (or any above it), so a name below it that is
// built from the directory's own final path reaches the directory the walk opened, never
// whatever took its place. Names are the program's 8-bit text (name_text.h) and reach the
// system widened, as full paths with the long-path prefix.
#pragma once

#include <windows.h>

#include <string>
#include <string_view>

#include "platform/file_handle.h"

namespace ostrel::windows {

// The system's handle behind a descriptor (INVALID_HANDLE_VALUE when there is none).
HANDLE SystemHandle(int handle) noexcept;

// Hands a system handle to a descriptor, which then owns it; on failure the handle is closed.
OpenedFile AdoptHandle(HANDLE handle, int accessFlags);

// The full path of a name given by the user, with the long-path prefix; 0 or the error code.
int SystemPath(std::string_view name, std::wstring& path);

// The final path of an open directory (with the long-path prefix), and a name below it
// ("/"- or "\"-separated), taken literally: a name listed in the directory, such as "a." or
// "CON", is that entry and no device or other file. 0 or the error code.
int DirectoryPath(int directory, std::wstring& path);
int PathBelow(int directory, std::string_view relative, std::wstring& path);

// Opens a directory for listing and for opening names below it. followLinks false: a symbolic
// link or junction at the path is refused (kLinkRefused), as a link met inside a tree is.
OpenedFile OpenDirectoryAt(const std::wstring& path, bool followLinks);

// The error for a link where a link is never followed: the system cannot resolve that name for
// us, by our own choice.
inline constexpr int kLinkRefused = ERROR_CANT_RESOLVE_FILENAME;

// Whether an error means that the name does not exist.
bool IsMissing(DWORD error) noexcept;

}  // namespace ostrel::windows
