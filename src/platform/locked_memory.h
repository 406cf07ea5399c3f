// Pages for secrets that must stay in memory for a long time, such as the keys of a mount that
// lives for days: locked, so that they never reach swap; left out of core dumps; wiped and
// released when the owner dies. Locks are not inherited across fork, so a process that goes into
// the background takes such pages after it has forked.
#pragma once

#include <cstddef>

namespace ostrel {

class LockedMemory {
 public:
  // Raises Exception with the system's text when the pages cannot be had or locked (a limit on
  // locked memory too low).
  explicit LockedMemory(std::size_t bytes);
  ~LockedMemory();
  LockedMemory(const LockedMemory&) = delete;
  LockedMemory& operator=(const LockedMemory&) = delete;

  void* Bytes() const { return pages_; }
  std::size_t Size() const { return size_; }

 private:
  void* pages_ = nullptr;
  std::size_t size_ = 0;
};

}  // namespace ostrel
