// Pages for secrets that must stay in memory for a long time, such as the keys of a mount that
// lives for days: locked, so that they never reach swap. Locks are not inherited across fork, so a
// process that goes into the background locks such pages after it has forked.
#pragma once

#include <cstddef>

namespace ostrel {

// Locks the pages that hold size bytes at memory (and so whatever else shares them). Returns 0,
// or the system's error code when they cannot be locked (a limit on locked memory too low). The
// pages stay locked until they are unmapped.
int LockPages(const void* memory, std::size_t size) noexcept;

}  // namespace ostrel
