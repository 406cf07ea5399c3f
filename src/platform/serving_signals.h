// A file-system server must not leave its mount point behind when a signal ends it: the mount
// point would then answer every program with "Transport endpoint is not connected" until someone
// unmounts it by hand. The file-system library stops serving on SIGHUP, SIGINT and SIGTERM (and
// ignores SIGPIPE); these handlers cover every other signal that ends a process and can be
// caught.
// - A signal the process can live through (SIGQUIT, SIGUSR1, SIGUSR2, SIGALRM, SIGXCPU, SIGPROF,
//   SIGVTALRM, SIGIO, SIGPWR, SIGSYS, SIGSTKFLT, the real-time signals, and the fault signals
//   when another process sent them) asks the server to stop, which unmounts as SIGINT does.
// - SIGABRT and a fault of the running instruction (SIGSEGV, SIGBUS, SIGILL, SIGFPE, SIGTRAP)
//   leave no way back to the serving loop: the mount point is detached at once, and the signal
//   then takes its earlier course, so the process still ends by it.
// A signal that the parent asked to ignore (nohup, a background job) stays ignored.
#pragma once

#include <string_view>

namespace ostrel {

// Installs the handlers. stop(context) must be async-signal-safe; mountPoint is copied. Call once
// the mount exists, before serving.
void UnmountOnEndingSignals(void (*stop)(void*), void* context, std::string_view mountPoint);

// Puts back what the signals did before; call when serving has ended, before the unmount.
void RemoveUnmountOnEndingSignals();

}  // namespace ostrel
