// Taking paths apart at their last separator and putting them together again, in one place, so
// that every caller agrees on roots and doubled separators.
#pragma once

#include <string>
#include <string_view>

#include "names/path_style.h"

namespace ostrel {

// What follows the last separator: the whole path when it has none.
std::string FileNameOf(std::string_view path, PathStyle style = kHostPathStyle);

// What precedes the last separator, without it; a root keeps its separator ("/a" gives "/"), and
// a bare name gives the empty string.
std::string ParentOf(std::string_view path, PathStyle style = kHostPathStyle);

// directory, one separator and name; when either is empty, the other alone.
std::string JoinPath(std::string_view directory, std::string_view name,
                     PathStyle style = kHostPathStyle);

}  // namespace ostrel
