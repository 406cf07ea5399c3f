#include "secret/locked_memory.h"

#include <sys/mman.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>

namespace ostrel {

int LockPages(const void* memory, std::size_t size) noexcept {
  const auto page = static_cast<std::size_t>(::sysconf(_SC_PAGESIZE));
  const std::size_t intoPage = reinterpret_cast<std::uintptr_t>(memory) % page;
  const char* const first = static_cast<const char*>(memory) - intoPage;
  return ::mlock(first, intoPage + size) == 0 ? 0 : errno;
}

}  // namespace ostrel
