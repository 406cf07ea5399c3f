// Memory for decrypted pieces, used again once the last holder of a piece lets go. A reader going
// through a large file needs a new piece every few microseconds; memory freed and allocated anew
// at that rate comes back from the system page by page, and the page faults cost as much as the
// decryption. Spare buffers are bounded: beyond them a released buffer is freed, so memory stays
// flat.
#pragma once

#include <cstddef>
#include <memory>
#include <mutex>
#include <vector>

#include "tool/mount/plain_chunk_cache.h"

namespace ostrel {

class PieceBuffers {
 public:
  // bufferBytes: the size of every buffer; spareLimit: how many unused ones are kept.
  PieceBuffers(std::size_t bufferBytes, std::size_t spareLimit);

  // A buffer of size bytes (at most the buffer size), its contents left as they are. It goes back
  // to the spares when its last holder lets go, even after this object is gone.
  std::shared_ptr<PlainBytes> Take(std::size_t size);

 private:
  // Shared with the buffers handed out, which return to it.
  struct Spares {
    std::size_t BufferBytes = 0;
    std::size_t Limit = 0;
    std::mutex Mutex;
    std::vector<std::unique_ptr<PlainBytes>> Buffers;
  };

  std::shared_ptr<Spares> spares_;
};

}  // namespace ostrel
