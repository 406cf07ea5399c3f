// The shown entries of source directories, as the backup model plans them, kept until a directory
// is listed again so that changes below the source show then. Bounded: the least recently used
// listings go, and are planned again when needed. Every entry left out is logged with its reason
// when its directory is first planned, and again only when it is new, so that listing a directory
// over and over does not fill the log; a directory that shows nothing says why.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "platform/directory_listing.h"
#include "tool/mount/mount_log.h"
#include "tool/mount/shown_directory.h"

namespace ostrel {

// Plans the shown entries of one listed source directory, reporting each entry it leaves out.
using DirectoryPlanner = std::function<std::vector<ShownEntry>(const std::vector<DirectoryEntry>&,
                                                               const LeftOutReport&)>;

using SharedShownEntries = std::shared_ptr<const std::vector<ShownEntry>>;

class ListingCache {
 public:
  // source: an open directory handle, the caller's, which must outlive the cache.
  ListingCache(int source, DirectoryPlanner planner, MountLog& log);

  // The entries of the directory at sourcePath ("" for the source), planned afresh when fresh or
  // not kept; 0 or a negated error number. Raises what the planner raises.
  int Entries(const std::string& sourcePath, bool fresh, SharedShownEntries& entries);

 private:
  struct Listing {
    SharedShownEntries Entries;
    std::vector<std::string> LeftOut;
    uint64_t LastUse = 0;
  };

  // Under the lock: drops the least recently used listings except keep, down to the bounds.
  void Trim(const std::string& keep);

  const int source_;
  const DirectoryPlanner planner_;
  MountLog& log_;
  std::mutex mutex_;  // guards what follows
  std::map<std::string, Listing> listings_;
  std::size_t cachedEntries_ = 0;
  uint64_t uses_ = 0;
};

}  // namespace ostrel
