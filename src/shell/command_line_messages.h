// Where the notes and errors of a command-line run go: to standard error when the run has one
// that reaches someone (a terminal, a console, a redirection), else to the system's message boxes,
// so that a run started from a desktop shortcut or a file manager still tells its user.
#pragma once

#include "shell/user_messages.h"

namespace ostrel {

class CommandLineMessages : public UserMessages {
 public:
  void ShowNote(const std::string& text) override;
  void ShowError(const std::string& caption, const std::string& text) override;

 private:
  ConsoleMessages console_;
};

}  // namespace ostrel
