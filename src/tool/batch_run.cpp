#include "tool/batch_run.h"

#include <algorithm>
#include <atomic>
#include <thread>

namespace ostrel {

void RunBatch(const std::vector<WorkItem>& items, unsigned jobs, bool failFast, RunReport& report,
              ProgressCounters& counters, const ItemWork& work) {
  std::atomic<std::size_t> next{0};
  std::atomic<bool> stop{false};
  const auto worker = [&] {
    for (std::size_t index = next++; index < items.size(); index = next++) {
      const WorkItem& item = items[index];
      FileOutcome outcome;
      if (item.State == ItemState::Failed) {
        outcome = {OutcomeKind::Failed, item.Reason, 0};
      } else if (item.State == ItemState::Skipped) {
        outcome = {OutcomeKind::Skipped, item.Reason, 0};
      } else if (stop.load()) {
        outcome = {OutcomeKind::Skipped, "not started after an earlier failure", 0};
      } else {
        outcome = work(item);
      }
      if (outcome.Kind == OutcomeKind::Failed && failFast)
        stop.store(true);
      counters.FilesDone.fetch_add(1, std::memory_order_relaxed);
      report.Record(item, outcome);
    }
  };
  const auto pending =
      static_cast<std::size_t>(std::count_if(items.begin(), items.end(), [](const WorkItem& item) {
        return item.State == ItemState::Pending;
      }));
  const std::size_t threads = std::clamp<std::size_t>(std::min<std::size_t>(jobs, pending), 1, 64);
  std::vector<std::thread> helpers;
  for (std::size_t i = 1; i < threads; ++i)
    helpers.emplace_back(worker);
  worker();
  for (std::thread& helper : helpers)
    helper.join();
}

}  // namespace ostrel
