#include "platform/directory_tree.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "platform/directory_walk.h"

namespace ostrel {
namespace {

FileKind KindOfEntry(int directory, const dirent& entry) {
  switch (entry.d_type) {
    case DT_REG:
      return FileKind::Regular;
    case DT_DIR:
      return FileKind::Directory;
    case DT_LNK:
      return FileKind::SymbolicLink;
    case DT_UNKNOWN:
      break;
    default:
      return FileKind::Other;
  }
  // Some file systems do not say in the listing.
  return StatusOfEntry(directory, entry.d_name).Kind;
}

// Lists the open directory in name order; 0 or the system's code.
int ListEntries(int handle, std::vector<DirectoryEntry>& entries) {
  // The listing gets a handle of its own, so that the caller's stays usable for openat.
  const int listing = ::dup(handle);
  if (listing < 0)
    return errno;
  DIR* const stream = ::fdopendir(listing);
  if (stream == nullptr) {
    const int error = errno;
    ::close(listing);
    return error;
  }
  errno = 0;
  while (const dirent* const entry = ::readdir(stream)) {
    if (std::strcmp(entry->d_name, ".") != 0 && std::strcmp(entry->d_name, "..") != 0)
      entries.push_back({entry->d_name, KindOfEntry(handle, *entry)});
    errno = 0;
  }
  const int error = errno;
  ::closedir(stream);
  if (error != 0)
    return error;
  std::sort(entries.begin(), entries.end(),
            [](const DirectoryEntry& a, const DirectoryEntry& b) { return a.Name < b.Name; });
  return 0;
}

}  // namespace

namespace directory_walk {

Listing ListOpenDirectory(int handle) {
  Listing listing;
  listing.Error = ListEntries(handle, listing.Entries);
  return listing;
}

OpenedFile OpenSubdirectory(int handle, const std::string& name) {
  const int child =
      ::openat(handle, name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK);
  if (child < 0)
    return {-1, errno};
  return {child, 0};
}

std::string SubdirectoryPath(const std::string& parent, const std::string& name) {
  return parent.ends_with('/') ? parent + name : parent + "/" + name;
}

}  // namespace directory_walk

OpenDirectory::~OpenDirectory() {
  ::close(handle_);
}

void WalkTree(const std::string& root, const TreeVisitor& visitor) {
  const int handle = ::open(root.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC | O_NONBLOCK);
  if (handle < 0) {
    visitor.Unreadable(std::string(), errno);
    return;
  }
  directory_walk::WalkOpen(handle, root, std::string(), visitor);
}

OpenedFile OpenEntryForReading(const OpenDirectory& directory, const std::string& name) {
  const int handle = ::openat(directory.Handle(), name.c_str(),
                              O_RDONLY | O_NOFOLLOW | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
  if (handle < 0)
    return {-1, errno};
  // The flag only keeps a FIFO put in the file's place from blocking the open (the caller refuses
  // anything but a regular file); reading a regular file never waits, flag or not.
  return {handle, 0};
}

}  // namespace ostrel
