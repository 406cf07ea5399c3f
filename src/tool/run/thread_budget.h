// Every thread the tool starts is sized here, from the processors this process may run on (a
// container or taskset may allow fewer than the machine has), so that no part of the tool starts
// threads by a count of its own and -j N never starts N times the machine's threads.
//
// The threads that compute share the processors: the files worked on at once (batch workers),
// each file's cipher threads and its reader ahead, and a mount's pools. The threads that mostly
// wait take no share: one committer per batch, which flushes and renames finished outputs, and one
// progress line; each is started once.
#pragma once

#include <cstddef>

#include "cipher/stream_schedule.h"

namespace ostrel {

// The most files a batch works on at once, whatever -j asks: each holds temporary files open
// until it is committed, and the cleanup on an interruption has room for so many.
inline constexpr unsigned kMostFilesAtOnce = 64;

struct ThreadBudget {
  unsigned Jobs = 1;       // files at once (batch workers)
  StreamSchedule PerFile;  // each file's cipher threads and read-ahead
};

// requestedJobs: -j (0 for one per processor); files: how many will be worked on.
ThreadBudget PlanThreads(unsigned requestedJobs, std::size_t files);

// The batch workers for pending items: the budget's jobs, no more than there are items.
unsigned WorkersFor(unsigned jobs, std::size_t pendingItems);

// The pools of a mount.
struct MountThreads {
  // Decrypting the pieces a reader will ask for next. The reader's own thread decrypts as well,
  // so one processor is left to it; on one processor, work ahead still overlaps the kernel's
  // copying.
  unsigned ReadAhead = 1;
  // Listings made ahead of a program that walks the tree, at the lowest priority.
  unsigned ListingsAhead = 1;
  // Threads that read the lengths of one listing's files while a program waits for it.
  unsigned PerListing = 1;
};
MountThreads PlanMountThreads();

}  // namespace ostrel
