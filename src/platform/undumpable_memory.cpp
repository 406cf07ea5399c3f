#include "platform/undumpable_memory.h"

#include <sys/mman.h>

#include <new>

namespace ostrel {

void* AllocateUndumpable(std::size_t size) {
  void* const memory =
      ::mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  if (memory == MAP_FAILED)
    throw std::bad_alloc();
  (void)::madvise(memory, size, MADV_DONTDUMP);
  return memory;
}

void FreeUndumpable(void* memory, std::size_t size) noexcept {
  if (memory != nullptr)
    ::munmap(memory, size);
}

}  // namespace ostrel
