// Windows has no per-page mark for dumps; whole pages of their own still keep keys apart from the
// heap, and are released as a whole.
#include "secret/undumpable_memory.h"

#include <windows.h>

#include <new>

namespace ostrel {

void* AllocateUndumpable(std::size_t size) {
  void* const memory = ::VirtualAlloc(nullptr, size, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
  if (memory == nullptr)
    throw std::bad_alloc();
  // Kept out of the paging file where the working set allows; releasing unlocks.
  (void)::VirtualLock(memory, size);
  return memory;
}

void FreeUndumpable(void* memory, std::size_t /*size*/) noexcept {
  if (memory != nullptr)
    ::VirtualFree(memory, 0, MEM_RELEASE);
}

// Nothing to mark: a dump of this process is the system's to make or not (the guard turns the
// system's error reports off).
void ExcludeFromCoreDumps(const void* /*memory*/, std::size_t /*size*/) noexcept {}

}  // namespace ostrel
