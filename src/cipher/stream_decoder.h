// Decrypting a stream whose bytes come in pieces of any size. Only the final block says how many
// of its bytes are data, and a stream read to its end does not announce which block is final: the
// decoder therefore holds back the newest whole block until more arrives or the input ends. The
// CBC layout's first block is only the first chaining value and yields nothing.
#pragma once

#include <cstdint>

#include "cipher/block_transform.h"
#include "cipher/byte_sink.h"
#include "cipher/final_block.h"
#include "cipher/partial_block.h"

namespace ostrel {

class StreamDecoder {
 public:
  // cipher: keyed for decryption; it must outlive the decoder. threads: how many may share a run.
  StreamDecoder(const BlockCipher& cipher, StreamLayout layout, int32_t threads,
                FinalBlockCheck check);
  ~StreamDecoder();
  StreamDecoder(const StreamDecoder&) = delete;
  StreamDecoder& operator=(const StreamDecoder&) = delete;

  // The bytes are decrypted in place where they form whole blocks: the buffer is scratch. Every
  // block but the newest is handed on.
  void Feed(uint8_t* bytes, int64_t count, ByteSink& output);

  // The input has ended: hands on the data bytes of the final block. Raises ETruncatedStream when
  // the input was not a whole number of blocks, or held no block besides the CBC chaining block,
  // and EFinalBlockRejected when the final block fails the check; nothing of the final block is
  // handed on then.
  void Finish(ByteSink& output);

  // The input ended before the length it announced: the block held back is handed on like those
  // before it (it was never the final one), then ETruncatedStream is raised.
  [[noreturn]] void FinishEarly(ByteSink& output);

 private:
  static constexpr int32_t kLargestBlock = 16;

  // count new whole blocks: the newest is held back, the one held before and the rest go on.
  void Accept(uint8_t* blocks, int64_t count, ByteSink& output);
  // count blocks known not to be final, in order.
  void Release(uint8_t* blocks, int64_t count, ByteSink& output);

  BlockTransform transform_;
  const StreamLayout layout_;
  const int32_t blockSize_;
  const FinalBlockCheck check_;
  uint8_t held_[kLargestBlock] = {};  // the newest whole block, still encrypted
  PartialBlock pending_;
  bool holding_ = false;
  bool chained_ = false;  // CBC: the chaining block has been taken
};

}  // namespace ostrel
