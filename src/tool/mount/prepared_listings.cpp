#include "tool/mount/prepared_listings.h"

namespace ostrel {
namespace {

constexpr std::size_t kPreparedListings = 256;
// As long as the kernel keeps attributes.
constexpr auto kPreparedListingLife = std::chrono::seconds(1);
// Listings are made ahead on spare processor time, which other programs may take for long.
constexpr auto kPreparedListingWait = std::chrono::milliseconds(50);

}  // namespace

PreparedListings::PreparedListings(unsigned threads, ListingMaker make)
    : make_(std::move(make)), jobs_(threads, kPreparedListings, JobPriority::kSpare) {}

bool PreparedListings::Take(const std::string& sourcePath, int& error, ShownListing& listing) {
  std::unique_lock lock(mutex_);
  auto found = prepared_.find(sourcePath);
  if (found == prepared_.end())
    return false;
  if (found->second.Stage == Prepared::Stage::kQueued) {
    prepared_.erase(found);  // the job finds it gone and does nothing
    return false;
  }
  const bool made = made_.wait_for(lock, kPreparedListingWait, [&] {
    found = prepared_.find(sourcePath);
    return found == prepared_.end() || found->second.Stage == Prepared::Stage::kMade;
  });
  if (found == prepared_.end())
    return false;
  if (!made) {
    prepared_.erase(found);  // the job finds it gone and keeps nothing
    return false;
  }
  const bool young = std::chrono::steady_clock::now() - found->second.Made < kPreparedListingLife;
  if (young) {
    error = found->second.Error;
    listing = std::move(found->second.Listing);
  }
  prepared_.erase(found);
  return young;
}

void PreparedListings::Prepare(const std::vector<std::string>& subdirectories) {
  for (const std::string& sourcePath : subdirectories) {
    uint64_t serial = 0;
    {
      const std::lock_guard lock(mutex_);
      if (prepared_.size() >= kPreparedListings) {
        // Listings nobody took in time make room.
        const auto now = std::chrono::steady_clock::now();
        std::erase_if(prepared_, [&](const auto& item) {
          return item.second.Stage == Prepared::Stage::kMade &&
                 now - item.second.Made >= kPreparedListingLife;
        });
        if (prepared_.size() >= kPreparedListings)
          return;
      }
      const auto [entry, added] = prepared_.try_emplace(sourcePath);
      if (!added)
        continue;  // queued or made already
      entry->second.Serial = serial = ++serial_;
    }
    if (!jobs_.Post([this, sourcePath, serial] { Make(sourcePath, serial); })) {
      const std::lock_guard lock(mutex_);
      prepared_.erase(sourcePath);
      return;
    }
  }
}

void PreparedListings::Make(const std::string& sourcePath, uint64_t serial) {
  // The job works on its own entry only: one a program took over, and any queued after it, are
  // another's.
  const auto own = [&] {
    const auto found = prepared_.find(sourcePath);
    return found != prepared_.end() && found->second.Serial == serial ? found : prepared_.end();
  };
  {
    const std::lock_guard lock(mutex_);
    const auto found = own();
    if (found == prepared_.end())
      return;  // taken over by a program that got there first
    found->second.Stage = Prepared::Stage::kMaking;
  }
  ShownListing listing;
  const int error = make_(sourcePath, listing);
  {
    const std::lock_guard lock(mutex_);
    const auto found = own();
    if (found == prepared_.end())
      return;  // a program stopped waiting for it and made its own
    Prepared& prepared = found->second;
    prepared.Stage = Prepared::Stage::kMade;
    prepared.Error = error;
    prepared.Listing = std::move(listing);
    prepared.Made = std::chrono::steady_clock::now();
  }
  made_.notify_all();
}

}  // namespace ostrel
