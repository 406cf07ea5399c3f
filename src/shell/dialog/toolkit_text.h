// Between the toolkit's Unicode strings and the shell's 8-bit text (the system's code page,
// UTF-8 here), in the ways that keep file names and pass phrases as the user meant them.
#pragma once

#include <string>
#include <string_view>

#include <wx/string.h>

namespace ostrel {

// A path from a text field: converted as the toolkit converts file names, so that a name that
// came from the file dialog goes back to the same bytes, even when they are not valid UTF-8.
std::string PathFromToolkit(const wxString& text);

// A pass phrase from a text field: the UTF-8 bytes of what was typed.
std::string PassphraseFromToolkit(const wxString& text);

// Text for a label or message box. Bytes that are not valid UTF-8 (from a file name) are shown
// as the toolkit shows such file names instead of losing the whole text.
wxString ToolkitText(std::string_view text);

}  // namespace ostrel
