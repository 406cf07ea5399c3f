#include "tool/restore/output_batch.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <set>
#include <utility>

#include "errors/exceptions.h"
#include "platform/error_text.h"
#include "platform/output_directory.h"

namespace ostrel {
namespace {

// Runs one step on every output that has not failed yet, recording why one fails.
template <typename Step>
void EachStillGoing(const std::vector<SafeOutput*>& outputs, std::vector<std::string>& failures,
                    Step step) {
  for (std::size_t index = 0; index < outputs.size(); ++index) {
    if (!failures[index].empty())
      continue;
    try {
      step(*outputs[index]);
    } catch (const Exception& error) {
      failures[index] = error.Message();
    }
  }
}

// Flushes, once each, the file systems (FileSystem scope) that the outputs still going are in, and
// the directories (EachFile scope) of those whose names are due; an output whose flush failed
// fails.
void FlushWhereNeeded(const std::vector<SafeOutput*>& outputs, std::vector<std::string>& failures,
                      const std::vector<bool>& namesDue) {
  std::set<uint64_t> systemsDone;
  std::set<const OutputDirectory*> directoriesDone;
  for (std::size_t index = 0; index < outputs.size(); ++index) {
    if (!failures[index].empty())
      continue;
    const OutputDirectory& directory = outputs[index]->Directory();
    int error = 0;
    if (directory.Scope() == FlushScope::FileSystem) {
      if (!systemsDone.insert(directory.Device()).second)
        continue;
      error = SyncFileSystem(directory.Handle());
    } else {
      if (!namesDue[index] || !directoriesDone.insert(&directory).second)
        continue;
      error = SyncDirectory(directory.Handle());
    }
    if (error == 0)
      continue;
    // Every output that this flush was to cover fails with it.
    for (std::size_t other = index; other < outputs.size(); ++other) {
      const OutputDirectory& its = outputs[other]->Directory();
      const bool covered =
          directory.Scope() == FlushScope::FileSystem
              ? its.Scope() == FlushScope::FileSystem && its.Device() == directory.Device()
              : &its == &directory && namesDue[other];
      if (covered && failures[other].empty())
        failures[other] = "cannot write " + outputs[other]->Shown() + ": " + SystemErrorText(error);
    }
  }
}

}  // namespace

std::vector<std::string> CommitPipeline::Add(const std::vector<SafeOutput*>& batch) {
  std::vector<std::string> failures(batch.size());
  // Each file's write-back, started when it was sealed, is waited for (or the file flushed where
  // there is no flush of the whole).
  EachStillGoing(batch, failures, [](SafeOutput& output) { output.CloseWritten(true); });
  // One flush for the new batch's data, with their lengths, and the directories the run made,
  // and for the names of the batch before it.
  std::vector<SafeOutput*> both = renamed_;
  both.insert(both.end(), batch.begin(), batch.end());
  std::vector<std::string> bothFailures = renamedFailures_;
  bothFailures.insert(bothFailures.end(), failures.begin(), failures.end());
  std::vector<bool> namesDue(both.size(), false);
  std::fill(namesDue.begin(), namesDue.begin() + static_cast<std::ptrdiff_t>(renamed_.size()),
            true);
  FlushWhereNeeded(both, bothFailures, namesDue);
  std::vector<std::string> finished(
      bothFailures.begin(), bothFailures.begin() + static_cast<std::ptrdiff_t>(renamed_.size()));
  failures.assign(bothFailures.begin() + static_cast<std::ptrdiff_t>(renamed_.size()),
                  bothFailures.end());
  // Only then the new names.
  EachStillGoing(batch, failures, [](SafeOutput& output) { output.Rename(); });
  renamed_ = batch;
  renamedFailures_ = std::move(failures);
  return finished;
}

std::vector<std::string> CommitPipeline::Drain() {
  FlushWhereNeeded(renamed_, renamedFailures_, std::vector<bool>(renamed_.size(), true));
  renamed_.clear();
  return std::exchange(renamedFailures_, {});
}

}  // namespace ostrel
