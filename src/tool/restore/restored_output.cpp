#include "tool/restore/restored_output.h"

#include <memory>
#include <utility>

#include "errors/exceptions.h"
#include "names/path_joining.h"
#include "platform/directory_tree.h"
#include "platform/error_text.h"
#include "platform/file_handle.h"
#include "tool/backup/output_times.h"
#include "tool/restore/file_transform.h"
#include "tool/restore/final_block_check.h"
#include "tool/restore/item_input.h"
#include "tool/restore/zip_extraction.h"

namespace ostrel {
namespace {

constexpr const char* kArchiveSuffix = ".zip";

bool Unzips(const WorkItem& item, const BatchOptions& options) {
  return options.Command == BatchCommand::Decrypt && options.Unzip && item.Archive &&
         item.Output.ends_with(kArchiveSuffix);
}

// The time for the output: a version's stamp, else the given time; nothing with --no-times (or,
// when encrypting, without -p).
std::optional<FileStatus> TimesFor(const WorkItem& item, const BatchOptions& options,
                                   const FileStatus& input, std::optional<int64_t> fallback) {
  FileStatus times = input;
  if (options.Command != BatchCommand::Decrypt) {
    if (!options.Preserve)
      return std::nullopt;
    return times;
  }
  if (options.NoTimes)
    return std::nullopt;
  if (item.Stamp) {
    times.ModificationSeconds = StampSeconds(*item.Stamp, options.StampUtc);
    times.ModificationNanoseconds = 0;
  } else if (fallback) {
    times.ModificationSeconds = *fallback;
    times.ModificationNanoseconds = 0;
  }
  return times;
}

// Gives the output its permission bits and, when there are times to give, those. An output that
// must reach the disk is handed back to be committed with others; one that need not is committed
// now.
std::shared_ptr<SafeOutput> Commit(SafeOutput& output, const BatchOptions& options,
                                   const FileStatus& input,
                                   const std::optional<FileStatus>& times) {
  const uint32_t permissions = OutputPermissions(input.Permissions, options.Preserve);
  const FileStatus* const stamped = times ? &*times : nullptr;
  if (options.NoSync) {
    output.CommitUnflushed(permissions, stamped, options.Force, input);
    return nullptr;
  }
  output.Seal(permissions, stamped, true, options.Force, input);
  return std::make_shared<SafeOutput>(std::move(output));
}

std::string JoinWarnings(const std::string& first, const std::string& second) {
  if (first.empty())
    return second;
  if (second.empty())
    return first;
  return first + "; " + second;
}

int64_t PlainLengthFromFinalBlock(const WorkItem& item, const CipherKeys& keys) {
  const ItemInput input(item);
  return CheckFinalBlock(input.Handle(), item, keys, false);
}

}  // namespace

std::string FinalOutputName(const WorkItem& item, const BatchOptions& options) {
  if (!Unzips(item, options) || !item.PlainSize)
    return item.Output;
  return item.Output.substr(0, item.Output.size() - std::char_traits<char>::length(kArchiveSuffix));
}

std::optional<FileOutcome> SkipExistingOutput(const WorkItem& item, const BatchOptions& options) {
  if (!options.SkipExisting || item.Output.empty())
    return std::nullopt;
  // An archive that an earlier run kept as it is (it could not be opened, or that run did not
  // unzip) is this file's output as much as the file inside it would be: resuming leaves it alone.
  const bool exists =
      StatusOfPath(FinalOutputName(item, options)).Kind != FileKind::Missing ||
      (Unzips(item, options) && StatusOfPath(item.Output).Kind != FileKind::Missing);
  if (!exists)
    return std::nullopt;
  FileOutcome outcome(OutcomeKind::Skipped, "output exists", 0);
  outcome.SkipReason = "exists";
  return outcome;
}

FileOutcome FinishOutput(const WorkItem& item, const BatchOptions& options,
                         const std::shared_ptr<const OutputDirectory>& directory,
                         SafeOutput& target, const FileStatus& input, int64_t bytesWritten) {
  std::string warning = item.State == ItemState::Pending ? item.Reason : std::string();
  if (Unzips(item, options)) {
    if (!item.PlainSize) {
      warning = JoinWarnings(
          warning, "kept as an archive: the name gives no size to check its file against");
    } else {
      const std::string plainName = FinalOutputName(item, options);
      SafeOutput inner(directory, FileNameOf(plainName), plainName);
      const ZipExtraction extraction =
          ExtractSingleEntry(target.Handle(), *item.PlainSize, inner.Handle(), plainName);
      if (extraction.Extracted) {
        const std::optional<FileStatus> times =
            TimesFor(item, options, input, extraction.EntryTime);
        FileOutcome outcome(OutcomeKind::Done, warning, extraction.Bytes);
        outcome.PendingOutput = Commit(inner, options, input, times);
        outcome.WrittenOutput = plainName;
        outcome.Unzipped = true;
        if (times)
          outcome.Mtime = times->ModificationSeconds;
        return outcome;
      }
      warning = JoinWarnings(warning, "kept as an archive: " + extraction.Refusal);
    }
  }
  // Without a stamp the output keeps the encrypted file's own time, to the nanosecond.
  const std::optional<FileStatus> times = TimesFor(item, options, input, std::nullopt);
  FileOutcome outcome(OutcomeKind::Done, warning, bytesWritten);
  outcome.PendingOutput = Commit(target, options, input, times);
  if (times)
    outcome.Mtime = times->ModificationSeconds;
  return outcome;
}

FileOutcome DryRunOutcome(const WorkItem& item, const BatchOptions& options,
                          const FileStatus& input, const CipherKeys* keys) {
  FileOutcome outcome(OutcomeKind::WouldWrite, item.Reason, 0);
  const int32_t block = CipherMethodFor(item.Method).BlockSize;
  if (options.Command == BatchCommand::Encrypt) {
    outcome.BytesWritten = input.Size - input.Size % block + block;
    return outcome;
  }
  if (Unzips(item, options) && item.PlainSize) {
    outcome.WrittenOutput = FinalOutputName(item, options);
    outcome.Unzipped = true;
  }
  // A size suffix before ".zip" gives the archive's file, not the archive.
  if (item.PlainSize && (!item.Archive || outcome.Unzipped)) {
    outcome.BytesWritten = static_cast<int64_t>(*item.PlainSize);
    return outcome;
  }
  if (keys == nullptr || outcome.Unzipped) {
    outcome.SizeUnknown = true;
    return outcome;
  }
  try {
    outcome.BytesWritten = PlainLengthFromFinalBlock(item, *keys);
  } catch (const EPassphraseCheckFailed& error) {
    return {OutcomeKind::Failed, error.Message(), 0, true};
  } catch (const Exception& error) {
    return {OutcomeKind::Failed, error.Message(), 0};
  }
  return outcome;
}

}  // namespace ostrel
