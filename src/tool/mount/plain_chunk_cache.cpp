#include "tool/mount/plain_chunk_cache.h"

#include <functional>

namespace ostrel {

std::size_t PlainChunkCache::KeyHash::operator()(const PlainChunkKey& key) const noexcept {
  std::size_t hash = std::hash<uint64_t>()(key.Inode);
  for (const uint64_t part :
       {key.Device, static_cast<uint64_t>(key.Size), static_cast<uint64_t>(key.Seconds),
        static_cast<uint64_t>(key.Nanoseconds), static_cast<uint64_t>(key.Chunk)})
    hash = hash * 1000003U ^ std::hash<uint64_t>()(part);
  return hash;
}

void PlainChunkCache::ClaimLocked(const PlainChunkKey& key) {
  order_.push_front({key, nullptr});
  index_.emplace(key, order_.begin());
}

PlainChunk PlainChunkCache::FindOrClaim(const PlainChunkKey& key) {
  std::unique_lock lock(mutex_);
  for (;;) {
    const auto found = index_.find(key);
    if (found == index_.end()) {
      ClaimLocked(key);
      return nullptr;
    }
    if (found->second->Chunk) {
      order_.splice(order_.begin(), order_, found->second);
      return found->second->Chunk;
    }
    kept_.wait(lock);
  }
}

bool PlainChunkCache::ClaimIfAbsent(const PlainChunkKey& key) {
  const std::lock_guard lock(mutex_);
  if (index_.contains(key))
    return false;
  ClaimLocked(key);
  return true;
}

void PlainChunkCache::Keep(const PlainChunkKey& key, PlainChunk chunk) {
  {
    const std::lock_guard lock(mutex_);
    const auto found = index_.find(key);
    if (found != index_.end()) {
      if (chunk) {
        found->second->Chunk = std::move(chunk);
        order_.splice(order_.begin(), order_, found->second);
      } else {
        order_.erase(found->second);
        index_.erase(found);
      }
    }
    // Claimed pieces stay however many there are: their threads hold them and will end the claim.
    std::size_t kept = order_.size();
    for (auto slot = order_.end(); kept > capacity_ && slot != order_.begin();) {
      --slot;
      if (!slot->Chunk)
        continue;
      index_.erase(slot->Key);
      slot = order_.erase(slot);
      --kept;
    }
  }
  kept_.notify_all();
}

}  // namespace ostrel
