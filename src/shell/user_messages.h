// Where notes and errors reach the user: message boxes in the dialog, standard error on the
// command line.
#pragma once

#include <string>

namespace ostrel {

class UserMessages {
 public:
  virtual ~UserMessages() = default;
  // A modal warning box captioned "NOTE".
  virtual void ShowNote(const std::string& text) = 0;
  // A modal stop box with the given caption.
  virtual void ShowError(const std::string& caption, const std::string& text) = 0;
};

// The command line has no window: each box becomes its caption and its text on standard error,
// a line each.
class ConsoleMessages : public UserMessages {
 public:
  void ShowNote(const std::string& text) override;
  void ShowError(const std::string& caption, const std::string& text) override;
};

}  // namespace ostrel
