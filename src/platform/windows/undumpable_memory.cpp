// Windows has no per-page mark for dumps; whole pages of their own still keep keys apart from the
// heap, and are released as a whole.
#include "platform/undumpable_memory.h"

#include <windows.h>

#include <new>

namespace ostrel {

void* AllocateUndumpable(std::size_t size) {
  void* const memory = ::VirtualAlloc(nullptr, size, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
  if (memory == nullptr)
    throw std::bad_alloc();
  return memory;
}

void FreeUndumpable(void* memory, std::size_t /*size*/) noexcept {
  if (memory != nullptr)
    ::VirtualFree(memory, 0, MEM_RELEASE);
}

}  // namespace ostrel
