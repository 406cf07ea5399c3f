#include "platform/freed_memory.h"

#include <malloc.h>

namespace ostrel {

void ReturnFreedMemory() noexcept {
#ifdef __GLIBC__
  (void)::malloc_trim(0);
#endif
}

}  // namespace ostrel
