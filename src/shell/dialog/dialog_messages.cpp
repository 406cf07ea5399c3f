#include "shell/dialog/dialog_messages.h"

#include <wx/app.h>

#include "shell/dialog/message_box.h"

namespace ostrel {
namespace {

// The main dialog while it is open; no owner before it opens or once it is going away.
wxWindow* Owner() {
  wxWindow* const top = wxTheApp != nullptr ? wxTheApp->GetTopWindow() : nullptr;
  return top != nullptr && top->IsShown() && !top->IsBeingDeleted() ? top : nullptr;
}

}  // namespace

void TDialogMessages::ShowNote(const std::string& text) {
  ShowMessageBox(Owner(), "NOTE", text, MessageIcon::Warning);
}

void TDialogMessages::ShowError(const std::string& caption, const std::string& text) {
  ShowMessageBox(Owner(), caption, text, MessageIcon::Stop);
}

}  // namespace ostrel
