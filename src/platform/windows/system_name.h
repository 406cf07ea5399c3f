// How a name of the program's 8-bit text (name_text.h) reaches the ...W file calls.
#pragma once

#include <string>
#include <string_view>

namespace ostrel::windows {

// The system's full path name (current directory, drive and "." / ".." resolved), or empty when
// the system cannot make one.
std::wstring FullSystemPath(std::wstring_view name);

// The name for CreateFileW, or the error code that says why the name is refused.
struct SystemName {
  std::wstring Name;
  int Error = 0;
};

// Widens the name and makes it full, then gives it the long-path prefix, so that names beyond
// the classic length limit work and "." and ".." still mean what they say. Refused with
// ERROR_INVALID_NAME: a NUL, and (unless the name already carries a prefix, which asks for
// names taken literally) a component that the system would silently change into another
// name, trailing dots and blanks ("a." opens "a") and the device names ("CON", "nul.txt").
SystemName SystemNameOf(std::string_view name);

}  // namespace ostrel::windows
