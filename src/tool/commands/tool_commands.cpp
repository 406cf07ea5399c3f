#include "tool/commands/tool_commands.h"

namespace ostrel {

std::vector<std::unique_ptr<ToolCommand>> ToolCommands() {
  std::vector<std::unique_ptr<ToolCommand>> commands;
  commands.push_back(DecryptCommand());
  commands.push_back(EncryptCommand());
  commands.push_back(NamesCommand());
  commands.push_back(VerifyCommand());
  commands.push_back(KeyCommand());
#if OSTREL_WITH_MOUNT
  commands.push_back(MountCommand());
#endif
  commands.push_back(ServeCommand());
  return commands;
}

std::vector<std::string> UnavailableCommands() {
#if OSTREL_WITH_MOUNT
  return {};
#else
  // The mount needs a file system in user space, which this system lacks.
  return {"mount"};
#endif
}

}  // namespace ostrel
