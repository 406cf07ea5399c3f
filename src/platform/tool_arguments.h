// The words the tool was started with, as the system's 8-bit text. Every word of ostrel's command
// line is a command, an option or a name (pass phrases never come this way), so each must be
// exact: a name with a look-alike character in place of one the code page lacks may name
// another file.
#pragma once

#include <string>
#include <vector>

namespace ostrel {

struct ToolArguments {
  std::vector<std::string> Words;  // the program's name first, as argv has it
  // The first word that the system's 8-bit text cannot hold, shown with "?" for each such
  // character; empty when every word is exact.
  std::string Untranslatable;
};

// POSIX: argv as it is. Windows: the command line as the system gives it in UTF-16, split by the
// system's rules for console programs, each word converted exactly into the tool's UTF-8.
ToolArguments ReadToolArguments(int argc, char** argv);

}  // namespace ostrel
