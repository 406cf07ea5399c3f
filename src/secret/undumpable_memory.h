// Memory for keys that is left out of any core dump, should one be written after all (a system
// that refuses to mark the process as not dumpable). Whole pages, because the system marks pages.
#pragma once

#include <cstddef>

namespace ostrel {

// Pages for size bytes, marked to stay out of core dumps and locked out of swap; throws
// std::bad_alloc when there are none. Marking and locking are best effort: a kernel without the
// mark, or a limit on locked memory, still gives the memory.
void* AllocateUndumpable(std::size_t size);
void FreeUndumpable(void* memory, std::size_t size) noexcept;

// Marks the pages that hold size bytes at memory (and so whatever else shares them) to stay out
// of core dumps, for a buffer that another allocator made. Best effort, as above.
void ExcludeFromCoreDumps(const void* memory, std::size_t size) noexcept;

}  // namespace ostrel
