// Listings of subdirectories made in the background while their parent is being looked at, so
// that a program going down the tree (a walk, a file manager) finds them made. Each is taken at
// most once, and only while it is no older than the kernel keeps attributes, so that a change
// below the source shows as soon as it would without them. They are made on processor time nobody
// else wants: one being made is waited for briefly, then the program's request makes its own.
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "tool/mount/background_jobs.h"
#include "tool/mount/shown_attributes.h"

namespace ostrel {

// Makes the listing of a source directory: 0 or a negated error number. Must not raise.
using ListingMaker = std::function<int(const std::string& sourcePath, ShownListing& listing)>;

class PreparedListings {
 public:
  // make must outlive this object; it runs on up to threads threads of the lowest priority.
  PreparedListings(unsigned threads, ListingMaker make);

  // The prepared listing of the directory, waiting briefly while it is being made: false when
  // there is none, or none young enough (the caller then lists it itself).
  bool Take(const std::string& sourcePath, int& error, ShownListing& listing);
  // Queues the making of the subdirectories' listings, as far as the bound on them allows.
  void Prepare(const std::vector<std::string>& subdirectories);

 private:
  struct Prepared {
    enum class Stage { kQueued, kMaking, kMade } Stage = Stage::kQueued;
    uint64_t Serial = 0;  // tells the job that made it from one that lost it
    int Error = 0;
    ShownListing Listing;
    std::chrono::steady_clock::time_point Made;
  };

  void Make(const std::string& sourcePath, uint64_t serial);

  const ListingMaker make_;
  std::mutex mutex_;  // guards what follows
  std::condition_variable made_;
  std::map<std::string, Prepared> prepared_;  // by source path
  uint64_t serial_ = 0;
  BackgroundJobs jobs_;  // declared last: its jobs use all of the above, and stop first
};

}  // namespace ostrel
