#include "platform/tool_arguments.h"

namespace ostrel {

ToolArguments ReadToolArguments(int argc, char** argv) {
  // Arguments are bytes here, handed over as they are.
  ToolArguments arguments;
  arguments.Words.assign(argv, argv + argc);
  return arguments;
}

}  // namespace ostrel
