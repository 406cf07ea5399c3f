// Windows has no core files; its crash reporting writes the process's memory into a report
// instead. Turning the fault box off keeps the reporting from starting for a crash of ours.
#include "platform/core_dump_guard.h"

#include <windows.h>

namespace ostrel {

int PreventCoreDumps() noexcept {
  ::SetErrorMode(::GetErrorMode() | SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX);
  return 0;
}

}  // namespace ostrel
