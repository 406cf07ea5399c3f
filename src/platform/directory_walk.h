// Listing a directory tree: every entry below a root, directories first entered, in name order so
// that runs are repeatable. Symbolic links are reported, never followed, so a link cannot lead the
// walk out of the tree or round in a loop.
#pragma once

#include <functional>
#include <string>
#include <string_view>

#include "platform/file_status.h"

namespace ostrel {

struct TreeEntry {
  std::string RelativePath;  // below the root, "/"-separated; empty only for the root itself
  FileKind Kind;
  int Error = 0;  // a directory that could not be read: the system's error code
};

// Calls visit for every entry below root that is not a directory, and enters every directory. A
// directory that cannot be read (the root included) is reported with its error instead; the walk
// goes on with the rest.
void WalkDirectoryTree(std::string_view root, const std::function<void(const TreeEntry&)>& visit);

}  // namespace ostrel
