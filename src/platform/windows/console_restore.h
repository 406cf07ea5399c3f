// While a prompt has the console's echo off, the console-event handler of interrupt_cleanup puts
// the console's mode back before the process ends, so that Ctrl-C at the prompt never leaves the
// user typing blind in the shell that started it.
#pragma once

#include <windows.h>

namespace ostrel::windows {

// console: the input handle whose mode was changed, and the mode it had; nullptr when the
// console is as the user left it.
void RestoreConsoleOnInterrupt(HANDLE console, DWORD mode) noexcept;

}  // namespace ostrel::windows
