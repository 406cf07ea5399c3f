#include "tool/plain_chunk_cache.h"

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

PlainChunk PlainChunkCache::Find(const PlainChunkKey& key) {
  const std::lock_guard lock(mutex_);
  const auto found = index_.find(key);
  if (found == index_.end())
    return nullptr;
  order_.splice(order_.begin(), order_, found->second);
  return found->second->second;
}

void PlainChunkCache::Keep(const PlainChunkKey& key, PlainChunk chunk) {
  const std::lock_guard lock(mutex_);
  const auto found = index_.find(key);
  if (found != index_.end()) {
    order_.splice(order_.begin(), order_, found->second);
    return;
  }
  order_.emplace_front(key, std::move(chunk));
  index_.emplace(key, order_.begin());
  while (order_.size() > capacity_) {
    index_.erase(order_.back().first);
    order_.pop_back();
  }
}

}  // namespace ostrel
