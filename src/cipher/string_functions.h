// String encryption: the encrypted stream of a string, as one line of standard Base64 text.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "cipher/stream.h"

namespace ostrel {

// Reads input from its position to its end and appends standard Base64 (RFC 4648) text, one line.
void Base64EncodeStream(TStream& input, TStream& output);
// Reads Base64 text in chunks of 88 characters; a character outside "+".."z" raises Exception
// "Invalid Base64 Character" (earlier chunks stay in the output).
void Base64DecodeStream(TStream& input, TStream& output);

// Encrypt true: plain bytes in, Base64 text out. Decrypt: Base64 text in, plain bytes out.
std::string TripleDesStringEcb(std::string_view input, const uint8_t* key, bool encrypt);
std::string TripleDesStringCbc(std::string_view input, const uint8_t* key, bool encrypt);
std::string RijndaelStringEcb(std::string_view input, const uint8_t* key, int32_t keyLength,
                              bool encrypt);
std::string RijndaelStringCbc(std::string_view input, const uint8_t* key, int32_t keyLength,
                              bool encrypt);

}  // namespace ostrel
