#include "shell/dialog/progress_window.h"

#include <wx/button.h>
#include <wx/gauge.h>
#include <wx/sizer.h>
#include <wx/stattext.h>

#include "shell/watched_request.h"

namespace ostrel {
namespace {

constexpr int kBarSteps = 1000;
constexpr int kTickMilliseconds = 100;

}  // namespace

TProgressWindow::TProgressWindow(wxWindow* owner, const wxString& caption, const wxString& subject,
                                 const RequestProgress& progress, BackgroundRequest& request,
                                 StopSwitch& stop, UserMessages& messages)
    : wxDialog(owner, wxID_ANY, caption, wxDefaultPosition, wxDefaultSize, wxCAPTION),
      progress_(progress),
      request_(request),
      stop_(stop),
      messages_(messages),
      timer_(this) {
  const int width = FromDIP(360);
  // The title bar may be hidden or far away; the window says itself what it is doing.
  auto* heading = new wxStaticText(this, wxID_ANY, caption + " " + subject, wxDefaultPosition,
                                   wxSize(width, -1), wxST_NO_AUTORESIZE | wxST_ELLIPSIZE_MIDDLE);
  bar_ = new wxGauge(this, wxID_ANY, kBarSteps, wxDefaultPosition, wxSize(width, -1));
  // Sized for its text before the first measurement arrives.
  amount_ = new wxStaticText(this, wxID_ANY, "1023.9 KiB of 1023.9 KiB", wxDefaultPosition,
                             wxDefaultSize, wxST_NO_AUTORESIZE);
  // Not the toolkit's cancel identifier: Escape and the close box must not stop a request.
  cancel_ = new wxButton(this, wxID_ANY, "Cancel");

  auto* layout = new wxBoxSizer(wxVERTICAL);
  layout->Add(heading, wxSizerFlags().Expand().Border(wxLEFT | wxRIGHT | wxTOP, FromDIP(14)));
  layout->Add(bar_, wxSizerFlags().Expand().Border(wxLEFT | wxRIGHT | wxTOP, FromDIP(10)));
  layout->Add(amount_, wxSizerFlags().Expand().Border(wxALL, FromDIP(14)));
  layout->Add(cancel_,
              wxSizerFlags().CentreHorizontal().Border(wxLEFT | wxRIGHT | wxBOTTOM, FromDIP(12)));
  SetSizerAndFit(layout);
  if (owner != nullptr) {
    CentreOnParent();
  } else {
    CentreOnScreen();
  }

  // Nothing may end the window but the end of the request, which Cancel may bring about.
  SetEscapeId(wxID_NONE);
  cancel_->Bind(wxEVT_BUTTON, &TProgressWindow::OnCancel, this);
  Bind(wxEVT_CLOSE_WINDOW, &TProgressWindow::OnClose, this);
  Bind(wxEVT_TIMER, &TProgressWindow::OnTick, this);
  ShowProgress();
  timer_.Start(kTickMilliseconds);
}

void TProgressWindow::OnTick(wxTimerEvent&) {
  timer_.Stop();
  if (ServeRequest(request_, messages_)) {
    EndModal(wxID_OK);
    return;
  }
  ShowProgress();
  timer_.Start(kTickMilliseconds);
}

void TProgressWindow::OnClose(wxCloseEvent& event) {
  if (event.CanVeto())
    event.Veto();
}

void TProgressWindow::OnCancel(wxCommandEvent&) {
  stop_.Stop();
  // Pressed once is enough; the window closes when the request has ended.
  cancel_->Disable();
}

void TProgressWindow::ShowProgress() {
  const int perMille = progress_.PerMille();
  if (perMille < 0) {
    bar_->Pulse();
  } else {
    bar_->SetValue(perMille * kBarSteps / 1000);
  }
  amount_->SetLabel(progress_.AmountText());
}

}  // namespace ostrel
