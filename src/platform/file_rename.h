// Moving a finished output from its temporary name to its final name in one step.
#pragma once

#include <string_view>

namespace ostrel {

// Renames from to to only when to does not exist, atomically where the file system can (a file
// that appeared meanwhile is never replaced). Returns 0 or the system's error code (EEXIST when
// to exists).
int RenameWithoutReplacing(std::string_view from, std::string_view to);

// Renames from to to, replacing an existing to atomically. Returns 0 or the system's error code.
int RenameReplacing(std::string_view from, std::string_view to);

}  // namespace ostrel
