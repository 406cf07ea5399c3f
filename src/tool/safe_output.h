// An output file that appears complete or not at all. It is written under a private temporary
// name in its target directory (created exclusively, readable by the owner alone) and renamed to
// its final name only when everything has been written; on failure, or when the process is
// interrupted, the temporary file is removed. Without permission to replace, the rename refuses a
// file that has appeared under the final name meanwhile.
#pragma once

#include <string>

#include "platform/file_status.h"

namespace ostrel {

class SafeOutput {
 public:
  // Raises Exception with the system's text when the temporary file cannot be created.
  explicit SafeOutput(std::string finalName);
  ~SafeOutput();
  SafeOutput(const SafeOutput&) = delete;
  SafeOutput& operator=(const SafeOutput&) = delete;

  int Handle() const { return handle_; }

  // Closes the file and gives it its final name. replace allows an existing file to be replaced,
  // but never the input itself. Raises Exception with a one-line reason.
  void Commit(bool replace, const FileStatus& input);

 private:
  void Discard() noexcept;

  std::string final_;
  std::string temporary_;
  int handle_ = -1;
  int slot_ = -1;
  bool committed_ = false;
};

// The reason given when an output exists and may not be replaced.
std::string OutputExistsReason(const std::string& output);

}  // namespace ostrel
