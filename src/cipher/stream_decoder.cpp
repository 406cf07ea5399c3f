#include "cipher/stream_decoder.h"

#include <algorithm>
#include <cstring>

#include "cipher/stream_errors.h"
#include "secret/secure_wipe.h"

namespace ostrel {

StreamDecoder::StreamDecoder(const BlockCipher& cipher, StreamLayout layout, int32_t threads,
                             FinalBlockCheck check)
    : transform_(cipher, layout, false, threads),
      layout_(layout),
      blockSize_(cipher.BlockSize()),
      check_(check),
      pending_(blockSize_) {}

StreamDecoder::~StreamDecoder() {
  SecureWipe(held_);
}

void StreamDecoder::Feed(uint8_t* bytes, int64_t count, ByteSink& output) {
  if (pending_.TopUp(bytes, count)) {
    pending_.Clear();
    Accept(pending_.Data(), 1, output);
  }
  if (pending_.Count() > 0)
    return;  // the piece did not fill the started block
  const int64_t whole = count / blockSize_;
  if (whole > 0)
    Accept(bytes, whole, output);
  pending_.Keep(bytes + whole * blockSize_, static_cast<int32_t>(count - whole * blockSize_));
}

void StreamDecoder::Accept(uint8_t* blocks, int64_t count, ByteSink& output) {
  if (holding_)
    Release(held_, 1, output);
  Release(blocks, count - 1, output);
  std::memcpy(held_, blocks + (count - 1) * blockSize_, static_cast<size_t>(blockSize_));
  holding_ = true;
}

void StreamDecoder::Release(uint8_t* blocks, int64_t count, ByteSink& output) {
  if (count <= 0)
    return;
  if (layout_ == StreamLayout::kCbc && !chained_) {
    // The chaining block is never decrypted: it is only the first chaining value.
    transform_.SetChain(blocks);
    chained_ = true;
    blocks += blockSize_;
    --count;
  }
  transform_.Apply(blocks, count);
  output.Put(blocks, count * blockSize_);
}

void StreamDecoder::Finish(ByteSink& output) {
  const bool chainMissing = layout_ == StreamLayout::kCbc && !chained_;
  if (pending_.Count() > 0 || !holding_ || chainMissing)
    throw ETruncatedStream();
  holding_ = false;
  transform_.Apply(held_, 1);
  output.Put(held_, RequireFinalBlock(held_, blockSize_, check_));
}

void StreamDecoder::FinishEarly(ByteSink& output) {
  if (holding_) {
    holding_ = false;
    Release(held_, 1, output);
  }
  throw ETruncatedStream();
}

}  // namespace ostrel
