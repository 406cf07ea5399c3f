// The modal window that a long request shows while it runs: what it does, and a bar with the
// bytes written so far against the total. It has no cancel: a request always runs to its end,
// and the window closes itself when the request has ended.
#pragma once

#include <wx/dialog.h>
#include <wx/timer.h>

#include "shell/background_request.h"
#include "shell/request_progress.h"

class wxGauge;
class wxStaticText;

namespace ostrel {

class TProgressWindow : public wxDialog {
 public:
  // caption: what the request does ("Encrypting"); subject: the file it works on. Messages that
  // the request wants shown while the window is open are shown through messages.
  TProgressWindow(wxWindow* owner, const wxString& caption, const wxString& subject,
                  const RequestProgress& progress, BackgroundRequest& request,
                  UserMessages& messages);

 private:
  void OnTick(wxTimerEvent& event);
  void OnClose(wxCloseEvent& event);
  void ShowProgress();

  const RequestProgress& progress_;
  BackgroundRequest& request_;
  UserMessages& messages_;
  wxGauge* bar_;
  wxStaticText* amount_;
  wxTimer timer_;
};

}  // namespace ostrel
