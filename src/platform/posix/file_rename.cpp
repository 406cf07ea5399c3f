#include "platform/file_rename.h"

#include <fcntl.h>
#include <unistd.h>
#include <cstdio>

#include <cerrno>
#include <string>

namespace ostrel {

int RenameWithoutReplacing(int directory, std::string_view from, std::string_view to) {
  const std::string source(from);
  const std::string target(to);
  if (::renameat2(directory, source.c_str(), directory, target.c_str(), RENAME_NOREPLACE) == 0)
    return 0;
  const int error = errno;
  if (error != EINVAL && error != ENOSYS && error != ENOTSUP)
    return error;
  // A file system without the no-replace rename: a hard link fails on an existing name just the
  // same, and then the temporary name goes.
  if (::linkat(directory, source.c_str(), directory, target.c_str(), 0) != 0)
    return errno;
  ::unlinkat(directory, source.c_str(), 0);
  return 0;
}

int RenameReplacing(int directory, std::string_view from, std::string_view to) {
  const std::string source(from);
  const std::string target(to);
  return ::renameat(directory, source.c_str(), directory, target.c_str()) == 0 ? 0 : errno;
}

}  // namespace ostrel
