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

}  // namespace ostrel
