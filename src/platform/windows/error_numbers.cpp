#include "platform/error_numbers.h"

#include <windows.h>

#include <cerrno>

#include "platform/file_handle.h"
#include "platform/windows/directory_handles.h"

namespace ostrel {

int ErrorNumberOf(int systemError) noexcept {
  switch (systemError) {
    case 0:
      return 0;
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_NAME:  // a name no file can have does not exist
      return ENOENT;
    case ERROR_DIRECTORY:  // a file where a directory was expected
      return ENOTDIR;
    case kIsADirectory:
      return EISDIR;
    case kNotARegularFile:
      return ENXIO;
    case windows::kLinkRefused:
      return ELOOP;
    case ERROR_ACCESS_DENIED:
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
      return EACCES;
    case ERROR_FILENAME_EXCED_RANGE:
      return ENAMETOOLONG;
    case ERROR_TOO_MANY_OPEN_FILES:
      return EMFILE;
    case ERROR_NOT_ENOUGH_MEMORY:
    case ERROR_OUTOFMEMORY:
      return ENOMEM;
    default:
      return EIO;
  }
}

}  // namespace ostrel
