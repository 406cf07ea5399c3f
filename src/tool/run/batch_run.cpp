#include "tool/run/batch_run.h"

#include <algorithm>
#include <new>
#include <string>
#include <utility>

#include "errors/exceptions.h"
#include "platform/interrupt_cleanup.h"
#include "tool/restore/output_batch.h"
#include "tool/restore/safe_output.h"
#include "tool/run/thread_budget.h"

namespace ostrel {

static_assert(BatchRun::kPendingCommits + 2 * kMostFilesAtOnce < kInterruptCleanupSlots,
              "every open temporary file needs a slot of its own");

BatchRun::BatchRun(unsigned jobs, bool failFast, RunReport& report, ProgressCounters& counters,
                   ItemWork work)
    : report_(report), counters_(counters), work_(std::move(work)), failFast_(failFast) {
  const unsigned threads = WorkersFor(jobs, kMostFilesAtOnce);
  workerCount_ = threads;
  for (unsigned i = 0; i < threads; ++i)
    workers_.emplace_back([this] { Work(); });
}

BatchRun::~BatchRun() {
  Finish();
}

void BatchRun::Push(WorkItem&& item) {
  std::unique_lock lock(mutex_);
  roomFree_.wait(lock, [this] { return window_.size() < kWindow; });
  counters_.FilesTotal.fetch_add(1, std::memory_order_relaxed);
  if (item.State == ItemState::Pending)
    counters_.BytesTotal.fetch_add(item.Size, std::memory_order_relaxed);
  window_.push_back({std::move(item), false, std::nullopt, {}});
  workReady_.notify_one();
}

void BatchRun::Finish() {
  {
    const std::lock_guard lock(mutex_);
    closed_ = true;
  }
  workReady_.notify_all();
  for (std::thread& worker : workers_)
    worker.join();
  workers_.clear();
  {
    const std::lock_guard lock(mutex_);
    workersDone_ = true;
  }
  commitReady_.notify_all();
  if (committer_.joinable())
    committer_.join();
}

void BatchRun::Work() {
  std::unique_lock lock(mutex_);
  while (true) {
    if (untaken_ >= window_.size() && !closed_)
      Idle(lock, workReady_, [this] { return untaken_ < window_.size() || closed_; });
    if (untaken_ >= window_.size()) {
      // A worker that has ended adds nothing to a batch either: the batch must not wait for it.
      if (++idleWorkers_ == workerCount_)
        commitReady_.notify_one();
      return;
    }
    Slot& slot = window_[untaken_++];
    slot.Taken = true;
    const WorkItem& item = slot.Item;  // a deque keeps its elements in place at both ends
    const bool stopped = stop_;
    lock.unlock();
    FileOutcome outcome;
    if (item.State == ItemState::Failed) {
      outcome = {OutcomeKind::Failed, item.Reason, 0};
    } else if (item.State == ItemState::Skipped) {
      outcome = {OutcomeKind::Skipped, item.Reason, 0};
      outcome.SkipReason = item.SkipReason;
    } else if (stopped) {
      outcome = {OutcomeKind::Skipped, "not started after an earlier failure", 0};
      outcome.SkipReason = "stopped";
    } else {
      outcome = work_(item);
    }
    counters_.FilesDone.fetch_add(1, std::memory_order_relaxed);
    lock.lock();
    if (outcome.PendingOutput) {
      if (commitsPending_ >= kPendingCommits)
        Idle(lock, commitRoom_, [this] { return commitsPending_ < kPendingCommits; });
      ++commitsPending_;
      if (!committer_.joinable())
        committer_ = std::thread([this] { CommitBatches(); });
      slot.Committing = std::move(outcome);
      commits_.push_back(&slot);
      commitReady_.notify_one();
      continue;
    }
    Conclude(slot, std::move(outcome));
  }
}

template <typename Predicate>
void BatchRun::Idle(std::unique_lock<std::mutex>& lock, std::condition_variable& until,
                    Predicate ready) {
  if (++idleWorkers_ == workerCount_)
    commitReady_.notify_one();
  until.wait(lock, ready);
  --idleWorkers_;
}

void BatchRun::CommitBatches() {
  CommitPipeline pipeline;
  std::vector<Slot*> renamed;  // the batch whose names the next flush makes durable
  std::unique_lock lock(mutex_);
  while (true) {
    // A batch is flushed once it is full, or when no worker is about to add to it.
    commitReady_.wait(lock, [&] {
      return commits_.size() >= kFullBatch || workersDone_ ||
             (idleWorkers_ == workerCount_ && (!commits_.empty() || !renamed.empty()));
    });
    // Whatever has come meanwhile forms the batch: the longer the disk takes, the more each of
    // its flushes serves.
    std::vector<Slot*> batch(commits_.begin(), commits_.end());
    commits_.clear();
    if (batch.empty() && renamed.empty())
      return;
    lock.unlock();
    std::vector<SafeOutput*> outputs;
    outputs.reserve(batch.size());
    for (Slot* slot : batch)
      outputs.push_back(slot->Committing.PendingOutput.get());
    std::vector<std::string> failures;
    try {
      failures = batch.empty() ? pipeline.Drain() : pipeline.Add(outputs);
    } catch (const std::bad_alloc&) {
      // Neither batch can be followed further: both fail, and the pipeline starts afresh.
      renamed.insert(renamed.end(), batch.begin(), batch.end());
      batch.clear();
      failures.assign(renamed.size(), "out of memory");
      pipeline = CommitPipeline();
    }
    for (std::size_t index = 0; index < renamed.size(); ++index) {
      FileOutcome& outcome = renamed[index]->Committing;
      // Removes the temporary file of an output that failed before its rename.
      outcome.PendingOutput.reset();
      if (!failures[index].empty())
        outcome = {OutcomeKind::Failed, failures[index], 0};
    }
    lock.lock();
    commitsPending_ -= renamed.size();
    commitRoom_.notify_all();
    for (Slot* slot : renamed)
      Conclude(*slot, std::move(slot->Committing));
    renamed = std::move(batch);
  }
}

void BatchRun::Conclude(Slot& slot, FileOutcome&& outcome) {
  if (outcome.Kind == OutcomeKind::Failed && failFast_)
    stop_ = true;
  slot.Outcome = std::move(outcome);
  ReportFinished();
}

void BatchRun::ReportFinished() {
  bool reported = false;
  while (!window_.empty() && window_.front().Outcome) {
    report_.Record(window_.front().Item, *window_.front().Outcome);
    window_.pop_front();
    --untaken_;
    reported = true;
  }
  if (reported)
    roomFree_.notify_one();
}

void RunBatch(const std::vector<WorkItem>& items, unsigned jobs, bool failFast, RunReport& report,
              ProgressCounters& counters, const ItemWork& work) {
  const auto pending =
      static_cast<std::size_t>(std::count_if(items.begin(), items.end(), [](const WorkItem& item) {
        return item.State == ItemState::Pending;
      }));
  BatchRun run(WorkersFor(jobs, pending), failFast, report, counters, work);
  for (const WorkItem& item : items)
    run.Push(WorkItem(item));
  run.Finish();
}

}  // namespace ostrel
