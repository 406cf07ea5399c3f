#include "shell/dialog/request_runner.h"

#include <utility>

#include <wx/weakref.h>

#include "shell/dialog/progress_window.h"

namespace ostrel {

void RunRequest(wxWindow* owner, const wxString& caption, const wxString& subject,
                const RequestProgress& progress, StoppableTask task, UserMessages& messages) {
  RunWatchedRequest(std::move(task), messages, [&](BackgroundRequest& request, StopSwitch& stop) {
    // The modal window keeps the dialog disabled until the request has ended.
    const wxWeakRef<wxWindow> focus(wxWindow::FindFocus());
    {
      TProgressWindow window(owner, caption, subject, progress, request, stop, messages);
      window.ShowModal();
    }
    if (focus)
      focus->SetFocus();
  });
}

}  // namespace ostrel
