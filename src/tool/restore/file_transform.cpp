#include "tool/restore/file_transform.h"

#include <string>

#include "cipher/block_cipher.h"
#include "cipher/buffered_streams.h"
#include "cipher/byte_sink.h"
#include "cipher/stream_engine.h"
#include "cipher/stream_errors.h"
#include "errors/exceptions.h"
#include "names/path_joining.h"
#include "platform/directory_tree.h"
#include "platform/error_text.h"
#include "platform/file_handle.h"
#include "platform/file_status.h"
#include "platform/output_directory.h"
#include "tool/restore/final_block_check.h"
#include "tool/restore/item_input.h"
#include "tool/restore/output_directories.h"
#include "tool/restore/restored_output.h"
#include "tool/restore/safe_output.h"

namespace ostrel {
namespace {

constexpr int kStandardOutput = 1;

[[noreturn]] void Fail(const std::string& reason) {
  throw Exception(reason);
}

// Files are read by their size; their final block has passed the check before, and must pass it
// again in case the file changed meanwhile.
void RunCipher(const WorkItem& item, bool encrypt, const CipherKeys& keys,
               const StreamSchedule& schedule, TStream& input, TStream& output) {
  const BlockCipher& cipher = keys.CipherFor(item.Method, encrypt);
  StreamSink sink(output);
  if (encrypt) {
    EncryptStream(input, sink, cipher, StreamLayout::kEcb, InputExtent::kSize, schedule);
  } else {
    DecryptStream(input, sink, cipher, StreamLayout::kEcb, InputExtent::kSize,
                  FinalBlockCheck::kTailCountAndPadding, schedule);
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
    throw EPassphraseCheckFailed();
  if (dynamic_cast<const ETruncatedStream*>(&error) != nullptr)
    Fail(kTruncatedReason);
  Fail(error.Message());
}

FileOutcome OutputExistsOutcome(const EOutputExists& error) {
  FileOutcome outcome(OutcomeKind::Failed, error.Message(), 0);
  outcome.OutputExists = true;
  return outcome;
}

}  // namespace

FileOutcome TransformFile(const WorkItem& item, const BatchOptions& options, const CipherKeys& keys,
                          OutputDirectories& directories, const StreamSchedule& schedule,
                          std::atomic<int64_t>& bytesRead) {
  const bool encrypt = options.Command == BatchCommand::Encrypt;
  const bool toStandardOutput = item.Output.empty();
  try {
    if (std::optional<FileOutcome> skipped = SkipExistingOutput(item, options))
      return *skipped;
    const ItemInput in(item);
    const FileStatus status = StatusOfHandle(in.Handle());
    if (status.Error != 0)
      Fail(SystemErrorText(status.Error));
    if (status.Kind != FileKind::Regular)
      Fail("not a regular file");
    const int64_t size = status.Size;
    // Before any output exists: a wrong pass phrase must neither leave garbage nor touch a file
    // that has the output's name.
    if (!encrypt)
      CheckFinalBlock(in.Handle(), size, item, keys, !options.IgnoreSize);
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

    const std::shared_ptr<const OutputDirectory> directory =
        directories.Open(item.OutputRoot, item.OutputBelowRoot);
    if (directory->Error() != 0)
      Fail(std::string(directory->FailedCreating() ? "cannot create directory "
                                                   : "cannot open directory ") +
           directory->Failed() + ": " + SystemErrorText(directory->Error()));
    const std::string name = FileNameOf(item.Output);
    const std::string finalName = FinalOutputName(item, options);
    CheckExistingOutput(StatusOfEntry(directory->Handle(), FileNameOf(finalName)), finalName,
                        status, options.Force);
    SafeOutput target(directory, name, item.Output);
    BufferedOutputStream output(target.Handle(), expected);
    try {
      RunCipher(item, encrypt, keys, schedule, input, output);
    } catch (const ECipherException& error) {
      ExplainCipherFailure(error, input, output, item.Output);
    }
    if (!output.Flush())
      Fail("cannot write " + item.Output + ": " + SystemErrorText(output.Failure()));
    return FinishOutput(item, options, directory, target, status, output.Position());
  } catch (const EPassphraseCheckFailed& error) {
    return {OutcomeKind::Failed, error.Message(), 0, true};
  } catch (const EOutputExists& error) {
    return OutputExistsOutcome(error);
  } catch (const Exception& error) {
    return {OutcomeKind::Failed, error.Message(), 0};
  } catch (const std::bad_alloc&) {
    return {OutcomeKind::Failed, "out of memory", 0};
  }
}

FileOutcome PlanOnly(const WorkItem& item, const BatchOptions& options, const CipherKeys* keys) {
  if (std::optional<FileOutcome> skipped = SkipExistingOutput(item, options))
    return *skipped;
  const FileStatus input = item.Directory ? StatusOfEntry(item.Directory->Handle(), item.EntryName)
                                          : StatusOfPath(item.Input);
  try {
    const std::string finalName = FinalOutputName(item, options);
    CheckExistingOutput(StatusOfPath(finalName), finalName, input, options.Force);
  } catch (const EOutputExists& error) {
    return OutputExistsOutcome(error);
  } catch (const Exception& error) {
    return {OutcomeKind::Failed, error.Message(), 0};
  }
  return DryRunOutcome(item, options, input, keys);
}

}  // namespace ostrel
