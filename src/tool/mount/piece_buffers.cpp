#include "tool/mount/piece_buffers.h"

#include <utility>

namespace ostrel {

PieceBuffers::PieceBuffers(std::size_t bufferBytes, std::size_t spareLimit)
    : spares_(std::make_shared<Spares>()) {
  spares_->BufferBytes = bufferBytes;
  spares_->Limit = spareLimit;
  // Room for every spare from the start: a buffer returns from a deleter, which must not fail.
  spares_->Buffers.reserve(spareLimit);
}

std::shared_ptr<PlainBytes> PieceBuffers::Take(std::size_t size) {
  std::unique_ptr<PlainBytes> buffer;
  {
    const std::lock_guard lock(spares_->Mutex);
    if (!spares_->Buffers.empty()) {
      buffer = std::move(spares_->Buffers.back());
      spares_->Buffers.pop_back();
    }
  }
  if (!buffer) {
    buffer = std::make_unique<PlainBytes>();
    buffer->reserve(spares_->BufferBytes);
  }
  // Within the capacity reserved, a resize moves no byte and writes none.
  buffer->resize(size);
  return {buffer.release(), [spares = spares_](PlainBytes* released) {
            std::unique_ptr<PlainBytes> owned(released);
            const std::lock_guard lock(spares->Mutex);
            if (spares->Buffers.size() < spares->Limit)
              spares->Buffers.push_back(std::move(owned));
          }};
}

}  // namespace ostrel
