// Dialog mode on a desktop whose toolkit is a tree of shared libraries: the dialog is a module
// of its own, opened here, so that the command-line modes start without loading and relocating
// the toolkit.
#include <cstdio>
#include <string>

#include "errors/exceptions.h"
#include "platform/executable_name.h"
#include "platform/program_module.h"
#include "shell/dialog/dialog_module_entry.h"
#include "shell/dialog/run_dialog.h"

namespace ostrel {

int RunDialog(int argc, char** argv) {
  DialogModuleEntry* run = nullptr;
  try {
    // OSTREL_DIALOG_MODULE: the module's place relative to the program's folder, the same in the
    // build tree and in an installation.
    run = reinterpret_cast<DialogModuleEntry*>(
        ProgramModuleFunction(OSTREL_DIALOG_MODULE, kDialogModuleEntry));
  } catch (const Exception& error) {
    const std::string program = ExecutableFileName(argc > 0 ? argv[0] : "ostrel-decrypt");
    (void)std::fprintf(stderr, "%s: cannot open the dialog: %s\n", program.c_str(), error.what());
    return 2;
  }
  return run(argc, argv);
}

}  // namespace ostrel
