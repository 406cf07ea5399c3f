#include "platform/locked_memory.h"

#include <windows.h>

#include <string>

#include "errors/exceptions.h"
#include "platform/error_text.h"
#include "primitives/secure_wipe.h"

namespace ostrel {

LockedMemory::LockedMemory(std::size_t bytes) {
  SYSTEM_INFO system{};
  ::GetSystemInfo(&system);
  const std::size_t page = system.dwPageSize;
  size_ = (bytes + page - 1) / page * page;
  void* pages = ::VirtualAlloc(nullptr, size_, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
  if (pages == nullptr)
    throw Exception("cannot reserve memory for the keys: " +
                    SystemErrorText(static_cast<int>(::GetLastError())));
  // Locked pages never reach the page file.
  if (::VirtualLock(pages, size_) == 0) {
    const auto error = static_cast<int>(::GetLastError());
    ::VirtualFree(pages, 0, MEM_RELEASE);
    throw Exception("cannot lock memory for the keys: " + SystemErrorText(error));
  }
  pages_ = pages;
}

LockedMemory::~LockedMemory() {
  SecureWipe(pages_, size_);
  ::VirtualUnlock(pages_, size_);
  ::VirtualFree(pages_, 0, MEM_RELEASE);
}

}  // namespace ostrel
