#include "tool/mount/listing_cache.h"

#include <algorithm>

#include "tool/mount/mount_paths.h"

namespace ostrel {
namespace {

// Bounds on what the cache keeps, so that browsing a huge backup keeps memory flat.
constexpr std::size_t kCachedListings = 4096;
constexpr std::size_t kCachedListingEntries = 100000;

// What a directory that shows nothing holds instead, and the option that shows it.
struct HiddenCounts {
  std::size_t Versions = 0;
  std::size_t Incomplete = 0;
};

std::string EmptyDirectoryHint(const std::string& sourcePath, const HiddenCounts& hidden) {
  std::string hint = sourcePath.empty() ? "the top directory" : sourcePath;
  hint += " shows no file:";
  if (hidden.Versions > 0) {
    hint += ' ';
    hint += std::to_string(hidden.Versions);
    hint += hidden.Versions == 1 ? " file there exists" : " files there exist";
    hint +=
        " only as earlier versions (--versions latest shows the newest of each, --versions all "
        "every version)";
  }
  if (hidden.Incomplete > 0) {
    if (hidden.Versions > 0)
      hint += ';';
    hint += ' ';
    hint += std::to_string(hidden.Incomplete);
    hint += hidden.Incomplete == 1 ? " incomplete transfer" : " incomplete transfers";
    hint += " (--include-incomplete shows them)";
  }
  return hint;
}

}  // namespace

ListingCache::ListingCache(int source, DirectoryPlanner planner, MountLog& log)
    : source_(source), planner_(std::move(planner)), log_(log) {}

int ListingCache::Entries(const std::string& sourcePath, bool fresh, SharedShownEntries& entries) {
  std::vector<std::string> reported;
  bool listedBefore = false;
  {
    const std::lock_guard lock(mutex_);
    const auto found = listings_.find(sourcePath);
    if (found != listings_.end()) {
      if (!fresh) {
        found->second.LastUse = ++uses_;
        entries = found->second.Entries;
        return 0;
      }
      listedBefore = true;
      reported = found->second.LeftOut;
    }
  }
  std::vector<DirectoryEntry> listed;
  const int error = ListSourceDirectory(source_, sourcePath, listed);
  if (error != 0)
    return MountFailure(error);
  Listing listing;
  HiddenCounts hidden;
  listing.Entries = std::make_shared<const std::vector<ShownEntry>>(planner_(
      listed, [&](const std::string& name, EntryVerdict verdict, const std::string& reason) {
        listing.LeftOut.push_back(name);
        hidden.Versions += verdict == EntryVerdict::SkippedVersion ? 1 : 0;
        hidden.Incomplete += verdict == EntryVerdict::SkippedIncomplete ? 1 : 0;
        if (std::find(reported.begin(), reported.end(), name) == reported.end())
          log_.Note("left out " + JoinSource(sourcePath, name) + ": " + reason);
      }));
  // A file manager shows an empty folder without a word: the log says what it holds instead.
  const bool showsNoFile =
      std::none_of(listing.Entries->begin(), listing.Entries->end(),
                   [](const ShownEntry& entry) { return entry.Kind != ShownKind::Directory; });
  if (!listedBefore && showsNoFile && (hidden.Versions > 0 || hidden.Incomplete > 0))
    log_.Note(EmptyDirectoryHint(sourcePath, hidden));
  entries = listing.Entries;
  listed = {};  // before the lock: a large directory's listing takes a while to free
  const std::lock_guard lock(mutex_);
  listing.LastUse = ++uses_;
  Listing& kept = listings_[sourcePath];
  cachedEntries_ -= kept.Entries ? kept.Entries->size() : 0;
  cachedEntries_ += listing.Entries->size();
  kept = std::move(listing);
  Trim(sourcePath);
  return 0;
}

void ListingCache::Trim(const std::string& keep) {
  // The new listing stays, however large, since every look-up in its directory needs it.
  while (listings_.size() > 1 &&
         (listings_.size() > kCachedListings || cachedEntries_ > kCachedListingEntries)) {
    auto oldest = listings_.end();
    for (auto it = listings_.begin(); it != listings_.end(); ++it) {
      if (it->first != keep &&
          (oldest == listings_.end() || it->second.LastUse < oldest->second.LastUse))
        oldest = it;
    }
    if (oldest == listings_.end())
      break;
    cachedEntries_ -= oldest->second.Entries->size();
    listings_.erase(oldest);
  }
}

}  // namespace ostrel
