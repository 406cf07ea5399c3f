// The output directories of a run, each opened (and made, and cleaned of the temporary files of
// ended runs) once and shared by the files that go into it. A tree's files come directory by
// directory, so a few directories held open spare every file the walk down its path again, and
// hold each one still while outputs that are written into it wait for the disk.
#pragma once

#include <cstddef>
#include <map>
#include <memory>
#include <mutex>
#include <string>

#include "platform/output_directory.h"

namespace ostrel {

class OutputDirectories {
 public:
  // At most this many are kept open for later files; outputs that still need one keep it open.
  static constexpr std::size_t kKeptOpen = 16;

  // create and sync as for OutputDirectory. A directory that could not be opened is handed back
  // with its error, and tried again for the next file.
  OutputDirectories(bool create, bool sync) : create_(create), sync_(sync) {}

  std::shared_ptr<const OutputDirectory> Open(const std::string& root, const std::string& below);

 private:
  const bool create_;
  const bool sync_;
  std::mutex mutex_;
  std::map<std::string, std::shared_ptr<const OutputDirectory>> open_;
};

}  // namespace ostrel
