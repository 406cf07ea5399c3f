// The modal message boxes of the dialog: a caption, a text, an icon and a single OK button.
// GTK's own message dialogs draw no icon, and the icon tells a note from an error at a glance,
// so the box is a small dialog of our own with the icon drawn here.
#pragma once

#include <string>

#include <wx/window.h>

namespace ostrel {

enum class MessageIcon { Warning, Stop };

// Shows the box owned by owner (centred on it), or without an owner when owner is null, and
// returns when the user has closed it. Ctrl+C in the box copies its caption and text, a line
// each, so that a message can be passed on as text.
void ShowMessageBox(wxWindow* owner, const std::string& caption, const std::string& text,
                    MessageIcon icon);

}  // namespace ostrel
