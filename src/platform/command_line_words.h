// How a program started with one command line (the Windows way) gets its words. The rules are
// the system's start-up rules for this program, not the C runtime's: a backslash is an ordinary
// character, so that "C:\dir\" and paths ending in a backslash arrive as typed.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace ostrel {

// Every word, the program's name first. Blanks and control characters (up to U+0020) separate
// words; double quotes group what lies between them, blanks included, and are removed (a quote
// left open runs to the end); a pair of double quotes at the start of a word is dropped, so an
// argument written as "" is no argument at all and the ones after it move up.
std::vector<std::u16string> SplitCommandLine(std::u16string_view commandLine);

}  // namespace ostrel
