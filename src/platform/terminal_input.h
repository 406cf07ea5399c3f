// The controlling terminal: whether a handle is one, and reading a line that is not echoed, so a
// pass phrase never shows on the screen.
#pragma once

#include <cstddef>
#include <string>

namespace ostrel {

bool IsTerminal(int handle) noexcept;

// The width of the terminal on handle in columns; $COLUMNS, else 80, when it does not say.
std::size_t TerminalColumns(int handle) noexcept;

// The width the system gives the terminal on handle, or 0 when it gives none (each system's own
// question; TerminalColumns adds the fallbacks).
std::size_t ReportedTerminalColumns(int handle) noexcept;

// Writes prompt to the controlling terminal, reads one line from it with echo off and appends it,
// without its line ending, to line. Echo is restored before returning, and before a signal ends
// the process (see interrupt_cleanup.h): Ctrl-C and Ctrl-\ end it at once by their signals, as
// they end any other program. Returns false when the process has no terminal or reading fails.
// approximated: the line was typed in characters that the system's 8-bit code page lacks, and
// holds the nearest ones it has (never where the terminal reads bytes).
bool ReadHiddenLineFromTerminal(const char* prompt, std::string& line, bool& approximated);

}  // namespace ostrel
