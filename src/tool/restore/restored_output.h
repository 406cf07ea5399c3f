// What an output gets once the cipher has written it, before it takes its final name: its
// permission bits, its modification time (for decrypt the time of the name's stamp, else that of
// the encrypted file, so a restored tree keeps the times of the backup), and with --unzip the file
// from inside the synchronizer's archive in place of the archive.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "platform/file_status.h"
#include "tool/keys/cipher_keys.h"
#include "tool/restore/safe_output.h"
#include "tool/restore/work_list.h"
#include "tool/run/batch_options.h"
#include "tool/run/file_outcome.h"

namespace ostrel {

// The name the item's output will have: without ".zip" when --unzip takes the file out of the
// archive.
std::string FinalOutputName(const WorkItem& item, const BatchOptions& options);

// Skipped ("exists") when --skip-existing is given and the final output exists, or with --unzip
// the archive kept under its own name.
std::optional<FileOutcome> SkipExistingOutput(const WorkItem& item, const BatchOptions& options);

// Gives the written output its bits and time, extracts the archive's file when asked (into the
// same open directory), and commits, or, when the output must first reach the disk, leaves the
// commit to the run through the outcome's PendingOutput. Raises Exception with a
// one-line reason.
FileOutcome FinishOutput(const WorkItem& item, const BatchOptions& options,
                         const std::shared_ptr<const OutputDirectory>& directory,
                         SafeOutput& target, const FileStatus& input, int64_t bytesWritten);

// What --dry-run reports for an item that would be written, with the size it would have: for
// decrypt the name's size suffix, else (when keys are at hand) the plain length that the final
// block gives; for encrypt the encrypted length.
FileOutcome DryRunOutcome(const WorkItem& item, const BatchOptions& options,
                          const FileStatus& input, const CipherKeys* keys);

}  // namespace ostrel
