#include "secret/undumpable_memory.h"

#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>

#include <new>

namespace ostrel {

void* AllocateUndumpable(std::size_t size) {
  void* const memory =
      ::mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  if (memory == MAP_FAILED)
    throw std::bad_alloc();
  (void)::madvise(memory, size, MADV_DONTDUMP);
  // Key schedules of a mount live as long as it does: never written to swap where the limit on
  // locked memory allows. Unmapping unlocks.
  (void)::mlock(memory, size);
  return memory;
}

void FreeUndumpable(void* memory, std::size_t size) noexcept {
  if (memory != nullptr)
    ::munmap(memory, size);
}

void ExcludeFromCoreDumps(const void* memory, std::size_t size) noexcept {
  if (memory == nullptr || size == 0)
    return;
  const auto page = static_cast<std::size_t>(::sysconf(_SC_PAGESIZE));
  const std::size_t intoPage = reinterpret_cast<std::uintptr_t>(memory) % page;
  // The buffer's bytes are not changed; madvise only takes a non-const address.
  char* const first = static_cast<char*>(const_cast<void*>(memory)) - intoPage;
  const std::size_t length = (intoPage + size + page - 1) / page * page;
  (void)::madvise(first, length, MADV_DONTDUMP);
}

}  // namespace ostrel
