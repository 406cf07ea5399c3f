#include "platform/locked_memory.h"

#include <sys/mman.h>
#include <unistd.h>

#include <cerrno>
#include <string>

#include "errors/exceptions.h"
#include "platform/error_text.h"
#include "primitives/secure_wipe.h"

namespace ostrel {

LockedMemory::LockedMemory(std::size_t bytes) {
  const auto page = static_cast<std::size_t>(::sysconf(_SC_PAGESIZE));
  size_ = (bytes + page - 1) / page * page;
  void* pages = ::mmap(nullptr, size_, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  if (pages == MAP_FAILED)
    throw Exception("cannot reserve memory for the keys: " + SystemErrorText(errno));
  if (::mlock(pages, size_) != 0 || ::madvise(pages, size_, MADV_DONTDUMP) != 0) {
    const int error = errno;
    ::munmap(pages, size_);
    throw Exception("cannot lock memory for the keys: " + SystemErrorText(error));
  }
  pages_ = pages;
}

LockedMemory::~LockedMemory() {
  SecureWipe(pages_, size_);
  ::munlock(pages_, size_);
  ::munmap(pages_, size_);
}

}  // namespace ostrel
