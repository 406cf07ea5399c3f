#include "platform/file_rename.h"

#include <fcntl.h>
#include <unistd.h>
#include <cstdio>

#include <cerrno>
#include <string>

namespace ostrel {

int RenameWithoutReplacing(std::string_view from, std::string_view to) {
  const std::string source(from);
  const std::string target(to);
  if (::renameat2(AT_FDCWD, source.c_str(), AT_FDCWD, target.c_str(), RENAME_NOREPLACE) == 0)
    return 0;
  const int error = errno;
  if (error != EINVAL && error != ENOSYS && error != ENOTSUP)
    return error;
  // A file system without the no-replace rename: a hard link fails on an existing name just the
  // same, and then the temporary name goes.
  if (::link(source.c_str(), target.c_str()) != 0)
    return errno;
  ::unlink(source.c_str());
  return 0;
}

int RenameReplacing(std::string_view from, std::string_view to) {
  const std::string source(from);
  const std::string target(to);
  return ::rename(source.c_str(), target.c_str()) == 0 ? 0 : errno;
}

}  // namespace ostrel
