#include "platform/directory_listing.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <string>

#include "platform/directory_tree.h"

namespace ostrel {
namespace {

// The directory that holds the last name of relative, reached from directory one name at a
// time, none of them followed when it is a symbolic link: a directory of the tree replaced by a
// link must not lead out of the tree, and the system's own walk of a path follows every link but
// the last. Handle is directory itself for a single name; Owned says it must be closed.
struct Parent {
  int Handle = -1;
  bool Owned = false;
  int Error = 0;
  std::string Leaf;
};

Parent ParentOf(int directory, std::string_view relative) {
  Parent parent{directory, false, 0, "."};
  std::size_t position = relative.find_first_not_of('/');
  while (position != std::string_view::npos) {
    const std::size_t end = std::min(relative.find('/', position), relative.size());
    std::string name(relative.substr(position, end - position));
    const std::size_t next = relative.find_first_not_of('/', end);
    if (next == std::string_view::npos) {
      parent.Leaf = std::move(name);
      break;
    }
    const int handle =
        ::openat(parent.Handle, name.c_str(), O_PATH | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    const int error = errno;
    if (parent.Owned)
      ::close(parent.Handle);
    if (handle < 0)
      return {-1, false, error, {}};
    parent.Handle = handle;
    parent.Owned = true;
    position = next;
  }
  return parent;
}

OpenedFile OpenWith(int directory, std::string_view relative, int flags) {
  const Parent parent = ParentOf(directory, relative);
  if (parent.Handle < 0)
    return {-1, parent.Error};
  const int handle = ::openat(parent.Handle, parent.Leaf.c_str(), flags | O_RDONLY | O_CLOEXEC);
  const int error = errno;
  if (parent.Owned)
    ::close(parent.Handle);
  if (handle < 0)
    return {-1, error};
  return {handle, 0};
}

}  // namespace

OpenedFile OpenDirectoryHandle(std::string_view path) {
  const std::string name(path);
  const int handle = ::open(name.c_str(), O_DIRECTORY | O_RDONLY | O_CLOEXEC);
  if (handle < 0)
    return {-1, errno};
  return {handle, 0};
}

OpenedFile OpenFileBelow(int directory, std::string_view relative) {
  // Without waiting: a FIFO put where a file was would hold the thread until a writer came.
  const OpenedFile opened = OpenWith(directory, relative, O_NOFOLLOW | O_NONBLOCK);
  if (opened.handle < 0)
    return opened;
  const FileStatus status = StatusOfHandle(opened.handle);
  if (status.Kind == FileKind::Regular)
    return opened;
  ::close(opened.handle);
  if (status.Error != 0)
    return {-1, status.Error};
  return {-1, status.Kind == FileKind::Directory ? kIsADirectory : kNotARegularFile};
}

OpenedFile OpenDirectoryBelow(int directory, std::string_view relative) {
  return OpenWith(directory, relative, O_DIRECTORY | O_NOFOLLOW);
}

FileStatus StatusOfEntryBelow(int directory, std::string_view relative) {
  if (relative.find_first_not_of('/') == std::string_view::npos)
    return StatusOfHandle(directory);
  const Parent parent = ParentOf(directory, relative);
  if (parent.Handle < 0) {
    FileStatus failed;
    failed.Error = parent.Error;
    return failed;
  }
  const FileStatus status = StatusOfEntry(parent.Handle, parent.Leaf);
  if (parent.Owned)
    ::close(parent.Handle);
  return status;
}

bool DirectoryLiesWithin(int inner, int outer, int& error) {
  error = 0;
  const FileStatus target = StatusOfHandle(outer);
  FileStatus current = StatusOfHandle(inner);
  if (target.Error != 0 || current.Error != 0) {
    error = target.Error != 0 ? target.Error : current.Error;
    return false;
  }
  int handle = -1;  // the directory reached so far, when not inner itself
  bool within = false;
  // A tree deeper than this cannot be named by a path the system accepts.
  for (int steps = 0; steps < 4096; ++steps) {
    if (current.IsSameFileAs(target)) {
      within = true;
      break;
    }
    const int up = ::openat(handle < 0 ? inner : handle, "..", O_PATH | O_DIRECTORY | O_CLOEXEC);
    if (up < 0) {
      error = errno;
      break;
    }
    const FileStatus above = StatusOfHandle(up);
    if (handle >= 0)
      ::close(handle);
    handle = up;
    if (above.Error != 0) {
      error = above.Error;
      break;
    }
    if (above.IsSameFileAs(current))
      break;  // the root: its ".." is itself
    current = above;
  }
  if (handle >= 0)
    ::close(handle);
  return within;
}

bool IsEmptyDirectory(std::string_view path, int& error) {
  const OpenedFile opened = OpenDirectoryHandle(path);
  error = opened.error;
  if (opened.handle < 0)
    return false;
  const DirectoryListing listing = ListOpenDirectory(opened.handle);
  ::close(opened.handle);
  error = listing.Error;
  return error == 0 && listing.Entries.empty();
}

}  // namespace ostrel
