#include "cipher/ecb_random_access.h"

#include <algorithm>
#include <cstring>

#include "cipher/chunk_reader.h"
#include "cipher/stream_errors.h"
#include "secret/secure_wipe.h"

namespace ostrel {
namespace {

// Blocks decrypted at a time for a long range: enough to keep the cipher busy, small enough to
// keep memory flat.
constexpr int64_t kScratchBytes = 64 * 1024;

}  // namespace

int64_t StreamRandomAccess::Size() {
  const int64_t size = stream_.Size();
  if (size < 0)
    throw ETruncatedStream();
  return size;
}

int64_t StreamRandomAccess::ReadAt(int64_t offset, uint8_t* buffer, int64_t count) {
  stream_.SetPosition(offset);
  int64_t arrived = 0;
  while (arrived < count) {
    const auto piece = static_cast<int32_t>(std::min<int64_t>(count - arrived, 1 << 30));
    const int32_t got = ReadFull(stream_, buffer + arrived, piece);
    arrived += got;
    if (got < piece)
      break;
  }
  return arrived;
}

EcbPlainReader::EcbPlainReader(RandomAccessInput& input, const BlockCipher& cipher,
                               FinalBlockCheck check)
    : input_(input), cipher_(cipher), check_(check), blockSize_(cipher.BlockSize()) {}

EcbPlainReader::~EcbPlainReader() {
  if (scratch_)
    SecureWipe(scratch_.get(), static_cast<size_t>(kScratchBytes));
}

void EcbPlainReader::ReadExactAt(int64_t offset, uint8_t* buffer, int64_t count) {
  // A file that became shorter since its size was read is as good as a truncated one.
  if (input_.ReadAt(offset, buffer, count) != count)
    throw ETruncatedStream();
}

int64_t EcbPlainReader::PlainLength() {
  if (plainLength_ >= 0)
    return plainLength_;
  blocks_ = input_.Size() / blockSize_;
  if (blocks_ < 1)
    throw ETruncatedStream();
  ReadExactAt((blocks_ - 1) * blockSize_, finalCipher_, blockSize_);
  uint8_t final[kLargestBlock];
  std::memcpy(final, finalCipher_, static_cast<size_t>(blockSize_));
  cipher_.Blocks(final, 1);
  const int32_t tail = FinalBlockDataBytes(final, blockSize_, check_);
  SecureWipe(final);
  if (tail < 0)
    throw EFinalBlockRejected();
  plainLength_ = (blocks_ - 1) * blockSize_ + tail;
  return plainLength_;
}

int64_t EcbPlainReader::Read(int64_t offset, uint8_t* buffer, int64_t count) {
  const int64_t length = PlainLength();
  if (offset < 0 || count <= 0 || offset >= length)
    return 0;
  const int64_t end = offset + std::min(count, length - offset);
  // Plain byte p is byte p mod B of block p div B, the final block included.
  int64_t position = offset;
  // Whole blocks from a block boundary are read and decrypted where they land, without a copy,
  // a scratch's worth at a time so that the cipher finds them still in the processor's cache.
  if (position % blockSize_ == 0) {
    const int64_t wholeEnd = position + (end - position) / blockSize_ * blockSize_;
    while (position < wholeEnd) {
      const int64_t piece = std::min(kScratchBytes, wholeEnd - position);
      uint8_t* const target = buffer + (position - offset);
      ReadExactAt(position, target, piece);
      cipher_.Blocks(target, piece / blockSize_);
      position += piece;
    }
  }
  // Only what remains goes through the scratch, made when first needed: a reader of whole blocks
  // neither fills nor wipes one.
  if (position < end && !scratch_)
    scratch_ = std::make_unique_for_overwrite<uint8_t[]>(static_cast<size_t>(kScratchBytes));
  while (position < end) {
    const int64_t firstBlock = position / blockSize_;
    const int64_t lastBlock =
        std::min((end - 1) / blockSize_, firstBlock + kScratchBytes / blockSize_ - 1);
    const int64_t blockCount = lastBlock - firstBlock + 1;
    ReadExactAt(firstBlock * blockSize_, scratch_.get(), blockCount * blockSize_);
    cipher_.Blocks(scratch_.get(), blockCount);
    const int64_t skip = position - firstBlock * blockSize_;
    const int64_t take = std::min(end, (lastBlock + 1) * blockSize_) - position;
    std::memcpy(buffer + (position - offset), scratch_.get() + skip, static_cast<size_t>(take));
    position += take;
  }
  return end - offset;
}

}  // namespace ostrel
