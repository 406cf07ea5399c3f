// Notes and errors in dialog mode: the system's message boxes, owned by the window in front.
#pragma once

#include <windows.h>

#include "shell/user_messages.h"

namespace ostrel::win32 {

class MessageBoxes : public UserMessages {
 public:
  // The warning box captioned "NOTE".
  void ShowNote(const std::string& text) override;
  // The stop box.
  void ShowError(const std::string& caption, const std::string& text) override;
};

}  // namespace ostrel::win32
