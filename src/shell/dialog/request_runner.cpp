#include "shell/dialog/request_runner.h"

#include <algorithm>
#include <chrono>
#include <utility>

#include <wx/weakref.h>

#include "shell/dialog/progress_window.h"

namespace ostrel {
namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

// Shorter requests finish without any window: most files take a few milliseconds, and a window
// that flashes up and vanishes again would only distract.
constexpr milliseconds kQuietTime{500};

}  // namespace

void RunRequest(wxWindow* owner, const wxString& caption, const wxString& subject,
                const RequestProgress& progress, BackgroundRequest::Task task,
                UserMessages& messages) {
  BackgroundRequest request(std::move(task));
  Clock::time_point deadline = Clock::now() + kQuietTime;
  for (;;) {
    const auto left = std::chrono::duration_cast<milliseconds>(deadline - Clock::now());
    switch (request.WaitFor(std::max(left, milliseconds(0)))) {
      case BackgroundRequest::State::Finished:
        request.Finish();
        return;
      case BackgroundRequest::State::MessageWaiting:
        request.ShowWaitingMessage(messages);
        deadline = Clock::now() + kQuietTime;
        continue;
      case BackgroundRequest::State::Running:
        break;
    }
    // The modal window keeps the dialog disabled until the request has ended.
    const wxWeakRef<wxWindow> focus(wxWindow::FindFocus());
    {
      TProgressWindow window(owner, caption, subject, progress, request, messages);
      window.ShowModal();
    }
    if (focus)
      focus->SetFocus();
    request.Finish();
    return;
  }
}

}  // namespace ostrel
