#include "platform/processor_count.h"

#include <sched.h>
#include <unistd.h>

namespace ostrel {

unsigned ProcessorCount() noexcept {
  // The affinity mask, not the machine's count: a container or taskset may allow fewer.
  cpu_set_t allowed;
  CPU_ZERO(&allowed);
  if (::sched_getaffinity(0, sizeof allowed, &allowed) == 0) {
    const int count = CPU_COUNT(&allowed);
    if (count > 0)
      return static_cast<unsigned>(count);
  }
  const long online = ::sysconf(_SC_NPROCESSORS_ONLN);
  return online > 0 ? static_cast<unsigned>(online) : 1U;
}

}  // namespace ostrel
