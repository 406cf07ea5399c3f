#include "tool/file_transform.h"

#include <string>

#include "cipher/block_cipher.h"
#include "cipher/buffered_streams.h"
#include "cipher/byte_sink.h"
#include "cipher/stream_engine.h"
#include "cipher/stream_errors.h"
#include "errors/exceptions.h"
#include "names/path_joining.h"
#include "platform/directory_creation.h"
#include "platform/directory_tree.h"
#include "platform/error_text.h"
#include "platform/file_handle.h"
#include "platform/file_status.h"
#include "tool/restored_output.h"
#include "tool/safe_output.h"

namespace ostrel {
namespace {

constexpr int kStandardOutput = 1;

[[noreturn]] void Fail(const std::string& reason) {
  throw Exception(reason);
}

// Closes the input however the transformation ends.
class OpenInput {
 public:
  explicit OpenInput(const WorkItem& item) {
    // A file of a tree is opened relative to its directory, never by its path again.
    if (item.Directory) {
      const OpenedEntry entry = OpenEntryForReading(*item.Directory, item.EntryName);
      if (entry.Handle < 0)
        Fail(SystemErrorText(entry.Error));
      handle_ = entry.Handle;
      return;
    }
    const OpenedFile file = OpenExistingFile(item.Input, FileAccess::Read);
    if (file.handle < 0)
      Fail(SystemErrorText(file.error));
    handle_ = file.handle;
  }
  ~OpenInput() { CloseFile(handle_); }
  OpenInput(const OpenInput&) = delete;
  OpenInput& operator=(const OpenInput&) = delete;
  int Handle() const { return handle_; }

 private:
  int handle_ = -1;
};

// Files are read by their size and their final block must pass the tail-count check, exactly as
// the stream procedures read them.
void RunCipher(const WorkItem& item, bool encrypt, const CipherKeys& keys,
               const StreamSchedule& schedule, TStream& input, TStream& output) {
  const auto cipher = MakeCipherFor(item.Method, keys.KeyFor(item.Method), encrypt);
  StreamSink sink(output);
  if (encrypt) {
    EncryptStream(input, sink, *cipher, StreamLayout::kEcb, InputExtent::kSize, schedule);
  } else {
    DecryptStream(input, sink, *cipher, StreamLayout::kEcb, InputExtent::kSize,
                  FinalBlockCheck::kTailCount, schedule);
  }
}

// The cipher layer speaks of formats; the user needs to know whether the disk, the input or the
// pass phrase is to blame.
[[noreturn]] void ExplainCipherFailure(const ECipherException& error,
                                       const BufferedInputStream& input,
                                       const BufferedOutputStream& output,
                                       const std::string& outputName) {
  if (output.Failure() != 0)
    Fail("cannot write " + outputName + ": " + SystemErrorText(output.Failure()));
  if (input.Failure() > 0)
    Fail(SystemErrorText(input.Failure()));
  if (input.Failure() < 0)
    Fail("the file became shorter while it was read");
  if (dynamic_cast<const EFinalBlockRejected*>(&error) != nullptr)
    Fail(kWrongPassphraseReason);
  if (dynamic_cast<const ETruncatedStream*>(&error) != nullptr)
    Fail(kTruncatedReason);
  Fail(error.Message());
}

void CheckExistingOutput(const std::string& output, const FileStatus& input, bool force) {
  const FileStatus existing = StatusOfPath(output);
  if (existing.Kind == FileKind::Missing)
    return;
  if (existing.IsSameFileAs(input))
    Fail("output " + output + " is the input itself");
  if (!force)
    Fail(OutputExistsReason(output));
}

}  // namespace

FileOutcome TransformFile(const WorkItem& item, const ToolOptions& options, const CipherKeys& keys,
                          const StreamSchedule& schedule, std::atomic<int64_t>& bytesRead) {
  const bool encrypt = options.Command == ToolCommand::Encrypt;
  const bool toStandardOutput = item.Output.empty();
  try {
    if (std::optional<FileOutcome> skipped = SkipExistingOutput(item, options))
      return *skipped;
    const OpenInput in(item);
    const FileStatus status = StatusOfHandle(in.Handle());
    if (status.Error != 0)
      Fail(SystemErrorText(status.Error));
    if (status.Kind != FileKind::Regular)
      Fail("not a regular file");
    const int64_t size = status.Size;
    if (!encrypt) {
      const int32_t block = CipherMethodFor(item.Method).BlockSize;
      if (size < block || size % block != 0)
        Fail(kTruncatedReason);
    }
    const int64_t expected = encrypt ? size + CipherMethodFor(item.Method).BlockSize : size;
    BufferedInputStream input(in.Handle(), size, &bytesRead);

    if (toStandardOutput) {
      BufferedOutputStream output(kStandardOutput, expected);
      try {
        RunCipher(item, encrypt, keys, schedule, input, output);
      } catch (const ECipherException& error) {
        output.Flush();
        ExplainCipherFailure(error, input, output, "standard output");
      }
      if (!output.Flush())
        Fail("cannot write standard output: " + SystemErrorText(output.Failure()));
      return {OutcomeKind::Done, std::string(), output.Position()};
    }

    if (options.OutputDirectory) {
      const std::string directory = ParentOf(item.Output);
      const int error = MakeDirectories(directory);
      if (error != 0)
        Fail("cannot create directory " + directory + ": " + SystemErrorText(error));
    }
    CheckExistingOutput(FinalOutputName(item, options), status, options.Force);
    SafeOutput target(item.Output);
    BufferedOutputStream output(target.Handle(), expected);
    try {
      RunCipher(item, encrypt, keys, schedule, input, output);
    } catch (const ECipherException& error) {
      ExplainCipherFailure(error, input, output, item.Output);
    }
    if (!output.Flush())
      Fail("cannot write " + item.Output + ": " + SystemErrorText(output.Failure()));
    return FinishOutput(item, options, target, status, output.Position());
  } catch (const Exception& error) {
    return {OutcomeKind::Failed, error.Message(), 0};
  } catch (const std::bad_alloc&) {
    return {OutcomeKind::Failed, "out of memory", 0};
  }
}

FileOutcome PlanOnly(const WorkItem& item, const ToolOptions& options, const CipherKeys* keys) {
  if (std::optional<FileOutcome> skipped = SkipExistingOutput(item, options))
    return *skipped;
  const FileStatus input = item.Directory ? StatusOfEntry(item.Directory->Handle(), item.EntryName)
                                          : StatusOfPath(item.Input);
  try {
    CheckExistingOutput(FinalOutputName(item, options), input, options.Force);
  } catch (const Exception& error) {
    return {OutcomeKind::Failed, error.Message(), 0};
  }
  return DryRunOutcome(item, options, input, keys);
}

}  // namespace ostrel
