// The tool's command line: the commands' words, the help and version, and usage errors.
#pragma once

#include <memory>

#include "tool/commands/tool_command.h"

namespace ostrel {

// The outcome of parsing: the command to run, or an exit code (0 after --help or --version, 2 for
// a usage error, whose message has been printed).
struct ParsedCommandLine {
  std::unique_ptr<ToolCommand> Command;
  int ExitCode = 0;
};

ParsedCommandLine ParseToolCommandLine(int argc, char** argv);

}  // namespace ostrel
