#include "shell/dialog/dialog_module_entry.h"

#include <cstdio>
#include <string>

#include <wx/app.h>
#include <wx/init.h>
#include <wx/log.h>

#include "platform/executable_name.h"
#include "shell/dialog/application.h"
#include "shell/error_report.h"
#include "shell/start_mode.h"

namespace ostrel {
namespace {

// Undoes the toolkit's start-up however the event loop ends.
class ToolkitSession {
 public:
  ToolkitSession() = default;
  ~ToolkitSession() { wxEntryCleanup(); }
  ToolkitSession(const ToolkitSession&) = delete;
  ToolkitSession& operator=(const ToolkitSession&) = delete;
};

int RunToolkitDialog(int argc, char** argv) {
  const std::string program = ExecutableFileName(argc > 0 ? argv[0] : "ostrel-decrypt");
  wxApp::SetInstance(new TApplication(ApplicationTitle(program)));

  // The toolkit's start-up fails only when no display can be opened; it would say so in its own
  // words and formatting, so it keeps quiet and the failure is told here in one line, with the
  // command-line forms that work without a display.
  wxLog::EnableLogging(false);
  if (!wxEntryStart(argc, argv)) {
    (void)std::fprintf(stderr, "%s: cannot open the dialog: no display is available; %s\n",
                       program.c_str(), CommandLineUsage(program).c_str());
    return 2;
  }
  wxLog::EnableLogging(true);

  const ToolkitSession session;
  if (!wxTheApp->CallOnInit())
    return 2;
  const int code = wxTheApp->OnRun();
  wxTheApp->OnExit();
  return code == 0 ? 0 : 2;
}

}  // namespace
}  // namespace ostrel

// The module's only exported symbol: the program links the rest of what the dialog calls.
extern "C" __attribute__((visibility("default"))) int ostrel_run_dialog(int argc, char** argv) {
  return ostrel::RunToolkitDialog(argc, argv);
}
