#include "cipher/buffered_streams.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "platform/file_handle.h"

namespace ostrel {
namespace {

constexpr int64_t kLargestBuffer = 1 << 20;
constexpr int64_t kSmallestBuffer = 64;
// Pieces at least this large go between the caller's memory and the file directly: copying them
// through the buffer would cost as much again as the transfer, and saves no system call.
constexpr int32_t kDirectPiece = 64 << 10;

int32_t BufferSizeFor(int64_t size) {
  return static_cast<int32_t>(std::clamp(size, kSmallestBuffer, kLargestBuffer));
}

}  // namespace

BufferedInputStream::BufferedInputStream(int handle, int64_t size, std::atomic<int64_t>* bytesRead)
    : handle_(handle),
      size_(size),
      bytesRead_(bytesRead),
      buffer_(std::make_unique_for_overwrite<uint8_t[]>(BufferSizeFor(size))),
      capacity_(BufferSizeFor(size)) {}

void BufferedInputStream::SetPosition(int64_t position) {
  start_ = end_ = 0;
  position_ = SeekFile(handle_, position, SeekOrigin::Beginning);
}

bool BufferedInputStream::Refill() {
  const FileTransfer transfer = ReadFromFile(handle_, buffer_.get(), capacity_);
  const int32_t moved = transfer.Bytes;
  start_ = 0;
  end_ = moved;
  if (bytesRead_ != nullptr)
    bytesRead_->fetch_add(moved, std::memory_order_relaxed);
  if (moved < capacity_ && position_ + moved < size_ && failure_ == 0)
    failure_ = transfer.Error != 0 ? transfer.Error : -1;
  return moved > 0;
}

int32_t BufferedInputStream::Read(void* buffer, int32_t count) {
  auto* out = static_cast<uint8_t*>(buffer);
  int32_t done = 0;
  while (done < count) {
    // A large piece with an empty buffer comes straight from the file: no copy.
    if (start_ == end_ && count - done >= std::min(capacity_, kDirectPiece)) {
      const FileTransfer transfer = ReadFromFile(handle_, out + done, count - done);
      const int32_t moved = transfer.Bytes;
      if (bytesRead_ != nullptr)
        bytesRead_->fetch_add(moved, std::memory_order_relaxed);
      if (moved < count - done && position_ + moved < size_ && failure_ == 0)
        failure_ = transfer.Error != 0 ? transfer.Error : -1;
      done += moved;
      position_ += moved;
      break;
    }
    if (start_ == end_ && !Refill())
      break;
    const int32_t step = std::min(count - done, end_ - start_);
    std::memcpy(out + done, buffer_.get() + start_, static_cast<size_t>(step));
    start_ += step;
    done += step;
    position_ += step;
  }
  return done;
}

BufferedOutputStream::BufferedOutputStream(int handle, int64_t expectedSize)
    : handle_(handle),
      buffer_(std::make_unique_for_overwrite<uint8_t[]>(BufferSizeFor(expectedSize))),
      capacity_(BufferSizeFor(expectedSize)) {}

bool BufferedOutputStream::WriteThrough(const uint8_t* bytes, int32_t count) {
  const FileTransfer transfer = WriteToFile(handle_, bytes, count);
  if (transfer.Bytes == count)
    return true;
  if (failure_ == 0)
    failure_ = transfer.Error != 0 ? transfer.Error : EIO;
  return false;
}

int32_t BufferedOutputStream::Write(const void* buffer, int32_t count) {
  if (failure_ != 0)
    return 0;
  const auto* bytes = static_cast<const uint8_t*>(buffer);
  int32_t done = 0;
  while (done < count) {
    const bool direct = count - done >= std::min(capacity_, kDirectPiece);
    if (used_ == capacity_ || (direct && used_ > 0)) {
      if (!WriteThrough(buffer_.get(), used_))
        return done;
      used_ = 0;
    }
    // A large piece goes straight through, after what the buffer held: no copy.
    if (direct) {
      if (!WriteThrough(bytes + done, count - done))
        return done;
      position_ += count - done;
      return count;
    }
    const int32_t step = std::min(count - done, capacity_ - used_);
    std::memcpy(buffer_.get() + used_, bytes + done, static_cast<size_t>(step));
    used_ += step;
    done += step;
    position_ += step;
  }
  return done;
}

bool BufferedOutputStream::Flush() {
  if (failure_ != 0)
    return false;
  if (used_ > 0 && !WriteThrough(buffer_.get(), used_))
    return false;
  used_ = 0;
  return true;
}

}  // namespace ostrel
