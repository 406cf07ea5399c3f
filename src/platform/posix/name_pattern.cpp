#include "platform/name_pattern.h"

#include <fnmatch.h>

namespace ostrel {

bool NameMatchesPattern(const std::string& pattern, const std::string& name) {
  return ::fnmatch(pattern.c_str(), name.c_str(), FNM_PATHNAME) == 0;
}

}  // namespace ostrel
