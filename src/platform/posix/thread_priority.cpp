#include "platform/thread_priority.h"

#include <sys/resource.h>
#include <unistd.h>

namespace ostrel {

void LowerThisThreadPriority() noexcept {
  // On Linux the nice value belongs to the thread, which its own thread id names.
  constexpr int kLowestNice = 19;
  (void)::setpriority(PRIO_PROCESS, static_cast<id_t>(::gettid()), kLowestNice);
}

}  // namespace ostrel
