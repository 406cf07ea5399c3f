// Dialog mode: the main dialog and its event loop. Kept apart from the entry point, so that the
// command-line modes never touch the windowing system.
#pragma once

namespace ostrel {

// Shows the dialog until the user closes it, then returns 0. Without a display, or where the
// dialog's module cannot be loaded, it says so in one line on standard error and returns 2.
int RunDialog(int argc, char** argv);

}  // namespace ostrel
