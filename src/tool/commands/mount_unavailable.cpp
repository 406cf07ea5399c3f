// A build without a file system in user space: the command line refuses mount before it gets
// here, and this says the same should anything else ask for it.
#include <cstdio>

#include "tool/commands/tool_commands.h"

namespace ostrel {

int RunMountCommand(const ToolOptions& /*options*/) {
  (void)std::fputs("ostrel: mount is not available on this platform\n", stderr);
  return 2;
}

}  // namespace ostrel
