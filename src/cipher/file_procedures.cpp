#include "cipher/file_procedures.h"

#include <memory>

#include "cipher/block_cipher.h"
#include "cipher/stream_engine.h"
#include "cipher/stream_formats.h"
#include "cipher/stream_schedule.h"
#include "cipher/wide_file_stream.h"
#include "errors/exceptions.h"

namespace ostrel {
namespace {

std::unique_ptr<BlockCipher> TripleDesCheck(const uint8_t* key, bool encrypt) {
  return encrypt ? nullptr : MakeTripleDesCipher(key, false);
}

std::unique_ptr<BlockCipher> RijndaelCheck(const uint8_t* key, int32_t keyLength, bool encrypt) {
  return encrypt ? nullptr : MakeRijndaelCipher(key, keyLength, false);
}

}  // namespace

// The streams close in reverse order of opening, output first, however the run ends; a failed
// run leaves the blocks it wrote in the output.
//
// Decrypting, the final block is checked before the output is created: a wrong pass phrase or a
// damaged end must not empty a file that happens to have the output's name, nor leave garbage
// under it. The check asks for the zero bytes the writer puts before the tail count too, so that
// a wrong key gets through about once in 256 times instead of B times in 256.
void TransformFileStreams(std::u16string_view inFile, std::u16string_view outFile,
                          const BlockCipher* finalBlockCheck, StreamLayout layout,
                          const StreamRun& runStreams) {
  // The access bits and the sharing bits say two things, the first of them as zero.
  // cppcheck-suppress badBitmaskCheck
  TWideFileStream input(inFile, fmOpenRead | fmShareDenyWrite);
  if (finalBlockCheck != nullptr)
    CheckFinalBlockFirst(input, *finalBlockCheck, layout, FinalBlockCheck::kTailCountAndPadding);
  TWideFileStream output(outFile, fmCreate, &input);
  runStreams(input, output);
  // Some file systems report a lost write only when the file is closed; that must not pass for
  // a finished file.
  if (!output.Close())
    throw ECipherException("Error writing to temp file");
}

void TripleDesFileEcb(std::u16string_view inFile, std::u16string_view outFile, const uint8_t* key,
                      bool encrypt) {
  TransformFileStreams(
      inFile, outFile, TripleDesCheck(key, encrypt).get(), StreamLayout::kEcb,
      [&](TStream& input, TStream& output) { TripleDesStreamEcb(input, output, key, encrypt); });
}

void TripleDesFileCbc(std::u16string_view inFile, std::u16string_view outFile, const uint8_t* key,
                      bool encrypt) {
  TransformFileStreams(
      inFile, outFile, TripleDesCheck(key, encrypt).get(), StreamLayout::kCbc,
      [&](TStream& input, TStream& output) { TripleDesStreamCbc(input, output, key, encrypt); });
}

void RijndaelFileEcb(std::u16string_view inFile, std::u16string_view outFile, const uint8_t* key,
                     int32_t keyLength, bool encrypt) {
  TransformFileStreams(inFile, outFile, RijndaelCheck(key, keyLength, encrypt).get(),
                       StreamLayout::kEcb, [&](TStream& input, TStream& output) {
                         RijndaelStreamEcb(input, output, key, keyLength, encrypt);
                       });
}

void RijndaelFileCbc(std::u16string_view inFile, std::u16string_view outFile, const uint8_t* key,
                     int32_t keyLength, bool encrypt) {
  TransformFileStreams(inFile, outFile, RijndaelCheck(key, keyLength, encrypt).get(),
                       StreamLayout::kCbc, [&](TStream& input, TStream& output) {
                         RijndaelStreamCbc(input, output, key, keyLength, encrypt);
                       });
}

}  // namespace ostrel
