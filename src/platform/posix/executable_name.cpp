#include "platform/executable_name.h"

#include <unistd.h>

#include <climits>

namespace ostrel {
namespace {

std::string LastComponent(std::string_view path) {
  const std::size_t slash = path.rfind('/');
  return std::string(slash == std::string_view::npos ? path : path.substr(slash + 1));
}

}  // namespace

std::string ExecutableFileName(std::string_view argv0) {
  char target[PATH_MAX];
  const ssize_t length = readlink("/proc/self/exe", target, sizeof target);
  if (length > 0)
    return LastComponent(std::string_view(target, static_cast<std::size_t>(length)));
  return LastComponent(argv0);
}

}  // namespace ostrel
