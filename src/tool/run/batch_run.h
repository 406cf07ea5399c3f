// Working through the files of a run on several threads while the run is still being planned.
// Each file is independent: one that fails does not stop the others, unless failFast asks for
// that, and then the files not yet started are reported as skipped. Reports come out in the
// order the items were handed in, whatever the number of threads, and planning is held back
// while a window of items waits to be reported, so memory stays flat however large the run.
// An outcome whose output still has to reach the disk is committed by a thread of its own,
// together with every other one that is waiting by then: waiting for the disk to confirm one
// small file would otherwise hold up the next, and one flush serves the whole batch.
#pragma once

#include <condition_variable>
#include <cstddef>
#include <deque>
#include <functional>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

#include "tool/restore/work_list.h"
#include "tool/run/file_outcome.h"
#include "tool/run/progress_display.h"
#include "tool/run/run_report.h"

namespace ostrel {

using ItemWork = std::function<FileOutcome(const WorkItem&)>;

class BatchRun {
 public:
  static constexpr std::size_t kWindow = 4096;
  // Outputs that wait for their commit or are being committed: each holds an open temporary file,
  // so the number is bounded below the interruption registry's slots, less the two files (an
  // archive and the file inside it) that each of up to 64 workers may be writing.
  static constexpr std::size_t kPendingCommits = 96;
  // A batch this large is committed without waiting for more; two are in hand at once, one
  // waiting for its data's flush while the other waits for its names'.
  static constexpr std::size_t kFullBatch = kPendingCommits / 2;

  BatchRun(unsigned jobs, bool failFast, RunReport& report, ProgressCounters& counters,
           ItemWork work);
  ~BatchRun();
  BatchRun(const BatchRun&) = delete;
  BatchRun& operator=(const BatchRun&) = delete;

  // Hands an item over; waits while the window is full. Items that planning skipped or failed
  // are reported without being worked on.
  void Push(WorkItem&& item);
  // Waits until every item has been reported.
  void Finish();

 private:
  struct Slot {
    WorkItem Item;
    bool Taken = false;
    std::optional<FileOutcome> Outcome;
    FileOutcome Committing;  // the outcome while its commit waits or runs
  };

  void Work();
  // Waits, counted as a worker that adds nothing to the next batch meanwhile.
  template <typename Predicate>
  void Idle(std::unique_lock<std::mutex>& lock, std::condition_variable& until, Predicate ready);
  void CommitBatches();
  void Conclude(Slot& slot, FileOutcome&& outcome);  // with the lock held
  void ReportFinished();                             // with the lock held

  RunReport& report_;
  ProgressCounters& counters_;
  ItemWork work_;
  bool failFast_;
  std::mutex mutex_;
  std::condition_variable workReady_;    // an item to take, or the end of the run
  std::condition_variable roomFree_;     // the window has room for another item
  std::condition_variable commitReady_;  // a commit to take, or no more to come
  std::condition_variable commitRoom_;   // fewer than kPendingCommits are waiting or committing
  std::deque<Slot> window_;
  std::size_t untaken_ = 0;  // index in window_ of the first slot no worker has taken
  bool closed_ = false;
  bool stop_ = false;
  std::deque<Slot*> commits_;       // slots whose outcome waits for its commit
  std::size_t commitsPending_ = 0;  // queued or running
  bool workersDone_ = false;
  std::size_t workerCount_ = 0;
  std::size_t idleWorkers_ = 0;
  std::vector<std::thread> workers_;
  std::thread committer_;  // started with the first commit
};

// Runs a run that was planned in full beforehand.
void RunBatch(const std::vector<WorkItem>& items, unsigned jobs, bool failFast, RunReport& report,
              ProgressCounters& counters, const ItemWork& work);

}  // namespace ostrel
