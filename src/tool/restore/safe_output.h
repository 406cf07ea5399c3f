// An output file that appears complete or not at all. It is written under a private temporary
// name in its target directory (created exclusively, readable by the owner alone until it is
// complete) and renamed to its final name only when everything has been written and, unless the
// run asks for speed, flushed to the disk; on failure, or when the process is interrupted, the
// temporary file is removed. Every step is taken relative to the open directory, never through a
// symbolic link. Without permission to replace, the rename refuses a file that has appeared under
// the final name meanwhile.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "errors/exceptions.h"

#include "platform/file_status.h"
#include "platform/output_directory.h"

namespace ostrel {

class SafeOutput {
 public:
  // directory: the open directory of the output, kept open as long as this output needs it;
  // name: the output's name in it; shown: how messages name the output. Raises Exception with
  // the system's text when the temporary file cannot be created.
  SafeOutput(std::shared_ptr<const OutputDirectory> directory, std::string name, std::string shown);
  ~SafeOutput();
  SafeOutput(SafeOutput&& other) noexcept;
  SafeOutput(const SafeOutput&) = delete;
  SafeOutput& operator=(const SafeOutput&) = delete;
  SafeOutput& operator=(SafeOutput&&) = delete;

  int Handle() const { return handle_; }
  const OutputDirectory& Directory() const { return *directory_; }
  const std::string& Shown() const { return shown_; }

  // The whole file is written: gives it its permission bits and, when times is given, its access
  // and modification times, before any flush, so that a flushed output has them too. With sync,
  // starts writing it to the disk. replace and input say what the rename may do (see Rename).
  // Raises Exception with a one-line reason.
  void Seal(uint32_t permissions, const FileStatus* times, bool sync, bool replace,
            const FileStatus& input);
  // Closes the file, reporting what the system could not write until then (a full network file
  // system). With sync its data reach the disk first: waited for where the batch's flush of the
  // file system writes the rest, else flushed. Raises Exception with a one-line reason.
  void CloseWritten(bool sync);
  // Gives the closed file its final name: replacing an existing file when Seal allowed it, but
  // never the input itself. Raises Exception with a one-line reason.
  void Rename();
  // Seal, CloseWritten and Rename without flushing: for a run that does not ask for the disk.
  void CommitUnflushed(uint32_t permissions, const FileStatus* times, bool replace,
                       const FileStatus& input);

 private:
  void CreateTemporary();
  void Discard() noexcept;
  [[noreturn]] void FailWriting(int error);

  std::shared_ptr<const OutputDirectory> directory_;
  std::string final_;
  std::string shown_;
  std::string temporary_;
  int handle_ = -1;
  int slot_ = -1;
  bool committed_ = false;
  bool replace_ = false;
  FileStatus input_;
};

// Refuses an output name that holds the input itself, or any file when force is not given.
// Raises Exception with the reason.
void CheckExistingOutput(const FileStatus& existing, const std::string& shown,
                         const FileStatus& input, bool force);

// An output exists and may not be replaced. The run counts these, to name the options that
// resume a run or replace the outputs once, in its summary.
class EOutputExists : public Exception {
 public:
  explicit EOutputExists(const std::string& output);
};

}  // namespace ostrel
