// Loaded into ostrel with LD_PRELOAD: faults that only some file systems produce, aimed at the
// temporary output alone. OSTREL_FAULT_CLOSE=1: closing the temporary file reports EIO, as a
// network file system does for data it could not write back. OSTREL_FAULT_PLANT=NAME: when the
// temporary file is closed, another process's file appears under NAME, just before the rename.
// OSTREL_FAULT_FLUSH=before or after: every flush to the disk (of a file, a directory or a whole
// file system, or a wait for a file's write-back) made before the first rename of a temporary
// file, or after it, fails with EIO, as a failing disk does. OSTREL_FAULT_RECORD=FILE: the steps
// that make outputs durable, a line each, in order: "file MODE MTIME" when a temporary file's data
// are flushed or waited for, "directory PATH" when a directory is flushed, "all" when a whole
// file system is, and "mkdir PATH" when a directory is made.
#include <dlfcn.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

bool IsTemporaryName(const char* path) {
  const char* const slash = std::strrchr(path, '/');
  const char* const name = slash == nullptr ? path : slash + 1;
  return std::strncmp(name, ".ostrel-", 8) == 0 && std::strstr(name, ".tmp") != nullptr;
}

bool IsTemporaryOutput(int handle) {
  char link[64];
  (void)std::snprintf(link, sizeof link, "/proc/self/fd/%d", handle);
  char target[PATH_MAX];
  const ssize_t length = readlink(link, target, sizeof target - 1);
  if (length <= 0)
    return false;
  target[length] = '\0';
  return IsTemporaryName(target);
}

std::atomic<bool> renamed{false};

template <typename Function>
Function Real(const char* name) {
  return reinterpret_cast<Function>(dlsym(RTLD_NEXT, name));
}

std::string PathOf(int handle) {
  char link[64];
  (void)std::snprintf(link, sizeof link, "/proc/self/fd/%d", handle);
  char target[PATH_MAX];
  const ssize_t length = readlink(link, target, sizeof target - 1);
  return length <= 0 ? std::string() : std::string(target, static_cast<std::size_t>(length));
}

void RecordLine(const std::string& line) {
  const char* const record = std::getenv("OSTREL_FAULT_RECORD");
  if (record == nullptr)
    return;
  const int file = open(record, O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
  if (file >= 0) {
    const std::string text = line + "\n";
    (void)!write(file, text.data(), text.size());
    Real<int (*)(int)>("close")(file);
  }
}

// Records what a flush of the handle covers: a temporary file's mode and modification time as they
// are when its data go to the disk, or a directory's path.
void Record(int handle) {
  struct stat status {};
  if (std::getenv("OSTREL_FAULT_RECORD") == nullptr || fstat(handle, &status) != 0)
    return;
  if (S_ISDIR(status.st_mode)) {
    RecordLine("directory " + PathOf(handle));
  } else if (IsTemporaryOutput(handle)) {
    char line[64];
    (void)std::snprintf(line, sizeof line, "file %o %lld", status.st_mode & 07777,
                        static_cast<long long>(status.st_mtim.tv_sec));
    RecordLine(line);
  }
}

bool FlushFails() {
  const char* const phase = std::getenv("OSTREL_FAULT_FLUSH");
  if (phase == nullptr)
    return false;
  return std::strcmp(phase, renamed.load() ? "after" : "before") == 0;
}

void NoteRename(const char* from) {
  if (IsTemporaryName(from))
    renamed.store(true);
}

}  // namespace

extern "C" int fsync(int handle) {
  Record(handle);
  if (FlushFails()) {
    errno = EIO;
    return -1;
  }
  return Real<int (*)(int)>("fsync")(handle);
}

extern "C" int fdatasync(int handle) {
  Record(handle);
  if (FlushFails()) {
    errno = EIO;
    return -1;
  }
  return Real<int (*)(int)>("fdatasync")(handle);
}

extern "C" int syncfs(int handle) {
  RecordLine("all");
  if (FlushFails()) {
    errno = EIO;
    return -1;
  }
  return Real<int (*)(int)>("syncfs")(handle);
}

extern "C" int sync_file_range(int handle, off_t offset, off_t count, unsigned int flags) {
  if ((flags & SYNC_FILE_RANGE_WAIT_AFTER) != 0) {
    Record(handle);
    if (FlushFails()) {
      errno = EIO;
      return -1;
    }
  }
  return Real<int (*)(int, off_t, off_t, unsigned int)>("sync_file_range")(handle, offset, count,
                                                                           flags);
}

extern "C" int mkdir(const char* path, mode_t mode) {
  const int result = Real<int (*)(const char*, mode_t)>("mkdir")(path, mode);
  if (result == 0) {
    char* const absolute = realpath(path, nullptr);
    RecordLine(std::string("mkdir ") + (absolute != nullptr ? absolute : path));
    std::free(absolute);
  }
  return result;
}

extern "C" int mkdirat(int directory, const char* path, mode_t mode) {
  const int result = Real<int (*)(int, const char*, mode_t)>("mkdirat")(directory, path, mode);
  if (result == 0)
    RecordLine("mkdir " + PathOf(directory) + "/" + path);
  return result;
}

extern "C" int renameat(int fromDirectory, const char* from, int toDirectory, const char* to) {
  NoteRename(from);
  return Real<int (*)(int, const char*, int, const char*)>("renameat")(fromDirectory, from,
                                                                       toDirectory, to);
}

extern "C" int renameat2(int fromDirectory, const char* from, int toDirectory, const char* to,
                         unsigned int flags) {
  NoteRename(from);
  return Real<int (*)(int, const char*, int, const char*, unsigned int)>("renameat2")(
      fromDirectory, from, toDirectory, to, flags);
}

extern "C" int linkat(int fromDirectory, const char* from, int toDirectory, const char* to,
                      int flags) {
  NoteRename(from);
  return Real<int (*)(int, const char*, int, const char*, int)>("linkat")(fromDirectory, from,
                                                                          toDirectory, to, flags);
}

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
