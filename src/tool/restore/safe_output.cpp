#include "tool/restore/safe_output.h"

#include <cstdint>
#include <utility>

#include "errors/exceptions.h"
#include "platform/error_codes.h"
#include "platform/error_text.h"
#include "platform/file_handle.h"
#include "platform/file_rename.h"
#include "platform/file_status.h"
#include "platform/interrupt_cleanup.h"
#include "platform/output_directory.h"
#include "platform/temporary_files.h"

namespace ostrel {

EOutputExists::EOutputExists(const std::string& output)
    : Exception("output " + output + " exists") {}

void CheckExistingOutput(const FileStatus& existing, const std::string& shown,
                         const FileStatus& input, bool force) {
  if (existing.Kind == FileKind::Missing)
    return;
  if (existing.IsSameFileAs(input))
    throw Exception("output " + shown + " is the input itself");
  if (!force)
    throw EOutputExists(shown);
}

SafeOutput::SafeOutput(std::shared_ptr<const OutputDirectory> directory, std::string name,
                       std::string shown)
    : directory_(std::move(directory)), final_(std::move(name)), shown_(std::move(shown)) {
  CreateTemporary();
}

void SafeOutput::CreateTemporary() {
  const int directory = directory_->Handle();
  for (int attempt = 0; attempt < 8; ++attempt) {
    temporary_ = NewTemporaryName();
    // Registered before it exists: an interruption never finds it on disk but unknown.
    slot_ = RegisterTemporaryFile(directory, temporary_);
    if (slot_ < 0)
      throw Exception("cannot create a temporary file for " + shown_ + ": " +
                      SystemErrorText(kErrorNameTooLong));
    const OpenedFile created = CreateNewFileIn(directory, temporary_);
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
  if (!committed_)
    Discard();
}

SafeOutput::SafeOutput(SafeOutput&& other) noexcept
    : directory_(std::move(other.directory_)),
      final_(std::move(other.final_)),
      shown_(std::move(other.shown_)),
      temporary_(std::move(other.temporary_)),
      handle_(std::exchange(other.handle_, -1)),
      slot_(std::exchange(other.slot_, -1)),
      committed_(std::exchange(other.committed_, true)),
      replace_(other.replace_),
      input_(other.input_) {}

void SafeOutput::Discard() noexcept {
  if (handle_ >= 0)
    CloseFile(handle_);
  handle_ = -1;
  if (slot_ >= 0)
    (void)RemoveFileIn(directory_->Handle(), temporary_);
  ReleaseTemporaryFile(slot_);
  slot_ = -1;
}

void SafeOutput::FailWriting(int error) {
  throw Exception("cannot write " + shown_ + ": " + SystemErrorText(error));
}

void SafeOutput::Seal(uint32_t permissions, const FileStatus* times, bool sync, bool replace,
                      const FileStatus& input) {
  replace_ = replace;
  input_ = input;
  // A new temporary file already has the owner's read and write bits alone.
  int error = 0;
  if (permissions != (0600 & ~FileCreationMask()))
    error = SetPermissions(handle_, permissions);
  if (error == 0 && times != nullptr)
    error = SetAccessAndModificationTimes(handle_, *times);
  if (error != 0)
    throw Exception("cannot set the permissions or times of " + shown_ + ": " +
                    SystemErrorText(error));
  if (sync)
    StartWriteBack(handle_);
}

void SafeOutput::CloseWritten(bool sync) {
  if (sync) {
    const int error = directory_->Scope() == FlushScope::FileSystem ? WaitForWriteBack(handle_)
                                                                    : SyncFile(handle_);
    if (error != 0)
      FailWriting(error);
  }
  const int error = CloseFile(std::exchange(handle_, -1));
  if (error != 0)
    FailWriting(error);
}

void SafeOutput::Rename() {
  const int directory = directory_->Handle();
  int error = 0;
  if (replace_) {
    if (StatusOfEntry(directory, final_).IsSameFileAs(input_))
      throw Exception("output " + shown_ + " is the input itself");
    error = RenameReplacing(directory, temporary_, final_);
  } else {
    error = RenameWithoutReplacing(directory, temporary_, final_);
    if (error == kErrorNameTaken)
      throw EOutputExists(shown_);
  }
  if (error != 0)
    throw Exception("cannot create " + shown_ + ": " + SystemErrorText(error));
  committed_ = true;
  ReleaseTemporaryFile(slot_);
  slot_ = -1;
}

void SafeOutput::CommitUnflushed(uint32_t permissions, const FileStatus* times, bool replace,
                                 const FileStatus& input) {
  Seal(permissions, times, false, replace, input);
  CloseWritten(false);
  Rename();
}

}  // namespace ostrel
