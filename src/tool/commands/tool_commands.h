// The commands of the ostrel tool. Each returns the process's exit status: 0 when every file
// succeeded, 1 when any failed, 2 when the call itself cannot work (no pass phrase to be had).
#pragma once

#include "tool/commands/tool_options.h"

namespace ostrel {

int RunTransformCommand(const ToolOptions& options);  // decrypt and encrypt
int RunNamesCommand(const ToolOptions& options);
int RunVerifyCommand(const ToolOptions& options);
int RunKeyCommand(const ToolOptions& options);
int RunMountCommand(const ToolOptions& options);

}  // namespace ostrel
