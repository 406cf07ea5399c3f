#include "platform/full_path.h"

#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <vector>

namespace ostrel {
namespace {

// Empty when the current directory cannot be read (it was removed, or a parent is unreadable).
std::string CurrentDirectory() {
  std::string buffer(256, '\0');
  while (::getcwd(buffer.data(), buffer.size()) == nullptr) {
    if (errno != ERANGE)
      return {};
    buffer.resize(buffer.size() * 2);
  }
  buffer.resize(buffer.find('\0'));
  return buffer;
}

}  // namespace

std::string FullPathName(std::string_view name) {
  if (name.empty())
    return {};
  std::string joined;
  if (name.front() != '/') {
    joined = CurrentDirectory();
    if (joined.empty())
      return std::string(name);
    joined += '/';
  }
  joined += name;

  std::vector<std::string_view> segments;
  const std::string_view path(joined);
  for (std::size_t start = 0; start <= path.size();) {
    std::size_t end = path.find('/', start);
    if (end == std::string_view::npos)
      end = path.size();
    const std::string_view segment = path.substr(start, end - start);
    if (segment == "..") {
      if (!segments.empty())
        segments.pop_back();
    } else if (!segment.empty() && segment != ".") {
      segments.push_back(segment);
    }
    start = end + 1;
  }

  std::string full;
  for (const std::string_view segment : segments) {
    full += '/';
    full += segment;
  }
  if (full.empty() || name.back() == '/')
    full += '/';
  return full;
}

std::string ResolvedPathName(std::string_view name) {
  std::string path(name);
  char* const resolved = ::realpath(path.c_str(), nullptr);
  if (resolved == nullptr)
    return path;
  std::string result(resolved);
  std::free(resolved);
  return result;
}

}  // namespace ostrel
