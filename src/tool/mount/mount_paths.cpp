#include "tool/mount/mount_paths.h"

#include <cerrno>
#include <utility>

#include "names/path_joining.h"
#include "platform/directory_listing.h"
#include "platform/error_numbers.h"

namespace ostrel {

int MountFailure(int error) {
  const int number = ErrorNumberOf(error);
  const bool replaced = number == ELOOP || number == ENOTDIR || error == kNotARegularFile;
  return -(replaced ? ENOENT : number);
}

std::string JoinSource(const std::string& directory, const std::string& name) {
  return JoinPath(directory, name, PathStyle::Posix);
}

std::string ParentOfSource(const std::string& sourcePath) {
  const std::size_t slash = sourcePath.rfind('/');
  return slash == std::string::npos ? std::string() : sourcePath.substr(0, slash);
}

bool SameState(const FileStatus& a, const FileStatus& b) {
  return a.Device == b.Device && a.Inode == b.Inode && a.Size == b.Size &&
         a.ModificationSeconds == b.ModificationSeconds &&
         a.ModificationNanoseconds == b.ModificationNanoseconds;
}

int ListSourceDirectory(int source, const std::string& sourcePath,
                        std::vector<DirectoryEntry>& entries) {
  const OpenedFile directory = OpenDirectoryBelow(source, sourcePath);
  if (directory.handle < 0)
    return directory.error;
  DirectoryListing listing = ListOpenDirectory(directory.handle);
  CloseFile(directory.handle);
  if (listing.Error != 0)
    return listing.Error;
  entries = std::move(listing.Entries);
  return 0;
}

}  // namespace ostrel
