// The dialog-mode application: it opens the main dialog, and its event loop shows every error
// that ends a request in a stop box, after which the dialog goes on.
#pragma once

#include <string>

#include <wx/app.h>

#include "shell/dialog/dialog_messages.h"

namespace ostrel {

class TApplication : public wxApp {
 public:
  // title: the caption of the stop box.
  explicit TApplication(std::string title);

  bool OnInit() override;
  bool OnExceptionInMainLoop() override;

 private:
  std::string title_;
  TDialogMessages messages_;
};

}  // namespace ostrel
