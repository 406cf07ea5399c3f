#include "cipher/chunk_reader.h"

#include <algorithm>

#include "secret/secure_wipe.h"

namespace ostrel {

int32_t ReadFull(TStream& input, uint8_t* buffer, int32_t count) {
  int32_t arrived = 0;
  while (arrived < count) {
    const int32_t moved = input.Read(buffer + arrived, count - arrived);
    if (moved <= 0) {
      break;
    }
    arrived += moved;
  }
  return arrived;
}

ChunkReader::ChunkReader(TStream& input, int64_t total, int32_t chunkBytes, bool readAhead)
    : input_(input),
      total_(std::max<int64_t>(total, 0)),
      chunkBytes_(chunkBytes),
      bufferBytes_(static_cast<int32_t>(std::min<int64_t>(chunkBytes, total_))),
      // Reading ahead pays only when there is a next chunk to read while this one is worked on.
      slotCount_(readAhead && total_ > chunkBytes ? kSlots : 1) {
  for (int i = 0; i < slotCount_; ++i) {
    slots_[i].data = std::make_unique_for_overwrite<uint8_t[]>(static_cast<size_t>(bufferBytes_));
  }
  if (slotCount_ > 1) {
    reader_ = std::thread([this] { ReadAhead(); });
  }
}

ChunkReader::~ChunkReader() {
  if (reader_.joinable()) {
    {
      const std::lock_guard lock(mutex_);
      stopping_ = true;
    }
    changed_.notify_all();
    reader_.join();
  }
  for (int i = 0; i < slotCount_; ++i) {
    SecureWipe(slots_[i].data.get(), static_cast<size_t>(bufferBytes_));
  }
}

int32_t ChunkReader::ChunkSize(int64_t offset) const {
  return static_cast<int32_t>(std::min<int64_t>(chunkBytes_, total_ - offset));
}

bool ChunkReader::Next(Chunk& chunk) {
  if (ended_ || delivered_ >= total_) {
    return false;
  }
  Slot* slot = &slots_[0];
  if (slotCount_ == 1) {
    slot->bytes = ReadFull(input_, slot->data.get(), ChunkSize(delivered_));
    slot->complete = slot->bytes == ChunkSize(delivered_);
  } else {
    std::unique_lock lock(mutex_);
    // The chunk handed out last time is done with: its slot may be filled again.
    const int previous = (next_ + slotCount_ - 1) % slotCount_;
    if (delivered_ > 0 && slots_[previous].full) {
      slots_[previous].full = false;
      changed_.notify_all();
    }
    slot = &slots_[next_];
    changed_.wait(lock, [slot] { return slot->full; });
    next_ = (next_ + 1) % slotCount_;
    if (slot->failure) {
      ended_ = true;
      std::rethrow_exception(slot->failure);
    }
  }
  chunk.data = slot->data.get();
  chunk.bytes = slot->bytes;
  chunk.complete = slot->complete;
  delivered_ += slot->bytes;
  if (!slot->complete) {
    ended_ = true;
  }
  return true;
}

// Fills the slots in turn, each as soon as the caller has finished with it, and stops after the
// last chunk, an incomplete one or a failure.
void ChunkReader::ReadAhead() {
  int64_t offset = 0;
  for (int index = 0; offset < total_; index = (index + 1) % slotCount_) {
    Slot& slot = slots_[index];
    {
      std::unique_lock lock(mutex_);
      changed_.wait(lock, [&] { return stopping_ || !slot.full; });
      if (stopping_) {
        return;
      }
    }
    const int32_t want = ChunkSize(offset);
    int32_t bytes = 0;
    std::exception_ptr failure;
    try {
      bytes = ReadFull(input_, slot.data.get(), want);
    } catch (...) {
      failure = std::current_exception();
    }
    {
      const std::lock_guard lock(mutex_);
      slot.bytes = bytes;
      slot.complete = bytes == want;
      slot.failure = failure;
      slot.full = true;
    }
    changed_.notify_all();
    if (failure || bytes != want) {
      return;
    }
    offset += want;
  }
}

}  // namespace ostrel
