#include "tool/mount/length_cache.h"

namespace ostrel {
namespace {

constexpr std::size_t kCachedLengths = 200000;

}  // namespace

std::optional<int64_t> PlainLengthCache::Known(const FileStatus& status) {
  const std::lock_guard lock(mutex_);
  const auto found = records_.find({status.Device, status.Inode});
  if (found != records_.end() && found->second.Size == status.Size &&
      found->second.Seconds == status.ModificationSeconds &&
      found->second.Nanoseconds == status.ModificationNanoseconds)
    return found->second.PlainLength;
  return std::nullopt;
}

bool PlainLengthCache::Recorded(uint64_t device, uint64_t inode) {
  const std::lock_guard lock(mutex_);
  return records_.contains({device, inode});
}

void PlainLengthCache::Remember(const FileStatus& status, int64_t length) {
  const std::lock_guard lock(mutex_);
  if (records_.size() >= kCachedLengths)
    records_.clear();
  records_[{status.Device, status.Inode}] = {status.Size, status.ModificationSeconds,
                                             status.ModificationNanoseconds, length};
}

}  // namespace ostrel
