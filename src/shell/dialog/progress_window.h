// The modal window that a long request shows while it runs: what it does, a bar with the bytes
// written so far against the total, and a Cancel button that stops the request. Nothing else ends
// it: the window closes itself when the request has ended, stopped or not.
#pragma once

#include <wx/dialog.h>
#include <wx/timer.h>

#include "shell/background_request.h"
#include "shell/request_progress.h"
#include "shell/request_stop.h"

class wxButton;
class wxGauge;
class wxStaticText;

namespace ostrel {

class TProgressWindow : public wxDialog {
 public:
  // caption: what the request does ("Encrypting"); subject: the file it works on. Messages that
  // the request wants shown while the window is open are shown through messages.
  TProgressWindow(wxWindow* owner, const wxString& caption, const wxString& subject,
                  const RequestProgress& progress, BackgroundRequest& request, StopSwitch& stop,
                  UserMessages& messages);

 private:
  void OnTick(wxTimerEvent& event);
  void OnClose(wxCloseEvent& event);
  void OnCancel(wxCommandEvent& event);
  void ShowProgress();

  const RequestProgress& progress_;
  BackgroundRequest& request_;
  StopSwitch& stop_;
  UserMessages& messages_;
  wxGauge* bar_;
  wxStaticText* amount_;
  wxButton* cancel_;
  wxTimer timer_;
};

}  // namespace ostrel
