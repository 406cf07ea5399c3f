// Windows layer of full path names: the system's own expansion, which knows each drive's current
// directory and the "\\server\share" root.
#include "platform/full_path.h"

#include <windows.h>

#include "platform/windows/name_text.h"
#include "platform/windows/system_name.h"

namespace ostrel {

std::string FullPathName(std::string_view name) {
  if (name.empty())
    return {};
  const std::wstring full = windows::FullSystemPath(windows::WidenName(name));
  return full.empty() ? std::string(name) : windows::NarrowMessage(full);
}

// The system's expansion; a link on the way keeps its name, and the path still names the same
// place.
std::string ResolvedPathName(std::string_view name) {
  return FullPathName(name);
}

}  // namespace ostrel
