// An output file that appears complete or not at all. It is written under a private temporary
// name in its target directory (created exclusively, readable by the owner alone until it has its
// final name) and renamed to its final name only when everything has been written and, unless the
// run asks for speed, flushed to the disk; on failure, or when the process is interrupted, the
// temporary file is removed. Every step is taken relative to the open directory, never through a
// symbolic link. Without permission to replace, the rename refuses a file that has appeared under
// the final name meanwhile.
#pragma once

#include <string>

#include "platform/file_status.h"

namespace ostrel {

class SafeOutput {
 public:
  // directory: the open directory of the output (this keeps a handle of its own, so that the
  // output may be committed after the caller has closed it); name: the output's name in it;
  // shown: how messages name the output. Raises Exception with the system's text when the
  // temporary file cannot be created.
  SafeOutput(int directory, std::string name, std::string shown);
  ~SafeOutput();
  SafeOutput(SafeOutput&& other) noexcept;
  SafeOutput(const SafeOutput&) = delete;
  SafeOutput& operator=(const SafeOutput&) = delete;
  SafeOutput& operator=(SafeOutput&&) = delete;

  int Handle() const { return handle_; }

  // Gives the file its final name, then its permission bits (and, with times, the input's access
  // and modification times). replace allows an existing file to be replaced, but never the input
  // itself. sync: the data reaches the disk before the rename, the name after it. Raises
  // Exception with a one-line reason.
  void Commit(bool replace, bool sync, const FileStatus& input, uint32_t permissions, bool times);

 private:
  void CreateTemporary();
  void Discard() noexcept;

  int directory_ = -1;
  std::string final_;
  std::string shown_;
  std::string temporary_;
  int handle_ = -1;
  int slot_ = -1;
  bool committed_ = false;
};

// Refuses an output name that holds the input itself, or any file when force is not given.
// Raises Exception with the reason.
void CheckExistingOutput(const FileStatus& existing, const std::string& shown,
                         const FileStatus& input, bool force);

// The reason given when an output exists and may not be replaced.
std::string OutputExistsReason(const std::string& output);

}  // namespace ostrel
