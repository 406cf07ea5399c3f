// The directory an output goes into, held open: the output is created, checked, renamed and
// flushed relative to this handle, so that no part of its path is looked up twice by name and a
// directory swapped for a symbolic link during the run cannot send it elsewhere.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/file_handle.h"

namespace ostrel {

// How outputs in a directory reach the disk. FileSystem: one flush of the whole file system
// writes every file's data, every name and every new directory there (the journalling and
// copy-on-write file systems, and memory), so a batch of outputs needs one flush before its
// renames and one after. EachFile: elsewhere (network and user-space file systems, whose flush of
// the whole may do nothing), each file is flushed itself, each directory after its renames, and a
// directory the run makes is flushed in its parent at once.
enum class FlushScope { FileSystem, EachFile };

class OutputDirectory {
 public:
  // root: a directory the user named (-o, a tree given on the command line, a file's own
  // directory); its symbolic links are the user's choice and are followed. below: the
  // "/"-separated path under it that the run walked or mirrors, entered one component at a time
  // without following any link. create: missing directories are made (root included), readable
  // by all less the umask, as the mirrored tree needs. Error() says why it could not be opened.
  // With sync, a directory made in a parent of EachFile scope is flushed there before this
  // returns; Error() then names it if that failed.
  OutputDirectory(const std::string& root, std::string_view below, bool create, bool sync = false);
  ~OutputDirectory();
  OutputDirectory(const OutputDirectory&) = delete;
  OutputDirectory& operator=(const OutputDirectory&) = delete;

  int Handle() const { return handle_; }
  // 0, or the system's error code; Failed() names the directory that failed.
  int Error() const { return error_; }
  const std::string& Failed() const { return failed_; }
  // Whether the failure was in making a directory (else in opening one).
  bool FailedCreating() const { return failedCreating_; }
  // Set once the directory is open.
  FlushScope Scope() const { return scope_; }
  // The file system the directory is on, to flush each one once.
  uint64_t Device() const { return device_; }

 private:
  void Fail(int error, std::string path, bool creating);
  void LearnFileSystem();

  int handle_ = -1;
  FlushScope scope_ = FlushScope::EachFile;
  uint64_t device_ = 0;
  int error_ = 0;
  std::string failed_;
  bool failedCreating_ = false;
};

// Makes the data and the name of a finished output durable: the file's data (before it gets its
// name) and the directory's entry (after). Both return 0 or the system's error code; a system
// that cannot sync a directory (EINVAL) has nothing to flush there.
int SyncFile(int handle);
int SyncDirectory(int handle);

// Starts writing the file's data to the disk and returns at once, so that a later wait finds it
// written; a hint that reports nothing.
void StartWriteBack(int handle) noexcept;
// Waits until the data written to the file so far are on the disk (its length and name are the
// file system's to flush); 0, or the system's error code for data that could not be written.
int WaitForWriteBack(int handle);
// Flushes the whole file system that holds the open file or directory; 0 or the system's error
// code.
int SyncFileSystem(int handle);

// Creates name in the directory for reading and writing: a new file only (kErrorNameTaken when
// the name exists, a link at the name included), readable and writable by the owner alone until
// the writer says otherwise. The file can be renamed while it is open.
OpenedFile CreateNewFileIn(int directory, std::string_view name);

// Removes name from the directory; 0 or the system's error code.
int RemoveFileIn(int directory, std::string_view name) noexcept;

// A second handle on the same open file, so that one can be closed (and report what the system
// could not write until then) while the file is still worked on.
OpenedFile DuplicateFileHandle(int handle);

}  // namespace ostrel
