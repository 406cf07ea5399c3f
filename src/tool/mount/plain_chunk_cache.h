// Decrypted pieces of mounted files, shared by all readers and bounded in number, so that the
// reads a program makes in small steps, or several programs make of one file, decrypt each piece
// once while memory stays flat however much is read. A piece being decrypted is claimed by the one
// thread that decrypts it, and others wanting it wait instead of decrypting it again: a reader
// that catches up with the decryption ahead of it takes over nothing twice. A piece is known by
// the encrypted file's identity and state (device, inode, size, modification time): a file that
// changes gets new keys and the old pieces fall out of use.
#pragma once

#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <list>
#include <memory>
#include <mutex>
#include <new>
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

// Bytes that a new piece leaves as they are: each piece is written whole by its decryption, and
// zeroing it first would cost as much as a copy.
template <typename T>
struct UninitializedAllocator : std::allocator<T> {
  template <typename U>
  struct rebind {
    using other = UninitializedAllocator<U>;
  };
  UninitializedAllocator() = default;
  template <typename U>
  explicit UninitializedAllocator(const UninitializedAllocator<U>& /*other*/) noexcept {}
  template <typename U>
  void construct(U* place) noexcept {
    ::new (static_cast<void*>(place)) U;
  }
};

using PlainBytes = std::vector<uint8_t, UninitializedAllocator<uint8_t>>;
using PlainChunk = std::shared_ptr<const PlainBytes>;

class PlainChunkCache {
 public:
  explicit PlainChunkCache(std::size_t capacity) : capacity_(capacity) {}

  // The piece, waiting while another thread decrypts it; a piece found becomes the most recently
  // used. Nothing when the piece is neither kept nor being decrypted: the caller has then claimed
  // it and must hand it to Keep, or nothing when it could not be had.
  PlainChunk FindOrClaim(const PlainChunkKey& key);
  // Claims the piece when it is neither kept nor being decrypted, without waiting: for decrypting
  // ahead of the readers. Keep must follow a claim.
  bool ClaimIfAbsent(const PlainChunkKey& key);
  // Ends a claim: keeps the piece, dropping the least recently used beyond the capacity, or, when
  // chunk is nothing, lets the threads waiting for it try for themselves.
  void Keep(const PlainChunkKey& key, PlainChunk chunk);

 private:
  struct KeyHash {
    std::size_t operator()(const PlainChunkKey& key) const noexcept;
  };
  struct Slot {
    PlainChunkKey Key;
    PlainChunk Chunk;  // nothing while claimed
  };
  using Order = std::list<Slot>;

  // Under the lock: claims the absent piece at the front of the order.
  void ClaimLocked(const PlainChunkKey& key);

  const std::size_t capacity_;
  std::mutex mutex_;
  std::condition_variable kept_;
  Order order_;  // most recently used first
  std::unordered_map<PlainChunkKey, Order::iterator, KeyHash> index_;
};

}  // namespace ostrel
