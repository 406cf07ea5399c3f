// Whole streams, encrypted or decrypted: the input read and transformed in place a chunk at a time
// (optionally on a thread of its own while the chunks before are written), the blocks of a chunk
// shared between threads where that pays. Files, pipes and strings all go this way.
#pragma once

#include <cstdint>

#include "cipher/block_cipher.h"
#include "cipher/byte_sink.h"
#include "cipher/final_block.h"
#include "cipher/stream.h"
#include "cipher/stream_schedule.h"

namespace ostrel {

enum class InputExtent {
  // Size() bytes from the position (block counts come from the size): an input that delivers
  // fewer is refused with ETruncatedStream, after the whole blocks that did arrive.
  kSize,
  // Everything until Read delivers nothing: pipes, whose length nobody knows in advance.
  kToEnd,
};

// cipher keyed for encryption.
void EncryptStream(TStream& input, ByteSink& output, const BlockCipher& cipher, StreamLayout layout,
                   InputExtent extent, const StreamSchedule& schedule);

// cipher keyed for decryption. With kSize, bytes after the last whole block are not read.
void DecryptStream(TStream& input, ByteSink& output, const BlockCipher& cipher, StreamLayout layout,
                   InputExtent extent, FinalBlockCheck check, const StreamSchedule& schedule);

// Reads the input to its end and decrypts its final block alone: the plain length of the stream.
// Raises as DecryptStream does, having decrypted nothing else.
int64_t PlainLengthOfStream(TStream& input, const BlockCipher& cipher, StreamLayout layout,
                            FinalBlockCheck check, const StreamSchedule& schedule);

// Decrypts the final block of a seekable input, from its size, before anything else is done, and
// puts the input back where it was: the plain length of the stream. Raises ETruncatedStream for an
// input shorter than the layout's minimum and EFinalBlockRejected when the final block fails the
// check, so that a caller can refuse before any output exists.
int64_t CheckFinalBlockFirst(TStream& input, const BlockCipher& cipher, StreamLayout layout,
                             FinalBlockCheck check);

}  // namespace ostrel
