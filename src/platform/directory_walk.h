// The order of a tree walk, the same on every system; what each system does to list a directory
// and to enter one below it is its own (directory_tree.cpp in posix/ and windows/).
#pragma once

#include <string>
#include <vector>

#include "platform/directory_tree.h"
#include "platform/file_handle.h"

namespace ostrel::directory_walk {

// Implemented per system, as ListOpenDirectory is.
// Opens name below the open directory without following a link there.
OpenedFile OpenSubdirectory(int handle, const std::string& name);
// The path of name below parent, for messages and output names.
std::string SubdirectoryPath(const std::string& parent, const std::string& name);

// Walks the directory behind handle (which it takes over), reached at path, relative below the
// root.
void WalkOpen(int handle, std::string path, std::string relative, const TreeVisitor& visitor);

}  // namespace ostrel::directory_walk
