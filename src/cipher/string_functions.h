// String encryption: the encrypted stream of a string, as one line of standard Base64 text.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "cipher/base64_stream.h"

namespace ostrel {

// Encrypt true: plain bytes in, Base64 text out. Decrypt: Base64 text in, plain bytes out.
std::string TripleDesStringEcb(std::string_view input, const uint8_t* key, bool encrypt);
std::string TripleDesStringCbc(std::string_view input, const uint8_t* key, bool encrypt);
std::string RijndaelStringEcb(std::string_view input, const uint8_t* key, int32_t keyLength,
                              bool encrypt);
std::string RijndaelStringCbc(std::string_view input, const uint8_t* key, int32_t keyLength,
                              bool encrypt);

}  // namespace ostrel
