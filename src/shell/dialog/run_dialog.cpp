#include "shell/dialog/run_dialog.h"

#include <cstdio>
#include <string>

#include <wx/app.h>

#include "platform/executable_name.h"
#include "shell/dialog/application.h"
#include "shell/dialog/gtk_native.h"
#include "shell/error_report.h"

namespace ostrel {

int RunDialog(int argc, char** argv) {
  const std::string program = ExecutableFileName(argc > 0 ? argv[0] : "ostrel-decrypt");
  if (!OpenToolkitDisplay(argc, argv)) {
    std::fprintf(stderr, "%s: cannot open the dialog: no display is available\n",
                 program.c_str());
    return 2;
  }
  wxApp::SetInstance(new TApplication(ApplicationTitle(program)));
  return wxEntry(argc, argv) == 0 ? 0 : 2;
}

}  // namespace ostrel
