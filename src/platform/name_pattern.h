// Shell-style patterns for one component of a path.
#pragma once

#include <string>

namespace ostrel {

// Whether name matches pattern: "*" any run of characters, "?" any one, "[...]" one of a class
// ("[!...]" or "[^...]" none of it, "a-z" ranges), "\" takes the next character literally; "/"
// is matched only by itself.
bool NameMatchesPattern(const std::string& pattern, const std::string& name);

}  // namespace ostrel
