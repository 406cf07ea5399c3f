// The one function that the dialog module exports. The program opens the module only in dialog
// mode and finds this function by its name; its arguments and result are those of RunDialog.
#pragma once

extern "C" int ostrel_run_dialog(int argc, char** argv);

namespace ostrel {

inline constexpr char kDialogModuleEntry[] = "ostrel_run_dialog";
using DialogModuleEntry = decltype(ostrel_run_dialog);

}  // namespace ostrel
