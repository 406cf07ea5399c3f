// Between the system's UTF-16 window texts and the shell's 8-bit text in the ANSI code page, as
// the command line's arguments become it.
#pragma once

#include <string>
#include <string_view>

#include <windows.h>

namespace ostrel::win32 {

// What a window (an edit field) holds.
std::wstring WindowText(HWND window);

// The file field: exactly as the code page holds it. A name the code page cannot spell raises the
// open error for it instead of becoming a look-alike name that may be another file.
std::string PathFromField(std::wstring_view text);

// The pass-phrase field: as the system converts it, a character the code page lacks by its best
// fit, which is the key the same pass phrase gives from the command line.
std::string PassphraseFromField(std::wstring_view text);

// The shell's text for a window or a message box.
std::wstring ScreenText(std::string_view text);

}  // namespace ostrel::win32
