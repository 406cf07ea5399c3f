#include "shell/dialog/application.h"

#include <exception>
#include <new>
#include <utility>

#include <wx/textctrl.h>

#include "errors/exceptions.h"
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
  std::string message;
  try {
    // The toolkit calls this from inside its handler, with the error still current.
    throw;  // cppcheck-suppress rethrowNoCurrentException
  } catch (const Exception& error) {
    message = error.Message();
  } catch (const std::bad_alloc&) {
    message = "Out of memory";
  } catch (const std::exception& error) {
    message = error.what();
  } catch (...) {
    return wxApp::OnExceptionInMainLoop();
  }
  messages_.ShowError(title_, DialogErrorText(message));
  return true;
}

}  // namespace ostrel
