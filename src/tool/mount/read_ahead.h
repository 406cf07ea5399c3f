// The plain bytes of mounted files, decrypted a piece at a time: only the pieces a read touches,
// through a cache that all readers share, and, for a reader going through a file from start to
// end, the pieces after its read decrypted ahead on the other cores.
#pragma once

#include <cstdint>
#include <memory>

#include "cipher/block_cipher.h"
#include "platform/file_status.h"
#include "tool/mount/background_jobs.h"
#include "tool/mount/opened_shown_file.h"
#include "tool/mount/piece_buffers.h"
#include "tool/mount/plain_chunk_cache.h"

namespace ostrel {

class PlainPieces {
 public:
  // Pieces the size of the kernel's smaller requests (one or two make a request), so that a
  // sequential read decrypts each piece once.
  static constexpr int64_t kPieceBytes = 128 * 1024;

  // aheadThreads: the threads that decrypt ahead of readers.
  explicit PlainPieces(unsigned aheadThreads);

  // Piece index of the file in state, whose plain length is length: from the cache, or decrypted
  // and kept there. Nothing when the file proved shorter than its state said. Raises on read
  // errors.
  PlainChunk Piece(const OpenedShownFile& file, const BlockCipher& cipher, const FileStatus& state,
                   int64_t index, int64_t length);
  // Queues the decryption of the pieces that follow a read of [offset, end), when the file is
  // read from start to end. cipher must outlive this object.
  void ReadAhead(const std::shared_ptr<OpenedShownFile>& file, const BlockCipher& cipher,
                 int64_t offset, int64_t end);
  // A buffer of up to kPieceBytes for bytes that are not decrypted here (a file shown as it is).
  std::shared_ptr<PlainBytes> NewPiece(std::size_t size);

 private:
  const int64_t aheadThreads_;
  PieceBuffers buffers_;
  PlainChunkCache pieces_;
  BackgroundJobs ahead_;  // declared after the cache, which its jobs fill: stopped first
};

}  // namespace ostrel
