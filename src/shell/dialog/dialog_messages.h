// Notes and errors in dialog mode: modal message boxes owned by the main dialog while it is open.
#pragma once

#include "shell/user_messages.h"

namespace ostrel {

class TDialogMessages : public UserMessages {
 public:
  // The warning box captioned "NOTE".
  void ShowNote(const std::string& text) override;
  // The stop box.
  void ShowError(const std::string& caption, const std::string& text) override;
};

}  // namespace ostrel
