#include "names/path_joining.h"

namespace ostrel {
namespace {

char SeparatorOf(PathStyle style) {
  return style == PathStyle::Windows ? '\\' : '/';
}

}  // namespace

std::string FileNameOf(std::string_view path, PathStyle style) {
  const std::size_t separator = path.rfind(SeparatorOf(style));
  return std::string(separator == std::string_view::npos ? path : path.substr(separator + 1));
}

std::string ParentOf(std::string_view path, PathStyle style) {
  const std::size_t separator = path.rfind(SeparatorOf(style));
  if (separator == std::string_view::npos)
    return std::string();
  if (path.find_last_not_of(SeparatorOf(style), separator) == std::string_view::npos)
    return std::string(path.substr(0, separator + 1));  // the root
  return std::string(path.substr(0, separator));
}

std::string JoinPath(std::string_view directory, std::string_view name, PathStyle style) {
  if (directory.empty())
    return std::string(name);
  if (name.empty())
    return std::string(directory);
  std::string joined(directory);
  if (joined.back() != SeparatorOf(style))
    joined.push_back(SeparatorOf(style));
  return joined.append(name);
}

}  // namespace ostrel
