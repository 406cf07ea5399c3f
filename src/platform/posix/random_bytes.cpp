// POSIX layer of the system random source: getrandom, which blocks only until the kernel's pool is
// first seeded and never returns predictable bytes afterwards.
#include "platform/random_bytes.h"

#include <sys/random.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace ostrel {

void FillFromSystemRandom(uint8_t* buffer, size_t size) {
  while (size > 0) {
    const ssize_t got = getrandom(buffer, size, 0);
    if (got < 0) {
      if (errno == EINTR) {
        continue;
      }
      (void)std::fprintf(stderr, "The system random source failed: %s\n", std::strerror(errno));
      std::abort();
    }
    // Large requests may be answered in parts (and an interrupted one returns what it has).
    buffer += got;
    size -= static_cast<size_t>(got);
  }
}

}  // namespace ostrel
