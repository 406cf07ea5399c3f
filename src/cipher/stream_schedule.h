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
  // Bytes read, transformed and written at a time; taken down to whole blocks, at least one. Half
  // a MiB: a chunk is still in the processor's cache when it is transformed after being read,
  // and a gigabyte takes about two thousand hand-offs between the threads.
  int32_t chunkBytes = 512 << 10;
  // Threads that share the blocks of a chunk when the cipher is slow (Triple-DES, portable
  // Rijndael) and the layout allows it (not CBC encryption). 0: one per processor core.
  int32_t cipherThreads = 0;
  // Read and transform the next chunks on a thread of its own while the caller's thread writes
  // the ones before: the copy into the output's page cache then runs on one core while the copy
  // out of the input's and the cipher run on the other. When the other core is busy it gains
  // nothing.
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
