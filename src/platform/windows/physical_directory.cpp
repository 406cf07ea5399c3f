// On Windows the system resolves ".." in the name's text before it follows any link, as the name
// rules do: both reach the same directory, and nothing needs correcting.
#include "platform/physical_directory.h"

namespace ostrel {

std::string ResolveDotDotAfterLinks(std::string_view path) {
  return std::string(path);
}

}  // namespace ostrel
