// Encrypting a stream whose bytes come in pieces of any size: every whole plain block is encrypted
// and handed on as soon as it is complete; when the input ends, the final block carries the bytes
// that did not fill a block. The CBC layout begins with the chaining block made from a seed.
#pragma once

#include <cstdint>

#include "cipher/block_transform.h"
#include "cipher/byte_sink.h"
#include "cipher/partial_block.h"

namespace ostrel {

class StreamEncoder {
 public:
  // cipher: keyed for encryption; it must outlive the encoder. threads: how many may share a run.
  StreamEncoder(const BlockCipher& cipher, StreamLayout layout, int32_t threads);
  StreamEncoder(const StreamEncoder&) = delete;
  StreamEncoder& operator=(const StreamEncoder&) = delete;

  // Writes what comes before the first plain block (the CBC chaining block); Feed and Finish do
  // it themselves when it has not been done.
  void Start(ByteSink& output);
  // The bytes are encrypted in place where they form whole blocks: the buffer is scratch.
  void Feed(uint8_t* bytes, int64_t count, ByteSink& output);
  // Writes the final block; nothing may be fed afterwards.
  void Finish(ByteSink& output);

 private:
  static constexpr int32_t kLargestBlock = 16;

  BlockTransform transform_;
  const StreamLayout layout_;
  const int32_t blockSize_;
  PartialBlock pending_;
  bool started_ = false;
};

}  // namespace ostrel
