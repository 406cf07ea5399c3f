// Lines of a message box's text, so that the box fits the screen whatever the text holds. A long
// path has no blanks to break at, and a box as wide as the path would push its icon and its OK
// button off the screen.
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace ostrel {

// The width of a piece of text as the box draws it, in pixels.
using TextWidth = std::function<int(std::wstring_view text)>;

// Breaks text into lines no wider than maxWidth. Line breaks in the text stay. A line that is too
// wide breaks after its last blank that keeps it within the width (the blank is dropped), else
// after its last path separator ("/" or "\"), so that a long path breaks between its folders,
// else after as many characters as fit (at least one, so that the text always comes through
// whole). A surrogate pair is never split.
std::vector<std::wstring> WrapMessage(std::wstring_view text, int maxWidth, const TextWidth& width);

// The lines joined with line breaks again.
std::wstring WrappedMessage(std::wstring_view text, int maxWidth, const TextWidth& width);

}  // namespace ostrel
