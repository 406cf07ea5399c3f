// The Windows system's 8-bit text is text in the ANSI code page (CP_ACP); the system itself speaks
// UTF-16. These conversions are shared by the Windows layer's files and not part of any header
// above it.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace ostrel::windows {

// Every byte string widens; bytes that are no character of the code page become U+FFFD.
std::wstring WidenAnsi(std::string_view text);

// Text exactly as the code page holds it, or nothing when it lacks a character: for names, where
// a look-alike character would name another file.
std::optional<std::string> NarrowAnsiExactly(std::wstring_view text);

// The code page's best-fit text (the system's own mapping, "é" to "e" where the page has no "é");
// exact tells whether nothing was replaced. For pass phrases, which the system has always
// converted this way, and for messages.
std::string NarrowAnsiBestFit(std::wstring_view text, bool* exact = nullptr);

}  // namespace ostrel::windows
