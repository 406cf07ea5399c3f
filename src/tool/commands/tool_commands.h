// The commands of the ostrel tool, in the order the help lists them.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "tool/commands/tool_command.h"
#include "tool/restore/work_list.h"
#include "tool/run/batch_options.h"

namespace ostrel {

std::vector<std::unique_ptr<ToolCommand>> ToolCommands();

// Commands that this build lacks: known by name, so that using one gets a reason rather than
// "unknown command".
std::vector<std::string> UnavailableCommands();

std::unique_ptr<ToolCommand> DecryptCommand();
std::unique_ptr<ToolCommand> EncryptCommand();
std::unique_ptr<ToolCommand> NamesCommand();
std::unique_ptr<ToolCommand> VerifyCommand();
std::unique_ptr<ToolCommand> KeyCommand();
std::unique_ptr<ToolCommand> MountCommand();
std::unique_ptr<ToolCommand> ServeCommand();

// Runs decrypt or encrypt as the parsed command line asked. beforeEntering: see CollectWork.
int RunTransform(const BatchOptions& options, const BeforeEnteringDirectory& beforeEntering = {});

}  // namespace ostrel
