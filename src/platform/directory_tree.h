// A tree worked through one directory at a time, relative to open directory handles: each
// directory is listed once and entered by opening its name relative to its parent's handle without
// following a symbolic link, so that a directory swapped for a link while the walk runs leads
// nowhere outside the tree, and no path is looked up twice by name. Memory is bounded by the
// largest directory and the depth, not by the size of the tree.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/file_handle.h"
#include "platform/file_status.h"

namespace ostrel {

// A directory held open; files below it are opened relative to it. Shared by every work item of
// the directory and closed when the last one lets it go.
class OpenDirectory {
 public:
  OpenDirectory(int handle, std::string path) : handle_(handle), path_(std::move(path)) {}
  ~OpenDirectory();
  OpenDirectory(const OpenDirectory&) = delete;
  OpenDirectory& operator=(const OpenDirectory&) = delete;

  int Handle() const { return handle_; }
  const std::string& Path() const { return path_; }  // for messages and output names

 private:
  int handle_;
  std::string path_;
};

using DirectoryRef = std::shared_ptr<const OpenDirectory>;

struct DirectoryEntry {
  std::string Name;
  FileKind Kind = FileKind::Other;
  uint64_t Inode = 0;  // where the system's listing gives it (POSIX), else 0
};

// What a system lists of one open directory: the entries in name order, without "." and "..",
// and the names it cannot give as its 8-bit text (shown as best it can), each an error of its own
// with that code. Where the directory itself tells what an entry is, only that kind is read; any
// other entry is looked up, a symbolic link not followed. The caller's handle stays usable.
struct DirectoryListing {
  int Error = 0;  // the system's code when the directory cannot be read
  std::vector<DirectoryEntry> Entries;
  std::vector<std::string> Untranslatable;
  int UntranslatableError = 0;
};
DirectoryListing ListOpenDirectory(int handle);

// One directory of the tree with its entries in name order.
struct ListedDirectory {
  DirectoryRef Directory;
  std::string RelativePath;  // below the root, "/"-separated; empty for the root
  std::vector<DirectoryEntry> Entries;
};

struct TreeVisitor {
  // Once per directory, before any of its entries.
  std::function<void(const ListedDirectory&)> Listed;
  // Every entry that is not a directory, in name order; subdirectories are walked at their place.
  std::function<void(const ListedDirectory&, const DirectoryEntry&)> Entry;
  // Once per directory, after all of its entries (and the trees below it).
  std::function<void(const ListedDirectory&)> Finished;
  // A directory that could not be opened or listed (the root included), with the system's code.
  std::function<void(const std::string& relativePath, int error)> Unreadable;
  // Called between listing a directory and entering one of its subdirectories; tests use it to
  // change the tree at that moment.
  std::function<void(const ListedDirectory&, const DirectoryEntry&)> BeforeEntering;
};

// Walks the tree below root (which may itself be reached through a link).
void WalkTree(const std::string& root, const TreeVisitor& visitor);

// Opens a file of the directory for reading, not following a symbolic link; the handle or a
// negative handle and the system's code.
OpenedFile OpenEntryForReading(const OpenDirectory& directory, const std::string& name);

}  // namespace ostrel
