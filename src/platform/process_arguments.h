// The words a program was started with, as the system's 8-bit text.
#pragma once

#include <cerrno>
#include <string>
#include <vector>

namespace ostrel {

// One argument in the two forms its uses need. Where the system hands over UTF-16 words (Windows),
// a character the code page lacks has no exact 8-bit form: a pass phrase takes the system's best
// fit, as every program there converts it; a name must not, since the look-alike may be another
// file.
struct ProcessArgument {
  std::string Text;     // for a pass phrase: the system's conversion, best fit included
  std::string Name;     // for a file name: "?" for each character the code page lacks
  bool IsExact = true;  // false when the code page lacks a character: Text holds a best
                        // fit, Name a "?"
};

// The error code for a name that the system's 8-bit text cannot hold.
#ifdef _WIN32
inline constexpr int kNameOutsideCodePage = 1113;  // ERROR_NO_UNICODE_TRANSLATION
#else
inline constexpr int kNameOutsideCodePage = EILSEQ;
#endif

// The arguments after the program's name. POSIX: argv as it is. Windows: the process's command
// line split by SplitCommandLine, each word converted to the ANSI code page.
std::vector<ProcessArgument> ProcessArguments(int argc, char** argv);

}  // namespace ostrel
