// Decrypted pieces of mounted files, shared by all readers and bounded in number, so that the
// reads a program makes in small steps, or several programs make of one file, decrypt each piece
// once while memory stays flat however much is read. A piece is known by the encrypted file's
// identity and state (device, inode, size, modification time): a file that changes gets new keys
// and the old pieces fall out of use.
#pragma once

#include <cstddef>
#include <cstdint>
#include <list>
#include <memory>
#include <mutex>
#include <unordered_map>
#include <vector>

namespace ostrel {

struct PlainChunkKey {
  uint64_t Device = 0;
  uint64_t Inode = 0;
  int64_t Size = 0;
  int64_t Seconds = 0;
  int64_t Nanoseconds = 0;
  int64_t Chunk = 0;  // the piece's index: its plain offset divided by the piece size

  bool operator==(const PlainChunkKey&) const = default;
};

using PlainChunk = std::shared_ptr<const std::vector<uint8_t>>;

class PlainChunkCache {
 public:
  explicit PlainChunkCache(std::size_t capacity) : capacity_(capacity) {}

  // The piece, or nothing; a piece found becomes the most recently used.
  PlainChunk Find(const PlainChunkKey& key);
  // Keeps the piece, dropping the least recently used beyond the capacity.
  void Keep(const PlainChunkKey& key, PlainChunk chunk);

 private:
  struct KeyHash {
    std::size_t operator()(const PlainChunkKey& key) const noexcept;
  };
  using Order = std::list<std::pair<PlainChunkKey, PlainChunk>>;

  const std::size_t capacity_;
  std::mutex mutex_;
  Order order_;  // most recently used first
  std::unordered_map<PlainChunkKey, Order::iterator, KeyHash> index_;
};

}  // namespace ostrel
