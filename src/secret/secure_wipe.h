// Overwrites key material with zeros in a way the optimiser may not remove, even when the memory
// is about to die (a destructor's stores are otherwise dead and may be dropped).
#pragma once

#include <cstddef>
#include <cstring>

namespace ostrel {

inline void SecureWipe(void* memory, std::size_t size) noexcept {
  std::memset(memory, 0, size);
  // The empty statement claims to read the memory, so the stores above must happen.
  __asm__ __volatile__("" : : "r"(memory) : "memory");
}

template <typename T>
inline void SecureWipe(T& object) noexcept {
  SecureWipe(static_cast<void*>(&object), sizeof(T));
}

}  // namespace ostrel
