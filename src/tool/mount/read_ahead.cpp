#include "tool/mount/read_ahead.h"

#include <algorithm>

#include "cipher/ecb_random_access.h"
#include "cipher/handle_random_access.h"

namespace ostrel {
namespace {

// 64 pieces bound the cache at 8 MiB.
constexpr std::size_t kCachedPieces = 64;
// Pieces decrypted ahead of a reader going through a file: enough to keep the other cores busy
// while the kernel copies, few enough to stay well inside the cache.
constexpr int64_t kAheadPieces = 8;
// Runs of pieces waiting to be decrypted ahead: a run per thread and read, for many readers.
constexpr std::size_t kQueuedAheadRuns = 32;
// Buffers kept for the pieces to come: as many as a few readers release between two decryptions.
constexpr std::size_t kSpareBuffers = 16;

PlainChunkKey KeyOf(const FileStatus& state, int64_t index) {
  return {state.Device,
          state.Inode,
          state.Size,
          state.ModificationSeconds,
          state.ModificationNanoseconds,
          index};
}

// The plain piece key names, of a file whose plain length is length; nothing when the file proved
// shorter than its state said (changed under the reader).
PlainChunk DecryptPiece(PieceBuffers& buffers, int handle, const BlockCipher& cipher,
                        const PlainChunkKey& key, int64_t length) {
  HandleRandomAccess input(handle, key.Size);
  EcbPlainReader reader(input, cipher, FinalBlockCheck::kTailCountAndPadding);
  const int64_t bytesPerPiece = PlainPieces::kPieceBytes;
  const std::shared_ptr<PlainBytes> bytes = buffers.Take(
      static_cast<std::size_t>(std::min(bytesPerPiece, length - key.Chunk * bytesPerPiece)));
  if (reader.Read(key.Chunk * bytesPerPiece, bytes->data(), static_cast<int64_t>(bytes->size())) !=
      static_cast<int64_t>(bytes->size()))
    return nullptr;
  return bytes;
}

}  // namespace

PlainPieces::PlainPieces(unsigned aheadThreads)
    : aheadThreads_(std::max(aheadThreads, 1U)),
      buffers_(kPieceBytes, kSpareBuffers),
      pieces_(kCachedPieces),
      ahead_(aheadThreads, kQueuedAheadRuns) {}

std::shared_ptr<PlainBytes> PlainPieces::NewPiece(std::size_t size) {
  return buffers_.Take(size);
}

PlainChunk PlainPieces::Piece(const OpenedShownFile& file, const BlockCipher& cipher,
                              const FileStatus& state, int64_t index, int64_t length) {
  const PlainChunkKey key = KeyOf(state, index);
  PlainChunk piece = pieces_.FindOrClaim(key);
  if (piece)
    return piece;
  // The claim is ended whatever happens, so that no reader waits for the piece for ever.
  try {
    piece = DecryptPiece(buffers_, file.Handle, cipher, key, length);
  } catch (...) {
    pieces_.Keep(key, nullptr);
    throw;
  }
  pieces_.Keep(key, piece);
  return piece;
}

void PlainPieces::ReadAhead(const std::shared_ptr<OpenedShownFile>& file, const BlockCipher& cipher,
                            int64_t offset, int64_t end) {
  int64_t first = 0;
  int64_t last = 0;
  FileStatus state;
  int64_t length = 0;
  {
    const std::lock_guard lock(file->Mutex);
    // Requests of one pass through a file may arrive slightly out of order from the kernel's
    // threads; a read far from where the last one ended is a jump, and nothing is done ahead.
    // The first read of a file may be its only one (a program looking at how a file starts).
    const bool onward = file->NextOffset >= 0 && offset >= file->NextOffset - kPieceBytes &&
                        offset <= file->NextOffset + kPieceBytes;
    file->NextOffset = end;
    if (!onward)
      return;
    state = file->State;
    length = file->PlainLength;
    first = std::max((end - 1) / kPieceBytes + 1, file->AheadUntil);
    // A reader that asks for many pieces at once (a server sending a file) is kept two of its
    // reads ahead: the decryption of the next one must not wait for the current one to leave.
    const int64_t readPieces = (end - offset + kPieceBytes - 1) / kPieceBytes;
    const int64_t depth = std::max(kAheadPieces, 2 * readPieces);
    last = std::min((end - 1) / kPieceBytes + depth, (length - 1) / kPieceBytes);
    if (first > last)
      return;
    file->AheadUntil = last + 1;
  }
  // The pieces go to the threads in runs, one run per thread: each job posted wakes a thread, and
  // a thread woken per piece spends more on waking than a piece takes to decrypt.
  const int64_t perJob = (last - first + aheadThreads_) / aheadThreads_;
  for (int64_t start = first; start <= last; start += perJob) {
    const int64_t stop = std::min(last, start + perJob - 1);
    const bool queued = ahead_.Post([this, file, &cipher, state, start, stop, length] {
      for (int64_t index = start; index <= stop; ++index) {
        const PlainChunkKey key = KeyOf(state, index);
        if (!pieces_.ClaimIfAbsent(key))
          continue;
        // A piece that fails is left to its reader, which reports why.
        PlainChunk piece;
        try {
          piece = DecryptPiece(buffers_, file->Handle, cipher, key, length);
        } catch (...) {
          piece = nullptr;
        }
        pieces_.Keep(key, std::move(piece));
      }
    });
    if (!queued) {
      // Asked again by a later read.
      const std::lock_guard lock(file->Mutex);
      file->AheadUntil = std::min(file->AheadUntil, start);
      return;
    }
  }
}

}  // namespace ostrel
