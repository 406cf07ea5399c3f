// Between the toolkit's Unicode strings and the shell's 8-bit text (the locale's encoding), in
// the ways that keep file names and pass phrases as the user meant them.
#pragma once

#include <string>
#include <string_view>

#include <wx/string.h>

namespace ostrel {

// The two fields become text in the locale's encoding, as command-line arguments are, so that a
// name or a pass phrase gives the same file or key however it is entered.

// A path from a text field. A name that came from the file dialog and that the locale's encoding
// cannot express goes back to the bytes the toolkit read, even when they are not valid UTF-8.
std::string PathFromToolkit(const wxString& text);

// A pass phrase from a text field. A character that the locale's encoding lacks raises an error:
// no key from a guessed byte.
std::string PassphraseFromToolkit(const wxString& text);

// Text for a label or message box. Bytes that the locale's encoding does not read (from a file
// name) are shown as the toolkit shows such file names instead of losing the whole text.
wxString ToolkitText(std::string_view text);

}  // namespace ostrel
