#include "tool/run/thread_budget.h"

#include <algorithm>

#include "platform/processor_count.h"

namespace ostrel {
namespace {

unsigned Processors() {
  return std::max(ProcessorCount(), 1U);
}

}  // namespace

ThreadBudget PlanThreads(unsigned requestedJobs, std::size_t files) {
  const unsigned processors = Processors();
  ThreadBudget budget;
  const unsigned wanted = requestedJobs != 0 ? requestedJobs : processors;
  // More jobs than files would only leave processors idle that the files' ciphers could use.
  budget.Jobs =
      static_cast<unsigned>(std::clamp<std::size_t>(files, 1, std::min(wanted, kMostFilesAtOnce)));
  budget.PerFile.cipherThreads = static_cast<int32_t>(std::max(processors / budget.Jobs, 1U));
  // A thread that reads ahead pays only when a processor is left for it.
  budget.PerFile.readAhead = budget.Jobs < processors;
  return budget;
}

unsigned WorkersFor(unsigned jobs, std::size_t pendingItems) {
  return static_cast<unsigned>(
      std::clamp<std::size_t>(std::min<std::size_t>(jobs, pendingItems), 1, kMostFilesAtOnce));
}

MountThreads PlanMountThreads() {
  const unsigned processors = Processors();
  return {std::max(processors - 1, 1U), processors, processors};
}

}  // namespace ostrel
