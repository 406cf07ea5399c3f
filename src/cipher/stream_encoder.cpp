#include "cipher/stream_encoder.h"

#include <algorithm>
#include <cstring>

#include "cipher/final_block.h"
#include "cipher/stream_seed.h"
#include "secret/secure_wipe.h"

namespace ostrel {

StreamEncoder::StreamEncoder(const BlockCipher& cipher, StreamLayout layout, int32_t threads)
    : transform_(cipher, layout, true, threads),
      layout_(layout),
      blockSize_(cipher.BlockSize()),
      pending_(blockSize_) {}

void StreamEncoder::Start(ByteSink& output) {
  if (started_)
    return;
  started_ = true;
  if (layout_ == StreamLayout::kCbc) {
    uint8_t seed[kLargestBlock] = {};
    FillChainSeed(seed, blockSize_);
    transform_.ChainFromSeed(seed);
    output.Put(seed, blockSize_);
  }
}

void StreamEncoder::Feed(uint8_t* bytes, int64_t count, ByteSink& output) {
  Start(output);
  if (pending_.TopUp(bytes, count)) {
    transform_.Apply(pending_.Data(), 1);
    output.Put(pending_.Data(), blockSize_);
    pending_.Clear();
  }
  if (pending_.Count() > 0)
    return;  // the piece did not fill the started block
  const int64_t whole = count / blockSize_;
  transform_.Apply(bytes, whole);
  output.Put(bytes, whole * blockSize_);
  pending_.Keep(bytes + whole * blockSize_, static_cast<int32_t>(count - whole * blockSize_));
}

void StreamEncoder::Finish(ByteSink& output) {
  Start(output);
  uint8_t block[kLargestBlock];
  MakeFinalBlock(pending_.Data(), pending_.Count(), block, blockSize_);
  transform_.Apply(block, 1);
  output.Put(block, blockSize_);
  SecureWipe(block);
  pending_.Clear();
}

}  // namespace ostrel
