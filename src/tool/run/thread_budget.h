// One share of the processors per run: how many files are worked on at once, and how many threads
// each file's cipher work and reading ahead may use, so that -j N never starts N times the
// machine's threads.
#pragma once

#include <cstddef>

#include "cipher/stream_schedule.h"

namespace ostrel {

struct ThreadBudget {
  unsigned Jobs = 1;       // files at once
  StreamSchedule PerFile;  // each file's cipher threads and read-ahead
};

// requestedJobs: -j (0 for one per processor); files: how many will be worked on.
ThreadBudget PlanThreads(unsigned requestedJobs, std::size_t files);

}  // namespace ostrel
