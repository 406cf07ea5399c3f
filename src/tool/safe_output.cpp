#include "tool/safe_output.h"

#include <cstdint>
#include <utility>

#include "errors/exceptions.h"
#include "platform/error_codes.h"
#include "platform/error_text.h"
#include "platform/file_handle.h"
#include "platform/file_rename.h"
#include "platform/interrupt_cleanup.h"
#include "platform/output_directory.h"
#include "platform/temporary_files.h"

namespace ostrel {

std::string OutputExistsReason(const std::string& output) {
  return "output " + output + " exists (use --force to replace it)";
}

void CheckExistingOutput(const FileStatus& existing, const std::string& shown,
                         const FileStatus& input, bool force) {
  if (existing.Kind == FileKind::Missing)
    return;
  if (existing.IsSameFileAs(input))
    throw Exception("output " + shown + " is the input itself");
  if (!force)
    throw Exception(OutputExistsReason(shown));
}

SafeOutput::SafeOutput(int directory, std::string name, std::string shown)
    : final_(std::move(name)), shown_(std::move(shown)) {
  const OpenedFile own = DuplicateFileHandle(directory);
  if (own.handle < 0)
    throw Exception("cannot create " + shown_ + ": " + SystemErrorText(own.error));
  directory_ = own.handle;
  try {
    CreateTemporary();
  } catch (...) {
    CloseFile(directory_);
    throw;
  }
}

void SafeOutput::CreateTemporary() {
  RemoveStaleTemporaries(directory_);
  for (int attempt = 0; attempt < 8; ++attempt) {
    temporary_ = NewTemporaryName();
    // Registered before it exists: an interruption never finds it on disk but unknown.
    slot_ = RegisterTemporaryFile(directory_, temporary_);
    if (slot_ < 0)
      throw Exception("cannot create a temporary file for " + shown_ + ": " +
                      SystemErrorText(kErrorNameTooLong));
    const OpenedFile created = CreateNewFileIn(directory_, temporary_);
    if (created.handle >= 0) {
      handle_ = created.handle;
      return;
    }
    ReleaseTemporaryFile(slot_);
    slot_ = -1;
    if (created.error != kErrorNameTaken)
      throw Exception("cannot create " + shown_ + ": " + SystemErrorText(created.error));
  }
  throw Exception("cannot create " + shown_ + ": " + SystemErrorText(kErrorNameTaken));
}

SafeOutput::~SafeOutput() {
  // Discard and Commit close the output's handle; the directory's is this object's to close.
  if (!committed_)
    Discard();
  if (directory_ >= 0)
    CloseFile(directory_);
}

SafeOutput::SafeOutput(SafeOutput&& other) noexcept
    : directory_(std::exchange(other.directory_, -1)),
      final_(std::move(other.final_)),
      shown_(std::move(other.shown_)),
      temporary_(std::move(other.temporary_)),
      handle_(std::exchange(other.handle_, -1)),
      slot_(std::exchange(other.slot_, -1)),
      committed_(std::exchange(other.committed_, true)) {}

void SafeOutput::Discard() noexcept {
  if (handle_ >= 0)
    CloseFile(handle_);
  handle_ = -1;
  if (slot_ >= 0)
    (void)RemoveFileIn(directory_, temporary_);
  ReleaseTemporaryFile(slot_);
  slot_ = -1;
}

void SafeOutput::Commit(bool replace, bool sync, const FileStatus& input, uint32_t permissions,
                        bool times) {
  if (sync) {
    const int error = SyncFile(handle_);
    if (error != 0)
      throw Exception("cannot write " + shown_ + ": " + SystemErrorText(error));
  }
  // A second handle sets the permissions after the rename; closing the first reports what the
  // system could not write until now (a full network file system), before the file gets its name.
  const OpenedFile kept = DuplicateFileHandle(handle_);
  if (kept.handle < 0)
    throw Exception("cannot write " + shown_ + ": " + SystemErrorText(kept.error));
  const int closeError = CloseFile(handle_);
  handle_ = kept.handle;
  if (closeError != 0)
    throw Exception("cannot write " + shown_ + ": " + SystemErrorText(closeError));
  int error = 0;
  if (replace) {
    if (StatusInDirectory(directory_, final_).IsSameFileAs(input))
      throw Exception("output " + shown_ + " is the input itself");
    error = RenameReplacing(directory_, temporary_, final_);
  } else {
    error = RenameWithoutReplacing(directory_, temporary_, final_);
    if (error == kErrorNameTaken)
      throw Exception(OutputExistsReason(shown_));
  }
  if (error != 0)
    throw Exception("cannot create " + shown_ + ": " + SystemErrorText(error));
  committed_ = true;
  ReleaseTemporaryFile(slot_);
  slot_ = -1;

  error = SetPermissions(handle_, permissions);
  if (error == 0 && times)
    error = SetAccessAndModificationTimes(handle_, input);
  CloseFile(handle_);
  handle_ = -1;
  if (error != 0)
    throw Exception("cannot set the permissions or times of " + shown_ + ": " +
                    SystemErrorText(error));
  if (sync) {
    error = SyncDirectory(directory_);
    if (error != 0)
      throw Exception("cannot write " + shown_ + ": " + SystemErrorText(error));
  }
}

}  // namespace ostrel
