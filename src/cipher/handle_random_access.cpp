#include "cipher/handle_random_access.h"

#include <algorithm>

#include "errors/exceptions.h"
#include "platform/error_text.h"
#include "platform/file_handle.h"

namespace ostrel {

int64_t HandleRandomAccess::Size() {
  if (knownSize_ >= 0)
    return knownSize_;
  const FileLength length = LengthOfFile(handle_);
  if (length.Bytes < 0)
    throw Exception(SystemErrorText(length.Error));
  return length.Bytes;
}

int64_t HandleRandomAccess::ReadAt(int64_t offset, uint8_t* buffer, int64_t count) {
  int64_t arrived = 0;
  while (arrived < count) {
    const auto piece = static_cast<int32_t>(std::min<int64_t>(count - arrived, 1 << 30));
    const FileTransfer transfer =
        ReadFromFileAt(handle_, offset + arrived, buffer + arrived, piece);
    if (transfer.Error != 0)
      throw Exception(SystemErrorText(transfer.Error));
    arrived += transfer.Bytes;
    if (transfer.Bytes < piece)
      break;
  }
  return arrived;
}

}  // namespace ostrel
