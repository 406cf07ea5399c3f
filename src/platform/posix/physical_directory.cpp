#include "platform/physical_directory.h"

#include <sys/stat.h>

#include <cstdlib>
#include <memory>

namespace ostrel {
namespace {

// Whether a ".." in the directory part follows a component that is a symbolic link.
bool HasDotDotAfterLink(const std::string& directory) {
  bool linkSeen = false;
  std::size_t start = 0;
  while (start <= directory.size()) {
    std::size_t end = directory.find('/', start);
    if (end == std::string::npos)
      end = directory.size();
    const std::string component = directory.substr(start, end - start);
    if (component == ".." && linkSeen)
      return true;
    if (!component.empty() && component != "." && component != "..") {
      struct stat status {};
      const std::string prefix = directory.substr(0, end);
      linkSeen = linkSeen || (::lstat(prefix.c_str(), &status) == 0 && S_ISLNK(status.st_mode));
    }
    start = end + 1;
  }
  return false;
}

}  // namespace

std::string ResolveDotDotAfterLinks(std::string_view path) {
  std::string whole(path);
  const std::size_t slash = whole.rfind('/');
  if (slash == std::string::npos || slash == 0)
    return whole;
  const std::string directory = whole.substr(0, slash);
  if (!HasDotDotAfterLink(directory))
    return whole;
  const std::unique_ptr<char, decltype(&std::free)> real(::realpath(directory.c_str(), nullptr),
                                                         &std::free);
  if (!real)
    return whole;
  const std::string resolved(real.get());
  return (resolved == "/" ? std::string() : resolved) + whole.substr(slash);
}

}  // namespace ostrel
