// Where a path's ".." really leads. The system resolves ".." from wherever a symbolic link before
// it points, while the name rules take ".." away as text: "link/../a.2crypt" with link pointing
// into another directory reads that directory's a.2crypt, and the text rule would put its output
// in the current directory instead, over a file that has nothing to do with it.
#pragma once

#include <string>
#include <string_view>

namespace ostrel {

// The path with its directory part replaced by the directory the system reaches, when that part
// holds ".." after a component that is a symbolic link; otherwise (or when that directory cannot
// be resolved, so that opening the input reports why) the path unchanged. "/"-separated paths.
std::string ResolveDotDotAfterLinks(std::string_view path);

}  // namespace ostrel
