// The loop both system layers use to move a whole count through calls that may move less.
#pragma once

#include <cstdint>

#include "platform/file_handle.h"

namespace ostrel {

// What one call moved, or the system's error code when it failed (Bytes is then 0).
struct TransferStep {
  int64_t Bytes = 0;
  int Error = 0;
};

// Moves the whole count unless the end of the file or an error comes first; a partial transfer
// is continued. step(at, done, size) moves up to size bytes at offset done. emptyError: the
// error a call that moves nothing stands for (a write that takes no byte is a failure; a read
// that delivers none is the end of the file).
template <typename Byte, typename Step>
FileTransfer TransferAll(Byte* bytes, int32_t count, int emptyError, Step step) {
  FileTransfer result;
  while (result.Bytes < count) {
    const TransferStep moved = step(bytes + result.Bytes, result.Bytes, count - result.Bytes);
    if (moved.Error != 0) {
      result.Error = moved.Error;
      break;
    }
    if (moved.Bytes == 0) {
      result.Error = emptyError;
      break;
    }
    result.Bytes += static_cast<int32_t>(moved.Bytes);
  }
  return result;
}

}  // namespace ostrel
