// Pass phrases the system hands over in UTF-16 (typed on the console, set in the environment)
// become the ANSI code page's text, as the system's other programs convert them, so that a pass
// phrase gives the key of the same bytes however it is entered.
#pragma once

#include <string>
#include <string_view>

namespace ostrel::windows {

// Appends the code page's best-fit text (a character it lacks becomes the nearest one it has) and
// returns whether it is exact. The copies made on the way are wiped.
bool AppendSecretInCodePage(std::wstring_view secret, std::string& text);

}  // namespace ostrel::windows
