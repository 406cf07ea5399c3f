// A stream's chunks on their way from input to output: one thread fills a chunk (reads it and
// transforms it in place) while the caller's thread writes the chunks filled before, in order.
// The buffers are allocated once per stream and reused, so memory stays at a few chunks whatever
// the stream's length, and no byte is copied between reading and writing.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <exception>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>

namespace ostrel {

class ChunkPipeline {
 public:
  struct Chunk {
    // Where the input goes: `capacity` bytes, with `margin` writable bytes before and after, so
    // that a block kept from the chunk before or a final block made after the data lies in the
    // same run as the data and is written with it.
    uint8_t* data = nullptr;
    // What the filling step sets: the bytes to write (they may begin in the margin before data),
    // and whether this is the stream's last chunk.
    uint8_t* out = nullptr;
    int64_t outBytes = 0;
    bool last = false;
  };

  // Fills one chunk. Raising ends the stream: what the chunk was given to write by then is still
  // written, then the failure reaches the caller of Run.
  using Fill = std::function<void(Chunk& chunk)>;
  // Writes one chunk's bytes; raising ends the stream.
  using Drain = std::function<void(const uint8_t* bytes, int64_t count)>;

  // ahead: fill on a thread of its own, a few chunks ahead of the writing; otherwise fill and
  // write take turns on the caller's thread, with one buffer.
  ChunkPipeline(int32_t capacity, int32_t margin, bool ahead);
  // Wipes the buffers, which hold plain text.
  ~ChunkPipeline();
  ChunkPipeline(const ChunkPipeline&) = delete;
  ChunkPipeline& operator=(const ChunkPipeline&) = delete;

  // Fills and drains chunks until a chunk is the last or something raises. Once only.
  void Run(const Fill& fill, const Drain& drain);

 private:
  struct Slot {
    Chunk chunk;
    std::exception_ptr failure;
    bool full = false;
  };
  static constexpr int kSlots = 4;

  static void FillSlot(const Fill& fill, Slot& slot);
  void RunInTurns(const Fill& fill, const Drain& drain);
  void RunAhead(const Drain& drain);
  void FillAhead(const Fill& fill);
  void Stop();

  const int32_t capacity_;
  const int32_t margin_;
  const int slotCount_;
  const size_t slotBytes_;
  uint8_t* memory_ = nullptr;
  Slot slots_[kSlots];

  // Hand-offs between the two threads; each side is woken only when it waits, so that a stream
  // whose two sides keep pace makes no system call for them.
  std::mutex mutex_;
  std::condition_variable changed_;
  bool fillerWaiting_ = false;
  bool writerWaiting_ = false;
  bool stopping_ = false;
  std::thread filler_;
};

}  // namespace ostrel
