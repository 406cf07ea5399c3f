// Files made for one writer only: created exclusively (never an existing file, never through a
// symbolic link), readable and writable by the owner alone until the writer says otherwise, and
// closed with a check, because a failing close can be the first report of lost data.
#pragma once

#include <string_view>

#include "platform/file_handle.h"

namespace ostrel {

// EEXIST when the name is taken.
OpenedFile CreateExclusiveFile(std::string_view name);

// Returns 0 or the system's error code; the handle is released either way.
int CloseFileChecked(int handle);

// Returns 0 or the system's error code.
int RemoveFile(std::string_view name);

}  // namespace ostrel
