// How the stream procedures schedule their work. The bytes written, the errors raised and what a
// failure leaves in the output never depend on it; only speed and memory do. The four procedures of
// stream_formats.h use the defaults; tests choose small chunks to reach chunk boundaries with small
// streams, and the portable Rijndael and each Triple-DES implementation to check them all on one
// processor.
#pragma once

#include <cstdint>
#include <optional>

#include "cipher/stream.h"
#include "primitives/triple_des_blocks.h"

namespace ostrel {

enum class StreamLayout { kEcb, kCbc };

struct StreamSchedule {
  // Bytes read, transformed and written at a time; taken down to whole blocks, at least one.
  int32_t chunkBytes = 1 << 20;
  // Threads that share the blocks of a chunk when the cipher is slow (Triple-DES, portable
  // Rijndael) and the layout allows it (not CBC encryption). 0: one per processor core.
  int32_t cipherThreads = 0;
  // Read the next chunk on a thread of its own while this one is transformed and written: the copy
  // out of the page cache then runs on a second core. On an otherwise idle two-core machine this
  // takes a 1 GiB file from 1.6 to 1.4-1.5 times the time of cat; when the other core is busy it
  // gains nothing.
  bool readAhead = true;
  // Rijndael on table look-ups even where the processor has AES instructions.
  bool portableRijndael = false;
  // The Triple-DES implementation; empty: the fastest this processor runs.
  std::optional<TripleDesImplementation> tripleDes;
};

// The stream procedures with an explicit schedule; keyLength as for RijndaelStreamEcb.
void TripleDesStream(TStream& input, TStream& output, const uint8_t* key, StreamLayout layout,
                     bool encrypt, const StreamSchedule& schedule);
void RijndaelStream(TStream& input, TStream& output, const uint8_t* key, int32_t keyLength,
                    StreamLayout layout, bool encrypt, const StreamSchedule& schedule);

}  // namespace ostrel
