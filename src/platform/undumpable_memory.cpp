#include "platform/undumpable_memory.h"

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
  return memory;
}

void FreeUndumpable(void* memory, std::size_t size) noexcept {
  if (memory != nullptr)
    ::munmap(memory, size);
}

void ExcludeFromCoreDumps(const void* memory, std::size_t size) noexcept {
  if (memory == nullptr || size == 0)
    return;
  const auto page = static_cast<std::uintptr_t>(::sysconf(_SC_PAGESIZE));
  const auto first = reinterpret_cast<std::uintptr_t>(memory) & ~(page - 1);
  const auto end = (reinterpret_cast<std::uintptr_t>(memory) + size + page - 1) & ~(page - 1);
  (void)::madvise(reinterpret_cast<void*>(first), end - first, MADV_DONTDUMP);
}

}  // namespace ostrel
