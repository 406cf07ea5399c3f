// The ways an encrypted stream can fail, each a type of its own so that callers tell them apart
// without reading messages. The user sees the messages of the cipher layer: "Invalid file format"
// for the first two, "Error writing to temp file" for the third.
#pragma once

#include "errors/exceptions.h"

namespace ostrel {

// The input ended before its last whole block: shorter than its size announced, shorter than the
// layout's minimum, or (read to its end) not a whole number of blocks.
class ETruncatedStream : public ECipherException {
 public:
  ETruncatedStream() : ECipherException("Invalid file format") {}
};

// The final block does not decrypt to a well-formed final block: a wrong key or damaged data.
class EFinalBlockRejected : public ECipherException {
 public:
  EFinalBlockRejected() : ECipherException("Invalid file format") {}
};

// The output took fewer bytes than it was given (a full disk, a write error).
class EOutputRefused : public ECipherException {
 public:
  EOutputRefused() : ECipherException("Error writing to temp file") {}
};

}  // namespace ostrel
