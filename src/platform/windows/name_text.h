// The 8-bit text in which a Windows program holds names, its own messages and the system's texts
// for them; the system itself speaks UTF-16. Which text that is, is the program's choice, made
// when it is linked (OSTREL_UNICODE_NAMES on the executable):
// - the ANSI code page, for ostrel-decrypt: its command line and its dialog are defined in it;
// - UTF-8, for ostrel: every name that NTFS allows comes through, whatever the code page, and a
//   lone surrogate in a name survives in its three-byte form.
// Pass phrases never go this way: they are digested in the code page (secret_text.h).
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace ostrel::windows {

std::wstring WidenName(std::string_view name);

// The name exactly, or nothing when the program's text cannot hold it: a look-alike character
// may name another file.
std::optional<std::string> NarrowNameExactly(std::wstring_view name);

// The name as messages show it: exactly, or with "?" for each character that the program's text
// cannot hold ("?" is in no file name, so such a text never names a file).
std::string NarrowShownName(std::wstring_view name);

// Text of the system for messages: in the code page, a character it lacks is its best fit.
std::string NarrowMessage(std::wstring_view text);

}  // namespace ostrel::windows
