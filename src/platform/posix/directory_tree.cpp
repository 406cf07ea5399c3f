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

DirectoryEntry EntryOf(int directory, const dirent& entry) {
  DirectoryEntry listed{entry.d_name, FileKind::Other, entry.d_ino};
  switch (entry.d_type) {
    case DT_REG:
      listed.Kind = FileKind::Regular;
      break;
    case DT_DIR:
      listed.Kind = FileKind::Directory;
      break;
    case DT_LNK:
      listed.Kind = FileKind::SymbolicLink;
      break;
    case DT_UNKNOWN: {
      // Some file systems do not say in the listing.
      const FileStatus status = StatusOfEntry(directory, entry.d_name);
      listed.Kind = status.Kind;
      listed.Inode = status.Inode;
      break;
    }
    default:
      break;
  }
  return listed;
}

}  // namespace

DirectoryListing ListOpenDirectory(int handle) {
  DirectoryListing listing;
  // The listing gets a handle of its own, so that the caller's stays usable for openat.
  const int own = ::dup(handle);
  if (own < 0) {
    listing.Error = errno;
    return listing;
  }
  DIR* const stream = ::fdopendir(own);
  if (stream == nullptr) {
    listing.Error = errno;
    ::close(own);
    return listing;
  }
  errno = 0;
  while (const dirent* const entry = ::readdir(stream)) {
    if (std::strcmp(entry->d_name, ".") != 0 && std::strcmp(entry->d_name, "..") != 0)
      listing.Entries.push_back(EntryOf(handle, *entry));
    errno = 0;
  }
  listing.Error = errno;
  ::closedir(stream);
  if (listing.Error != 0)
    return listing;
  std::sort(listing.Entries.begin(), listing.Entries.end(),
            [](const DirectoryEntry& a, const DirectoryEntry& b) { return a.Name < b.Name; });
  return listing;
}

namespace directory_walk {

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
