// Whole-file encryption: open the input, create the output, run the stream procedure, close both.
// A failing stream procedure leaves the output on disk with the blocks written before the failure.
// Decrypting, an input whose final block fails the check (too short for one, a tail count out of
// range, padding bytes that are not zero) raises "Invalid file format" before the output is
// created or emptied.
#pragma once

#include <cstdint>
#include <functional>
#include <string_view>

#include "cipher/block_cipher.h"
#include "cipher/stream.h"
#include "cipher/stream_schedule.h"

namespace ostrel {

using StreamRun = std::function<void(TStream& input, TStream& output)>;

// What the procedures below share: opens the input (others may read it meanwhile, not write),
// checks its final block with finalBlockCheck (a cipher keyed for decryption; null when
// encrypting), creates the output and hands both streams to runStreams. Callers that need to
// watch or stop a run put their own view of the input in front of the stream procedure.
void TransformFileStreams(std::u16string_view inFile, std::u16string_view outFile,
                          const BlockCipher* finalBlockCheck, StreamLayout layout,
                          const StreamRun& runStreams);

void TripleDesFileEcb(std::u16string_view inFile, std::u16string_view outFile, const uint8_t* key,
                      bool encrypt);
void TripleDesFileCbc(std::u16string_view inFile, std::u16string_view outFile, const uint8_t* key,
                      bool encrypt);
void RijndaelFileEcb(std::u16string_view inFile, std::u16string_view outFile, const uint8_t* key,
                     int32_t keyLength, bool encrypt);
void RijndaelFileCbc(std::u16string_view inFile, std::u16string_view outFile, const uint8_t* key,
                     int32_t keyLength, bool encrypt);

}  // namespace ostrel
