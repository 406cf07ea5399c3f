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

// Splits at the last separator ("\" or ":" in Windows style, "/" in POSIX style). The directory
// drops that separator unless it is a root or follows another one ("C:\a.txt" keeps "C:\"). The
// extension runs from the last "." of the file name. The stem loses the extension only when it is
// at most 500 characters long: the split compares no more, so a longer extension is returned as
// Extension and also stays on the stem.
SplitPathResult<std::string> SplitPath(std::string_view path, PathStyle style);
SplitPathResult<std::u16string> SplitPath(std::u16string_view path, PathStyle style);

// path is a directory followed by its separator; the result keeps the trailing separator.
// Removes doubled separators and "::", and resolves ".." segments; in Windows style a directory
// written as an FTP, HTTP, HTTPS or S3 URL gets "/" separators throughout.
std::string NormalizeDirectory(std::string_view path, PathStyle style);
std::u16string NormalizeDirectory(std::u16string_view path, PathStyle style);

}  // namespace ostrel
