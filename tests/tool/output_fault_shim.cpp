// Loaded into ostrel with LD_PRELOAD: faults that only some file systems produce, aimed at the
// temporary output alone. OSTREL_FAULT_CLOSE=1: closing the temporary file reports EIO, as a
// network file system does for data it could not write back. OSTREL_FAULT_PLANT=NAME: when the
// temporary file is closed, another process's file appears under NAME, just before the rename.
#include <dlfcn.h>
#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

bool IsTemporaryOutput(int handle) {
  char link[64];
  (void)std::snprintf(link, sizeof link, "/proc/self/fd/%d", handle);
  char target[PATH_MAX];
  const ssize_t length = readlink(link, target, sizeof target - 1);
  if (length <= 0)
    return false;
  target[length] = '\0';
  const char* const slash = std::strrchr(target, '/');
  const char* const name = slash == nullptr ? target : slash + 1;
  return std::strncmp(name, ".ostrel-", 8) == 0 && std::strstr(name, ".tmp") != nullptr;
}

}  // namespace

extern "C" int close(int handle) {
  using Close = int (*)(int);
  static const Close real = reinterpret_cast<Close>(dlsym(RTLD_NEXT, "close"));
  if (!IsTemporaryOutput(handle))
    return real(handle);
  if (const char* const plant = std::getenv("OSTREL_FAULT_PLANT")) {
    const int planted = open(plant, O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
    if (planted >= 0) {
      (void)!write(planted, "planted", 7);
      real(planted);
    }
  }
  const int result = real(handle);
  if (std::getenv("OSTREL_FAULT_CLOSE") != nullptr) {
    errno = EIO;
    return -1;
  }
  return result;
}
