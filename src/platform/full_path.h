// The full path name that messages about a file show.
#pragma once

#include <string>
#include <string_view>

namespace ostrel {

// The name made absolute against the current directory, with "." and ".." segments and doubled
// separators resolved by text alone: the file need not exist and symbolic links are not followed.
// A trailing separator stays. An empty name stays empty; a relative name stays relative when the
// current directory cannot be read.
std::string FullPathName(std::string_view name);

// The name as the system resolves it, symbolic links, "." and ".." included: a path that keeps
// naming the same place when the current directory changes, as a process that goes into the
// background does. The name unchanged when it cannot be resolved, so that opening it says why.
std::string ResolvedPathName(std::string_view name);

}  // namespace ostrel
