#include "platform/thread_priority.h"

#include <windows.h>

namespace ostrel {

void LowerThisThreadPriority() noexcept {
  // The lowest level above idle: a thread at the idle level may wait as long as anything else runs.
  (void)::SetThreadPriority(::GetCurrentThread(), THREAD_PRIORITY_LOWEST);
}

}  // namespace ostrel
