#include "platform/core_dump_guard.h"

#include <sys/prctl.h>
#include <sys/resource.h>

#include <cerrno>

namespace ostrel {

int PreventCoreDumps() noexcept {
  const rlimit none{0, 0};
  if (::setrlimit(RLIMIT_CORE, &none) != 0)
    return errno;
  if (::prctl(PR_SET_DUMPABLE, 0, 0, 0, 0) != 0)
    return errno;
  return 0;
}

}  // namespace ostrel
