#include "cipher/file_procedures.h"

#include "cipher/stream_formats.h"
#include "cipher/wide_file_stream.h"
#include "errors/exceptions.h"

namespace ostrel {
namespace {

// Opens the input (others may read it meanwhile, not write), creates the output and runs the
// stream procedure over the two. The streams close in reverse order of opening, output first,
// however the run ends; a failed run leaves the blocks it wrote in the output.
template <typename StreamProcedure>
void TransformFile(std::u16string_view inFile, std::u16string_view outFile,
                   StreamProcedure runStreams) {
  TWideFileStream input(inFile, fmOpenRead | fmShareDenyWrite);
  TWideFileStream output(outFile, fmCreate, &input);
  runStreams(input, output);
  // Some file systems report a lost write only when the file is closed; that must not pass for
  // a finished file.
  if (!output.Close())
    throw ECipherException("Error writing to temp file");
}

}  // namespace

void TripleDesFileEcb(std::u16string_view inFile, std::u16string_view outFile, const uint8_t* key,
                      bool encrypt) {
  TransformFile(inFile, outFile, [&](TStream& input, TStream& output) {
    TripleDesStreamEcb(input, output, key, encrypt);
  });
}

void TripleDesFileCbc(std::u16string_view inFile, std::u16string_view outFile, const uint8_t* key,
                      bool encrypt) {
  TransformFile(inFile, outFile, [&](TStream& input, TStream& output) {
    TripleDesStreamCbc(input, output, key, encrypt);
  });
}

void RijndaelFileEcb(std::u16string_view inFile, std::u16string_view outFile, const uint8_t* key,
                     int32_t keyLength, bool encrypt) {
  TransformFile(inFile, outFile, [&](TStream& input, TStream& output) {
    RijndaelStreamEcb(input, output, key, keyLength, encrypt);
  });
}

void RijndaelFileCbc(std::u16string_view inFile, std::u16string_view outFile, const uint8_t* key,
                     int32_t keyLength, bool encrypt) {
  TransformFile(inFile, outFile, [&](TStream& input, TStream& output) {
    RijndaelStreamCbc(input, output, key, keyLength, encrypt);
  });
}

}  // namespace ostrel
