#include "shell/dialog/progress_window.h"

#include <chrono>
#include <iterator>

#include <wx/gauge.h>
#include <wx/sizer.h>
#include <wx/stattext.h>

namespace ostrel {
namespace {

constexpr int kBarSteps = 1000;
constexpr int kTickMilliseconds = 100;

// "512 bytes", "293.0 KB", "1.5 GB": units of 1024, one decimal.
wxString SizeText(std::uintmax_t bytes) {
  if (bytes < 1024)
    return wxString::Format("%llu bytes", static_cast<unsigned long long>(bytes));
  static const char* const kUnits[] = {"KB", "MB", "GB", "TB", "PB"};
  double amount = static_cast<double>(bytes) / 1024.0;
  std::size_t unit = 0;
  while (amount >= 1024.0 && unit + 1 < std::size(kUnits)) {
    amount /= 1024.0;
    ++unit;
  }
  return wxString::Format("%.1f %s", amount, kUnits[unit]);
}

}  // namespace

TProgressWindow::TProgressWindow(wxWindow* owner, const wxString& caption, const wxString& subject,
                                 const RequestProgress& progress, BackgroundRequest& request,
                                 UserMessages& messages)
    : wxDialog(owner, wxID_ANY, caption, wxDefaultPosition, wxDefaultSize, wxCAPTION),
      progress_(progress),
      request_(request),
      messages_(messages),
      timer_(this) {
  const int width = FromDIP(360);
  // The title bar may be hidden or far away; the window says itself what it is doing.
  auto* heading = new wxStaticText(this, wxID_ANY, caption + " " + subject, wxDefaultPosition,
                                   wxSize(width, -1), wxST_NO_AUTORESIZE | wxST_ELLIPSIZE_MIDDLE);
  bar_ = new wxGauge(this, wxID_ANY, kBarSteps, wxDefaultPosition, wxSize(width, -1));
  // Sized for its text before the first measurement arrives.
  amount_ = new wxStaticText(this, wxID_ANY, SizeText(0) + " of " + SizeText(0), wxDefaultPosition,
                             wxDefaultSize, wxST_NO_AUTORESIZE);

  auto* layout = new wxBoxSizer(wxVERTICAL);
  layout->Add(heading, wxSizerFlags().Expand().Border(wxLEFT | wxRIGHT | wxTOP, FromDIP(14)));
  layout->Add(bar_, wxSizerFlags().Expand().Border(wxLEFT | wxRIGHT | wxTOP, FromDIP(10)));
  layout->Add(amount_, wxSizerFlags().Expand().Border(wxALL, FromDIP(14)));
  SetSizerAndFit(layout);
  if (owner != nullptr) {
    CentreOnParent();
  } else {
    CentreOnScreen();
  }

  // Nothing may end the window but the end of the request.
  SetEscapeId(wxID_NONE);
  Bind(wxEVT_CLOSE_WINDOW, &TProgressWindow::OnClose, this);
  Bind(wxEVT_TIMER, &TProgressWindow::OnTick, this);
  ShowProgress();
  timer_.Start(kTickMilliseconds);
}

void TProgressWindow::OnTick(wxTimerEvent&) {
  switch (request_.WaitFor(std::chrono::milliseconds(0))) {
    case BackgroundRequest::State::Finished:
      timer_.Stop();
      EndModal(wxID_OK);
      return;
    case BackgroundRequest::State::MessageWaiting:
      timer_.Stop();
      request_.ShowWaitingMessage(messages_);
      timer_.Start(kTickMilliseconds);
      return;
    case BackgroundRequest::State::Running:
      ShowProgress();
      return;
  }
}

void TProgressWindow::OnClose(wxCloseEvent& event) {
  if (event.CanVeto())
    event.Veto();
}

void TProgressWindow::ShowProgress() {
  const std::uintmax_t total = progress_.Total();
  if (!progress_.Known() || total == 0) {
    bar_->Pulse();
    amount_->SetLabel(wxString());
    return;
  }
  const std::uintmax_t done = progress_.Done();
  bar_->SetValue(
      static_cast<int>(static_cast<double>(done) / static_cast<double>(total) * kBarSteps));
  amount_->SetLabel(SizeText(done) + " of " + SizeText(total));
}

}  // namespace ostrel
