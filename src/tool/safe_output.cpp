#include "tool/safe_output.h"

#include <cerrno>
#include <cstdint>
#include <utility>

#include "errors/exceptions.h"
#include "names/path_joining.h"
#include "platform/error_text.h"
#include "platform/file_handle.h"
#include "platform/file_rename.h"
#include "platform/interrupt_cleanup.h"
#include "platform/random_bytes.h"

namespace ostrel {
namespace {

// A hidden name beside the final one, unlikely to be taken; O_EXCL settles it when it is.
std::string TemporaryNameBeside(const std::string& finalName) {
  uint8_t random[8];
  FillFromSystemRandom(random, sizeof random);
  static constexpr char kDigits[] = "0123456789abcdef";
  std::string name = ".ostrel-";
  for (const uint8_t byte : random) {
    name.push_back(kDigits[byte >> 4]);
    name.push_back(kDigits[byte & 0xF]);
  }
  return JoinPath(ParentOf(finalName), name + ".tmp");
}

}  // namespace

std::string OutputExistsReason(const std::string& output) {
  return "output " + output + " exists (use --force to replace it)";
}

SafeOutput::SafeOutput(std::string finalName) : final_(std::move(finalName)) {
  for (int attempt = 0; attempt < 8; ++attempt) {
    temporary_ = TemporaryNameBeside(final_);
    // Registered before it exists: an interruption never finds it on disk but unknown.
    slot_ = RegisterTemporaryFile(temporary_);
    if (slot_ < 0)
      throw Exception("cannot create a temporary file for " + final_ + ": " +
                      SystemErrorText(ENAMETOOLONG));
    const OpenedFile file = CreateExclusiveFile(temporary_);
    if (file.handle >= 0) {
      handle_ = file.handle;
      return;
    }
    ReleaseTemporaryFile(slot_);
    slot_ = -1;
    if (file.error != EEXIST)
      throw Exception("cannot create " + final_ + ": " + SystemErrorText(file.error));
  }
  throw Exception("cannot create " + final_ + ": " + SystemErrorText(EEXIST));
}

SafeOutput::~SafeOutput() {
  if (!committed_)
    Discard();
}

void SafeOutput::Discard() noexcept {
  if (handle_ >= 0)
    CloseFile(handle_);
  handle_ = -1;
  RemoveFile(temporary_);
  ReleaseTemporaryFile(slot_);
  slot_ = -1;
}

void SafeOutput::Commit(bool replace, const FileStatus& input) {
  const int closeError = CloseFile(handle_);
  handle_ = -1;
  if (closeError != 0)
    throw Exception("cannot write " + final_ + ": " + SystemErrorText(closeError));
  int error = 0;
  if (replace) {
    if (StatusOfPath(final_).IsSameFileAs(input))
      throw Exception("output " + final_ + " is the input itself");
    error = RenameReplacing(temporary_, final_);
  } else {
    error = RenameWithoutReplacing(temporary_, final_);
    if (error == EEXIST)
      throw Exception(OutputExistsReason(final_));
  }
  if (error != 0)
    throw Exception("cannot create " + final_ + ": " + SystemErrorText(error));
  committed_ = true;
  ReleaseTemporaryFile(slot_);
  slot_ = -1;
}

}  // namespace ostrel
