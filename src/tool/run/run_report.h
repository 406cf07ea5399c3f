// What a run tells its user: one line on standard error for each file that fails, naming the file
// and the reason; with --json one object per file on standard output; at the end a summary of
// files and bytes done, skipped and failed and the time taken. Safe to call from every worker.
#pragma once

#include <chrono>
#include <cstdint>
#include <mutex>
#include <string>

#include "tool/restore/work_list.h"
#include "tool/run/batch_options.h"
#include "tool/run/file_outcome.h"
#include "tool/run/progress_display.h"

namespace ostrel {

class RunReport {
 public:
  RunReport(const BatchOptions& options, ProgressDisplay& progress);

  void Record(const WorkItem& item, const FileOutcome& outcome);

  // Prints the summary unless the run prints JSON. verb says what was done ("decrypted").
  void PrintSummary(const char* verb);

  int64_t Done() const { return done_; }
  int64_t Failed() const { return failed_; }
  int64_t Skipped() const { return skipped_; }
  // 0 when nothing failed, else 1.
  int ExitStatus() const;
  // Files that passed as Rijndael and as Triple-DES (for the strength of a verify answer).
  int64_t DoneWithMethod(EncryptionMethod method) const {
    return method == EncryptionMethod::kTripleDes ? doneTripleDes_ : doneRijndael_;
  }

 private:
  void WriteJson(const WorkItem& item, const FileOutcome& outcome);
  void PrintHints();
  // The bytes done; files whose plain size a dry run could not tell are counted apart, as such.
  std::string SizeText() const;

  const BatchOptions& options_;
  ProgressDisplay& progress_;
  std::mutex mutex_;
  int64_t done_ = 0;
  int64_t failed_ = 0;
  int64_t skipped_ = 0;
  int64_t bytes_ = 0;
  int64_t sizesUnknown_ = 0;
  int64_t doneTripleDes_ = 0;
  int64_t doneRijndael_ = 0;
  // What a restore passed over or left for the user, for the hints of the summary.
  int64_t versionsSkipped_ = 0;
  int64_t incompleteSkipped_ = 0;
  int64_t existingSkipped_ = 0;
  int64_t existingRefused_ = 0;  // failed: the output exists
  int64_t onlyAsVersions_ = 0;   // files without a current copy, whose versions were skipped
  int64_t archivesKept_ = 0;
  std::chrono::steady_clock::time_point start_;
};

}  // namespace ostrel
