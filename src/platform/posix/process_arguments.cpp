#include "platform/process_arguments.h"

namespace ostrel {

// The system passes bytes, and the bytes are the text: nothing to convert, nothing inexact.
std::vector<ProcessArgument> ProcessArguments(int argc, char** argv) {
  std::vector<ProcessArgument> arguments;
  arguments.reserve(argc > 1 ? static_cast<std::size_t>(argc - 1) : 0);
  for (int i = 1; i < argc; ++i)
    arguments.push_back({argv[i], argv[i], true});
  return arguments;
}

}  // namespace ostrel
