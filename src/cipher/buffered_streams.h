// Streams over open file handles with a buffer in front, for the stream procedures: they ask for
// one block at a time, and a system call per block would cost more than the cipher. The handles
// belong to the caller. Both remember why the system refused a transfer, so that a failure can be
// reported in the system's words instead of as a damaged file.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>

#include "cipher/stream.h"

namespace ostrel {

// Reads a file whose size is known in advance (its size when it was opened).
class BufferedInputStream : public TStream {
 public:
  // bytesRead, when given, grows as the file is read (for progress reports).
  BufferedInputStream(int handle, int64_t size, std::atomic<int64_t>* bytesRead = nullptr);

  int64_t Size() override { return size_; }
  int64_t Position() override { return position_; }
  void SetPosition(int64_t position) override;
  int32_t Read(void* buffer, int32_t count) override;

  int32_t Write(const void* /*buffer*/, int32_t /*count*/) override { return 0; }

  // The system's error code of a failed read; -1 when the file ended before its size; 0 if
  // neither happened.
  int Failure() const { return failure_; }

 private:
  bool Refill();

  int handle_;
  int64_t size_;
  int64_t position_ = 0;
  std::atomic<int64_t>* bytesRead_;
  std::unique_ptr<uint8_t[]> buffer_;
  int32_t capacity_;
  int32_t start_ = 0;
  int32_t end_ = 0;
  int failure_ = 0;
};

// Writes to a file or pipe; nothing reaches the system before the buffer fills or Flush runs.
class BufferedOutputStream : public TStream {
 public:
  // expectedSize sizes the buffer: a small file needs no large one.
  BufferedOutputStream(int handle, int64_t expectedSize);

  int64_t Size() override { return position_; }
  int64_t Position() override { return position_; }
  void SetPosition(int64_t /*position*/) override {}
  int32_t Read(void* /*buffer*/, int32_t /*count*/) override { return 0; }
  int32_t Write(const void* buffer, int32_t count) override;

  // Returns false when the system refused bytes; Failure then says why.
  bool Flush();
  int Failure() const { return failure_; }

 private:
  bool WriteThrough(const uint8_t* bytes, int32_t count);

  int handle_;
  int64_t position_ = 0;
  std::unique_ptr<uint8_t[]> buffer_;
  int32_t capacity_;
  int32_t used_ = 0;
  int failure_ = 0;
};

}  // namespace ostrel
