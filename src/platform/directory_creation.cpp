#include "platform/directory_creation.h"

#include <sys/stat.h>

#include <cerrno>
#include <string>

namespace ostrel {

int MakeDirectories(std::string_view path) {
  if (path.empty())
    return 0;
  const std::string whole(path);
  struct stat status {};
  if (::stat(whole.c_str(), &status) == 0)
    return S_ISDIR(status.st_mode) ? 0 : ENOTDIR;
  // Each prefix that ends before a "/", then the whole path.
  for (std::size_t end = whole.find('/', 1);; end = whole.find('/', end + 1)) {
    const std::string prefix = end == std::string::npos ? whole : whole.substr(0, end);
    if (!prefix.empty() && ::mkdir(prefix.c_str(), 0777) != 0 && errno != EEXIST)
      return errno;
    if (end == std::string::npos)
      break;
  }
  if (::stat(whole.c_str(), &status) != 0)
    return errno;
  return S_ISDIR(status.st_mode) ? 0 : ENOTDIR;
}

}  // namespace ostrel
