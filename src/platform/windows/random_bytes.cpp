// Windows layer of the system random source: the system's preferred generator of BCrypt.
#include "platform/random_bytes.h"

#include <windows.h>
// After windows.h, which it needs.
#include <bcrypt.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>

namespace ostrel {

void FillFromSystemRandom(uint8_t* buffer, size_t size) {
  while (size > 0) {
    const ULONG piece = static_cast<ULONG>(std::min<size_t>(size, 1U << 30));
    const NTSTATUS status =
        ::BCryptGenRandom(nullptr, buffer, piece, BCRYPT_USE_SYSTEM_PREFERRED_RNG);
    if (status < 0) {
      (void)std::fprintf(stderr, "The system random source failed (status 0x%08lx)\n",
                         static_cast<unsigned long>(status));
      std::abort();
    }
    buffer += piece;
    size -= piece;
  }
}

}  // namespace ostrel
