#include "tool/run/thread_budget.h"

#include <algorithm>

#include "platform/processor_count.h"

namespace ostrel {

ThreadBudget PlanThreads(unsigned requestedJobs, std::size_t files) {
  const unsigned processors = std::max(ProcessorCount(), 1U);
  ThreadBudget budget;
  const unsigned wanted = requestedJobs != 0 ? requestedJobs : processors;
  // More jobs than files would only leave processors idle that the files' ciphers could use.
  budget.Jobs = static_cast<unsigned>(std::clamp<std::size_t>(files, 1, wanted));
  budget.PerFile.cipherThreads = static_cast<int32_t>(std::max(processors / budget.Jobs, 1U));
  // A thread that reads ahead pays only when a processor is left for it.
  budget.PerFile.readAhead = budget.Jobs < processors;
  return budget;
}

}  // namespace ostrel
