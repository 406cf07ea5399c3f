// The tool's threads follow the processors this process may run on, not the machine's count: on a
// machine shared through an affinity mask (a container, taskset), a pool sized by the machine
// would put several busy threads on each allowed processor.
#include <gtest/gtest.h>
#include <sched.h>

#include "tool/run/thread_budget.h"

namespace ostrel {
namespace {

// Restricts the calling thread to its first allowed processor while it lives.
class OneProcessor {
 public:
  OneProcessor() {
    EXPECT_EQ(::sched_getaffinity(0, sizeof saved_, &saved_), 0);
    cpu_set_t one;
    CPU_ZERO(&one);
    for (int cpu = 0; cpu < CPU_SETSIZE; ++cpu) {
      if (CPU_ISSET(cpu, &saved_)) {
        CPU_SET(cpu, &one);
        break;
      }
    }
    EXPECT_EQ(::sched_setaffinity(0, sizeof one, &one), 0);
  }
  ~OneProcessor() { (void)::sched_setaffinity(0, sizeof saved_, &saved_); }
  OneProcessor(const OneProcessor&) = delete;
  OneProcessor& operator=(const OneProcessor&) = delete;

 private:
  cpu_set_t saved_{};
};

TEST(ThreadBudget, EveryPoolFollowsTheProcessorsTheProcessMayUse) {
  const OneProcessor restricted;
  const ThreadBudget batch = PlanThreads(0, 1000);
  EXPECT_EQ(batch.Jobs, 1U);
  EXPECT_EQ(batch.PerFile.cipherThreads, 1);
  EXPECT_FALSE(batch.PerFile.readAhead);  // no processor left for it

  const MountThreads mount = PlanMountThreads();
  EXPECT_EQ(mount.ReadAhead, 1U);
  EXPECT_EQ(mount.ListingsAhead, 1U);
  EXPECT_EQ(mount.PerListing, 1U);
}

// -j asks for files at once; the budget keeps within what a batch can hold and what there is.
TEST(ThreadBudget, FilesAtOnceStayWithinTheBatchsRoomAndTheFiles) {
  const struct {
    unsigned requested;
    std::size_t files;
    unsigned jobs;
  } cases[] = {{1000, 1000, kMostFilesAtOnce}, {8, 3, 3}, {8, 0, 1}, {1, 50, 1}};
  for (const auto& c : cases) {
    SCOPED_TRACE(std::to_string(c.requested) + " for " + std::to_string(c.files));
    const ThreadBudget budget = PlanThreads(c.requested, c.files);
    EXPECT_EQ(budget.Jobs, c.jobs);
    EXPECT_EQ(WorkersFor(budget.Jobs, c.files), std::max(c.jobs, 1U));
    EXPECT_GE(budget.PerFile.cipherThreads, 1);
  }
}

}  // namespace
}  // namespace ostrel
