#include "platform/exclusive_file.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <string>

namespace ostrel {

OpenedFile CreateExclusiveFile(std::string_view name) {
  if (name.find('\0') != std::string_view::npos)
    return {-1, EINVAL};
  const std::string path(name);
  int handle = -1;
  do {
    handle =
        ::open(path.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC | O_NOCTTY | O_NOFOLLOW, 0600);
  } while (handle < 0 && errno == EINTR);
  if (handle < 0)
    return {-1, errno};
  return {handle, 0};
}

int CloseFileChecked(int handle) {
  // Not retried on EINTR: the handle is released whatever close() reports.
  return ::close(handle) == 0 ? 0 : errno;
}

int RemoveFile(std::string_view name) {
  const std::string path(name);
  return ::unlink(path.c_str()) == 0 ? 0 : errno;
}

}  // namespace ostrel
