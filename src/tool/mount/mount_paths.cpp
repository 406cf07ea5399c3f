#include "tool/mount/mount_paths.h"

#include <cerrno>

#include "names/path_joining.h"
#include "platform/directory_listing.h"

namespace ostrel {

int MountFailure(int error) {
  const bool replaced = error == ELOOP || error == ENOTDIR || error == kNotARegularFile;
  return -(replaced ? ENOENT : error);
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

}  // namespace ostrel
