// A file opened through the mount: its handle, and what its state last said of its plain length.
// Shared by the program's reads and the work done ahead of them, and closed when the last lets go.
#pragma once

#include <cstdint>
#include <mutex>
#include <string>

#include "names/encryption_method.h"
#include "platform/file_status.h"
#include "tool/mount/shown_directory.h"

namespace ostrel {

class OpenedShownFile {
 public:
  OpenedShownFile(int handle, ShownKind kind, EncryptionMethod method, std::string sourcePath)
      : Handle(handle), Kind(kind), Method(method), SourcePath(std::move(sourcePath)) {}
  ~OpenedShownFile();
  OpenedShownFile(const OpenedShownFile&) = delete;
  OpenedShownFile& operator=(const OpenedShownFile&) = delete;

  const int Handle;
  const ShownKind Kind;
  const EncryptionMethod Method;
  const std::string SourcePath;
  std::mutex Mutex;  // guards what follows
  FileStatus State;  // State and PlainLength: renewed when the file changes
  int64_t PlainLength = -1;
  int64_t NextOffset = -1;  // where the last read ended; -1 before the first
  int64_t AheadUntil = 0;   // the pieces before this one are decrypted, or being decrypted, ahead
};

}  // namespace ostrel
