// Names as text for a terminal or a log: a name may hold any byte but "/" and NUL, and control
// characters in it (a line end, an escape sequence) would forge lines or drive the terminal.
#pragma once

#include <string>
#include <string_view>

namespace ostrel {

// The text with every control character (0x00-0x1F, 0x7F, and U+0080-U+009F in UTF-8) written as
// \xHH, and every backslash doubled so that the escapes cannot be forged; all else as it is.
std::string EscapeControlCharacters(std::string_view text);

}  // namespace ostrel
