// What an output directory keeps, the same on every system: its handle and, after a failure, the
// path and the reason.
#include <utility>

#include "platform/file_handle.h"
#include "platform/output_directory.h"

namespace ostrel {

OutputDirectory::~OutputDirectory() {
  if (handle_ >= 0)
    CloseFile(handle_);
}

void OutputDirectory::Fail(int error, std::string path, bool creating) {
  if (handle_ >= 0)
    CloseFile(handle_);
  handle_ = -1;
  error_ = error;
  failed_ = std::move(path);
  failedCreating_ = creating;
}

}  // namespace ostrel
