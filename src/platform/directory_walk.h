// The order of a tree walk, the same on every system; what each system does to list a directory
// and to enter one below it is its own (directory_tree.cpp beside this file, and in windows/).
#pragma once

#include <string>
#include <vector>

#include "platform/directory_tree.h"
#include "platform/file_handle.h"

namespace ostrel::directory_walk {

// What a system lists of one open directory: the entries in name order, and the names it cannot
// give as its 8-bit text (shown as best it can), each an error of its own with that code.
struct Listing {
  int Error = 0;
  std::vector<DirectoryEntry> Entries;
  std::vector<std::string> Untranslatable;
  int UntranslatableError = 0;
};

// Implemented per system.
Listing ListOpenDirectory(int handle);
// Opens name below the open directory without following a link there.
OpenedFile OpenSubdirectory(int handle, const std::string& name);
// The path of name below parent, for messages and output names.
std::string SubdirectoryPath(const std::string& parent, const std::string& name);

// Walks the directory behind handle (which it takes over), reached at path, relative below the
// root.
void WalkOpen(int handle, std::string path, std::string relative, const TreeVisitor& visitor);

}  // namespace ostrel::directory_walk
