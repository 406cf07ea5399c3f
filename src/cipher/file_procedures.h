// Whole-file encryption: open the input, create the output, run the stream procedure, close both.
// A failing stream procedure leaves the output on disk with the blocks written before the failure.
// Decrypting, an input whose final block fails the check (too short for one, a tail count out of
// range, padding bytes that are not zero) raises "Invalid file format" before the output is
// created or emptied.
#pragma once

#include <cstdint>
#include <string_view>

namespace ostrel {

void TripleDesFileEcb(std::u16string_view inFile, std::u16string_view outFile, const uint8_t* key,
                      bool encrypt);
void TripleDesFileCbc(std::u16string_view inFile, std::u16string_view outFile, const uint8_t* key,
                      bool encrypt);
void RijndaelFileEcb(std::u16string_view inFile, std::u16string_view outFile, const uint8_t* key,
                     int32_t keyLength, bool encrypt);
void RijndaelFileCbc(std::u16string_view inFile, std::u16string_view outFile, const uint8_t* key,
                     int32_t keyLength, bool encrypt);

}  // namespace ostrel
