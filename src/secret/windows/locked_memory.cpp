#include "secret/locked_memory.h"

#include <windows.h>

namespace ostrel {

int LockPages(const void* memory, std::size_t size) noexcept {
  // Locked pages never reach the page file. VirtualLock takes the pages the range touches.
  return ::VirtualLock(const_cast<void*>(memory), size) != 0 ? 0
                                                             : static_cast<int>(::GetLastError());
}

}  // namespace ostrel
