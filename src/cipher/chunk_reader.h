// The input of a stream procedure in large chunks instead of block by block, optionally read ahead
// on a thread of its own so that reading overlaps with transforming and writing the chunk before.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <exception>
#include <memory>
#include <mutex>
#include <thread>

#include "cipher/stream.h"

namespace ostrel {

// Reads until count bytes have arrived or Read reports nothing more (a pipe may deliver a request
// in several parts). Returns the number of bytes that arrived.
int32_t ReadFull(TStream& input, uint8_t* buffer, int32_t count);

class ChunkReader {
 public:
  struct Chunk {
    uint8_t* data = nullptr;
    int32_t bytes = 0;      // what arrived
    bool complete = false;  // false: the input ended before the chunk was full
  };

  // Delivers the next `total` bytes of input in chunks of chunkBytes (the last one shorter),
  // reading no byte beyond them. With readAhead, a thread of its own reads the chunks into a small
  // ring of buffers; memory stays at a few chunks whatever the total.
  ChunkReader(TStream& input, int64_t total, int32_t chunkBytes, bool readAhead);
  // Stops the reading thread (after the read it may be in) and wipes the buffers, which may hold
  // plain text.
  ~ChunkReader();
  ChunkReader(const ChunkReader&) = delete;
  ChunkReader& operator=(const ChunkReader&) = delete;

  // The next chunk, in a buffer that stays valid and writable until the next call. False when all
  // bytes have been delivered or a chunk came back incomplete. A failure the reading thread met is
  // raised here, in the order of the chunks.
  bool Next(Chunk& chunk);

 private:
  struct Slot {
    std::unique_ptr<uint8_t[]> data;
    int32_t bytes = 0;
    bool complete = false;
    bool full = false;
    std::exception_ptr failure;
  };
  static constexpr int kSlots = 3;

  int32_t ChunkSize(int64_t offset) const;
  void ReadAhead();

  TStream& input_;
  const int64_t total_;
  const int32_t chunkBytes_;
  const int32_t bufferBytes_;
  const int slotCount_;
  Slot slots_[kSlots];
  int64_t delivered_ = 0;  // bytes handed to the caller
  int next_ = 0;           // slot of the next chunk
  bool ended_ = false;

  std::mutex mutex_;
  std::condition_variable changed_;
  bool stopping_ = false;
  std::thread reader_;
};

}  // namespace ostrel
