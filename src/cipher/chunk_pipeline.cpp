#include "cipher/chunk_pipeline.h"

#include <algorithm>
#include <new>
#include <system_error>

#include "secret/secure_wipe.h"

namespace ostrel {
namespace {

// Buffers start on a page and their data on a cache line: the copies into and out of the page
// cache then run on whole lines and pages.
constexpr size_t kPage = 4096;
constexpr size_t kLine = 64;

size_t RoundUp(size_t bytes, size_t unit) {
  return (bytes + unit - 1) / unit * unit;
}

}  // namespace

ChunkPipeline::ChunkPipeline(int32_t capacity, int32_t margin, bool ahead)
    : capacity_(std::max(capacity, 1)),
      margin_(static_cast<int32_t>(RoundUp(static_cast<size_t>(std::max(margin, 0)), kLine))),
      slotCount_(ahead ? kSlots : 1),
      slotBytes_(
          RoundUp(static_cast<size_t>(capacity_) + 2 * static_cast<size_t>(margin_), kPage)) {
  memory_ = static_cast<uint8_t*>(
      ::operator new (slotBytes_* static_cast<size_t>(slotCount_), std::align_val_t{kPage}));
  for (int i = 0; i < slotCount_; ++i)
    slots_[i].chunk.data = memory_ + static_cast<size_t>(i) * slotBytes_ + margin_;
}

ChunkPipeline::~ChunkPipeline() {
  Stop();
  SecureWipe(memory_, slotBytes_ * static_cast<size_t>(slotCount_));
  ::operator delete (memory_, std::align_val_t{kPage});
}

void ChunkPipeline::Run(const Fill& fill, const Drain& drain) {
  if (slotCount_ > 1) {
    try {
      filler_ = std::thread([this, &fill] { FillAhead(fill); });
    } catch (const std::system_error&) {
      // No thread to spare: the same chunks, written the same way, on this thread alone.
      RunInTurns(fill, drain);
      return;
    }
    RunAhead(drain);
    return;
  }
  RunInTurns(fill, drain);
}

void ChunkPipeline::FillSlot(const Fill& fill, Slot& slot) {
  Chunk& chunk = slot.chunk;
  chunk.out = nullptr;
  chunk.outBytes = 0;
  chunk.last = false;
  slot.failure = nullptr;
  try {
    fill(chunk);
  } catch (...) {
    slot.failure = std::current_exception();
  }
}

void ChunkPipeline::RunInTurns(const Fill& fill, const Drain& drain) {
  Slot& slot = slots_[0];
  while (true) {
    FillSlot(fill, slot);
    if (slot.chunk.outBytes > 0)
      drain(slot.chunk.out, slot.chunk.outBytes);
    if (slot.failure)
      std::rethrow_exception(slot.failure);
    if (slot.chunk.last)
      return;
  }
}

void ChunkPipeline::RunAhead(const Drain& drain) {
  try {
    for (int index = 0;; index = (index + 1) % slotCount_) {
      Slot& slot = slots_[index];
      {
        std::unique_lock lock(mutex_);
        if (!slot.full) {
          writerWaiting_ = true;
          changed_.wait(lock, [&slot] { return slot.full; });
          writerWaiting_ = false;
        }
      }
      if (slot.chunk.outBytes > 0)
        drain(slot.chunk.out, slot.chunk.outBytes);
      if (slot.failure)
        std::rethrow_exception(slot.failure);
      if (slot.chunk.last)
        break;
      const std::lock_guard lock(mutex_);
      slot.full = false;
      if (fillerWaiting_)
        changed_.notify_all();
    }
  } catch (...) {
    Stop();
    throw;
  }
  Stop();
}

// Fills the slots in turn, each as soon as the writer is done with it, and stops after the last
// chunk or a failure.
void ChunkPipeline::FillAhead(const Fill& fill) {
  for (int index = 0;; index = (index + 1) % slotCount_) {
    Slot& slot = slots_[index];
    {
      std::unique_lock lock(mutex_);
      if (slot.full && !stopping_) {
        fillerWaiting_ = true;
        changed_.wait(lock, [&slot, this] { return stopping_ || !slot.full; });
        fillerWaiting_ = false;
      }
      if (stopping_)
        return;
    }
    FillSlot(fill, slot);
    const bool done = slot.failure || slot.chunk.last;
    {
      const std::lock_guard lock(mutex_);
      slot.full = true;
      if (writerWaiting_)
        changed_.notify_all();
    }
    if (done)
      return;
  }
}

// Ends the filling thread, after the chunk it may be filling.
void ChunkPipeline::Stop() {
  if (!filler_.joinable())
    return;
  {
    const std::lock_guard lock(mutex_);
    stopping_ = true;
  }
  changed_.notify_all();
  filler_.join();
}

}  // namespace ostrel
