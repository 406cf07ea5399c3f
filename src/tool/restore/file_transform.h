// Decrypting or encrypting one file of a run, into a safe output (or standard output with -c),
// and saying in plain words why it failed: the system's text for files that cannot be opened or
// created, "truncated or not an encrypted file" for a length that no encrypted file has, and
// "wrong pass phrase or damaged file" for a final block whose tail count is out of range.
#pragma once

#include <atomic>
#include <cstdint>

#include "cipher/stream_schedule.h"
#include "tool/keys/cipher_keys.h"
#include "tool/restore/output_directories.h"
#include "tool/restore/work_list.h"
#include "tool/run/batch_options.h"
#include "tool/run/file_outcome.h"

namespace ostrel {

inline constexpr const char* kTruncatedReason = "truncated or not an encrypted file";
// A stream on standard input is one file: nothing tells a wrong pass phrase from damage there.
inline constexpr const char* kWrongPassphraseReason = "wrong pass phrase or damaged file";
// A file whose final block does not open in a run whose pass phrase was judged right.
inline constexpr const char* kDamagedReason = "damaged: the final block does not open";

// directories: the run's output directories. schedule: this file's share of the machine.
// bytesRead grows as the input is read, for progress reports.
FileOutcome TransformFile(const WorkItem& item, const BatchOptions& options, const CipherKeys& keys,
                          OutputDirectories& directories, const StreamSchedule& schedule,
                          std::atomic<int64_t>& bytesRead);

// What --dry-run reports for the item: WouldWrite, or Failed when the output exists and may not
// be replaced. keys, when the run has them, give the plain size of files whose name does not.
FileOutcome PlanOnly(const WorkItem& item, const BatchOptions& options, const CipherKeys* keys);

}  // namespace ostrel
