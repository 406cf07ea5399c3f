#include "tool/batch_run.h"

#include <algorithm>
#include <new>
#include <string>
#include <utility>

#include "errors/exceptions.h"

namespace ostrel {

BatchRun::BatchRun(unsigned jobs, bool failFast, RunReport& report, ProgressCounters& counters,
                   ItemWork work)
    : report_(report), counters_(counters), work_(std::move(work)), failFast_(failFast) {
  const unsigned threads = std::clamp(jobs, 1U, 64U);
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
  for (std::thread& committer : committers_)
    committer.join();
  committers_.clear();
}

void BatchRun::Work() {
  std::unique_lock lock(mutex_);
  while (true) {
    workReady_.wait(lock, [this] { return untaken_ < window_.size() || closed_; });
    if (untaken_ >= window_.size())
      return;
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
    if (outcome.CommitLater) {
      commitRoom_.wait(lock, [this] { return commitsPending_ < kPendingCommits; });
      ++commitsPending_;
      // A thread for each commit that may be waiting, up to the limit.
      if (committers_.size() < std::min(commitsPending_, kCommitThreads))
        committers_.emplace_back([this] { CommitOutputs(); });
      slot.Committing = std::move(outcome);
      commits_.push_back(&slot);
      commitReady_.notify_one();
      continue;
    }
    Conclude(slot, std::move(outcome));
  }
}

void BatchRun::CommitOutputs() {
  std::unique_lock lock(mutex_);
  while (true) {
    commitReady_.wait(lock, [this] { return !commits_.empty() || workersDone_; });
    if (commits_.empty())
      return;
    Slot& slot = *commits_.front();
    commits_.pop_front();
    FileOutcome outcome = std::move(slot.Committing);
    lock.unlock();
    const std::function<void()> commit = std::move(outcome.CommitLater);
    outcome.CommitLater = nullptr;
    try {
      commit();
    } catch (const Exception& error) {
      outcome = {OutcomeKind::Failed, error.Message(), 0};
    } catch (const std::bad_alloc&) {
      outcome = {OutcomeKind::Failed, "out of memory", 0};
    }
    lock.lock();
    --commitsPending_;
    commitRoom_.notify_one();
    Conclude(slot, std::move(outcome));
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
  BatchRun run(
      static_cast<unsigned>(std::clamp<std::size_t>(std::min<std::size_t>(jobs, pending), 1, 64)),
      failFast, report, counters, work);
  for (const WorkItem& item : items)
    run.Push(WorkItem(item));
  run.Finish();
}

}  // namespace ostrel
