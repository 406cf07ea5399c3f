// Names as text for a terminal or a log: a name may hold any byte but "/" and NUL, and control
// characters in it (a line end, an escape sequence) would forge lines or drive the terminal.
#pragma once

#include <string>
#include <string_view>

namespace ostrel {

// The text with every control character (0x00-0x1F, 0x7F, and U+0080-U+009F in UTF-8) written as
// \xHH, and every backslash doubled so that the escapes cannot be forged; all else as it is.
// Where "\" separates paths (Windows), it stays single: no name there holds a control character
// or a "\" to forge one with. Its 8-bit text is a code page, whose letters include bytes that
// spell C1 controls in UTF-8, so only 0x00-0x1F and 0x7F are controls there.
std::string EscapeControlCharacters(std::string_view text);

}  // namespace ostrel
