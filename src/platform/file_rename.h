// Moving a finished output from its temporary name to its final name in one step, both names in
// one open directory, so that neither is looked up again from the top.
#pragma once

#include <string_view>

namespace ostrel {

// Renames from to to in the directory only when to does not exist, atomically where the file
// system can (a file that appeared meanwhile is never replaced). Returns 0 or the system's error
// code (kErrorNameTaken when to exists).
int RenameWithoutReplacing(int directory, std::string_view from, std::string_view to);

// Renames from to to in the directory, replacing an existing to atomically (a symbolic link at to
// is replaced itself, never followed). Returns 0 or the system's error code.
int RenameReplacing(int directory, std::string_view from, std::string_view to);

}  // namespace ostrel
