// Whole-file encryption: open the input, create the output, run the stream procedure, close both.
// A failing stream procedure leaves the output on disk with the blocks written before the failure.
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
