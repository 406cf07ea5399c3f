#include "shell/dialog/application.h"

#include <exception>
#include <optional>
#include <utility>

#include <wx/textctrl.h>

#include "shell/dialog/OstrelDecrypt.h"
#include "shell/error_report.h"

namespace ostrel {

TApplication::TApplication(std::string title) : title_(std::move(title)) {}

bool TApplication::OnInit() {
  // The base class would parse the command line, which belongs to the entry point: a single
  // argument, for one, opens the dialog as if there were none.
  Form1 = new TForm1(messages_);
  SetTopWindow(Form1);
  Form1->Show();
  Form1->Edit1->SetFocus();
  return true;
}

bool TApplication::OnExceptionInMainLoop() {
  // The toolkit calls this from inside its handler, with the error still current.
  const std::optional<std::string> message = RequestErrorMessage(std::current_exception());
  if (!message)
    return wxApp::OnExceptionInMainLoop();
  messages_.ShowError(title_, DialogErrorText(*message));
  return true;
}

}  // namespace ostrel
