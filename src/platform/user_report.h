// How a run without a window of its own reaches its user: standard error when the process has
// one that someone reads, else a message box of the system.
#pragma once

#include <string>

namespace ostrel {

// Whether standard error reaches someone. POSIX: always (a terminal, a file or a pipe, as the
// starter chose). Windows: a program without a console window has standard error only when its
// starter passed one (a redirection, a pipe) or has a console of its own, which it then joins.
bool ConnectStandardError();

enum class BoxIcon { Warning, Stop };

// A modal box of the system without owner, with one OK button, that stays on top of the other
// windows until closed. Only a system whose programs show boxes without a toolkit has one
// (Windows); elsewhere the caption and the text go to standard error, a line each.
void ShowSystemMessageBox(const std::string& caption, const std::string& text, BoxIcon icon);

}  // namespace ostrel
