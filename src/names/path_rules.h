// Splitting a path into directory, stem and extension, and normalising a directory before an
// output name is built on it. The same rules serve 8-bit paths and UTF-16 names.
#pragma once

#include <string>
#include <string_view>

#include "names/path_style.h"

namespace ostrel {

template <typename String>
struct SplitPathResult {
  String Directory;
  String Stem;
  String Extension;
};

SplitPathResult<std::string> SplitPath(std::string_view path, PathStyle style);
SplitPathResult<std::u16string> SplitPath(std::u16string_view path, PathStyle style);

// path is a directory followed by its separator; the result keeps the trailing separator.
std::string NormalizeDirectory(std::string_view path, PathStyle style);

}  // namespace ostrel
