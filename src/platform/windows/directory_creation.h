// Making the directories that an output tree needs.
#pragma once

#include <string_view>

namespace ostrel {

// Creates the directory and any missing parents (like mkdir -p). Returns 0 or the system's error
// code; an existing directory is success.
int MakeDirectories(std::string_view path);

}  // namespace ostrel
