// The encrypted stream format: a headerless run of cipher blocks whose last block carries the
// count of its data bytes in its final byte. ECB and CBC layouts, for Triple-DES (8-byte blocks,
// 16-byte key) and Rijndael (16-byte blocks, 16-, 24- or 32-byte key).
#pragma once

#include <cstdint>

#include "cipher/stream.h"

namespace ostrel {

// Writes count bytes; raises ECipherException "Error writing to temp file" when the stream
// takes fewer.
void WriteExact(TStream& stream, const void* buffer, int32_t count);

// Encrypt true: plain input, encrypted output. The input is read from its position, with block
// counts from its total Size; the output is written at its position. Failures raise
// ECipherException ("Invalid file format", "Error writing to temp file") and leave in the output
// every block written before the failing point. A final block whose tail count exceeds the
// block's data bytes (a wrong key or damaged data) raises "Invalid file format" after the blocks
// before it have been written. Block counts are 64-bit: streams of any length work.
void TripleDesStreamEcb(TStream& input, TStream& output, const uint8_t* key, bool encrypt);
void TripleDesStreamCbc(TStream& input, TStream& output, const uint8_t* key, bool encrypt);
void RijndaelStreamEcb(TStream& input, TStream& output, const uint8_t* key, int32_t keyLength,
                       bool encrypt);
void RijndaelStreamCbc(TStream& input, TStream& output, const uint8_t* key, int32_t keyLength,
                       bool encrypt);

}  // namespace ostrel
