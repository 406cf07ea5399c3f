// Base64 text from anywhere, and the string functions that decode it and decrypt what it holds.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "chunked_stream.h"
#include "cipher/base64_stream.h"
#include "cipher/memory_stream.h"
#include "cipher/string_functions.h"
#include "errors/exceptions.h"
#include "property_check.h"

namespace ostrel {
namespace {

using fuzzing::ChunkedStream;

bool IsBase64Character(char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '+' ||
         c == '/' || c == '=';
}

std::string Encode(std::string_view bytes, std::string_view readSizes) {
  ChunkedStream input(bytes, readSizes);
  TMemoryStream output;
  Base64EncodeStream(input, output);
  return output.Bytes();
}

// The decoded bytes, or nothing when the text holds a character the decoder refuses.
bool Decode(std::string_view text, std::string_view readSizes, std::string* bytes) {
  ChunkedStream input(text, readSizes);
  TMemoryStream output;
  try {
    Base64DecodeStream(input, output);
  } catch (const ECipherException&) {
    OSTREL_CHECK(false);  // the refusal is the base class, never the cipher's
  } catch (const Exception& error) {
    OSTREL_CHECK(error.Message() == "Invalid Base64 Character");
    return false;
  }
  *bytes = output.Bytes();
  return true;
}

void CheckEncoding(std::string_view bytes, std::string_view readSizes) {
  const std::string text = Encode(bytes, {});
  OSTREL_CHECK(text.size() == (bytes.size() + 2) / 3 * 4);
  for (char c : text)
    OSTREL_CHECK(IsBase64Character(c));
  // The same text whatever sizes the reads come in.
  OSTREL_CHECK(Encode(bytes, readSizes) == text);
  std::string decoded;
  OSTREL_CHECK(Decode(text, {}, &decoded));
  OSTREL_CHECK(decoded == bytes);
  OSTREL_CHECK(Decode(text, readSizes, &decoded));
  OSTREL_CHECK(decoded == bytes);
}

void CheckDecoding(std::string_view text, std::string_view readSizes) {
  std::string whole;
  const bool accepted = Decode(text, {}, &whole);
  std::string pieces;
  OSTREL_CHECK(Decode(text, readSizes, &pieces) == accepted);
  if (!accepted)
    return;
  OSTREL_CHECK(pieces == whole);
  OSTREL_CHECK(whole.size() <= (text.size() + 3) / 4 * 3);
}

// Decrypting text from anywhere fails only with the two documented messages; encrypting and
// decrypting gives the string back.
template <typename Function>
void CheckStringFunction(std::string_view text, Function function) {
  try {
    const std::string plain = function(text, false);
    OSTREL_CHECK(plain.size() < text.size());
  } catch (const ECipherException& error) {
    OSTREL_CHECK(error.Message() == "Invalid file format");
  } catch (const Exception& error) {
    OSTREL_CHECK(error.Message() == "Invalid Base64 Character");
  }
  OSTREL_CHECK(function(function(text, true), false) == text);
}

}  // namespace
}  // namespace ostrel

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  using namespace ostrel;
  if (size < 1)
    return 0;
  // First byte: how many of the following bytes set the read sizes; the rest is the input.
  const std::size_t sizesLength = std::min<std::size_t>(data[0] % 8, size - 1);
  const std::string_view readSizes(reinterpret_cast<const char*>(data + 1), sizesLength);
  const std::string_view input(reinterpret_cast<const char*>(data + 1 + sizesLength),
                               size - 1 - sizesLength);

  CheckEncoding(input, readSizes);
  CheckDecoding(input, readSizes);

  static const uint8_t kKey[32] = {0x60, 0x3d, 0xeb, 0x10, 0x15, 0xca, 0x71, 0xbe, 0x2b, 0x73, 0xae,
                                   0xf0, 0x85, 0x7d, 0x77, 0x81, 0x1f, 0x35, 0x2c, 0x07, 0x3b, 0x61,
                                   0x08, 0xd7, 0x2d, 0x98, 0x10, 0xa3, 0x09, 0x14, 0xdf, 0xf4};
  switch (data[0] / 8 % 4) {
    case 0:
      CheckStringFunction(
          input, [](std::string_view s, bool e) { return TripleDesStringEcb(s, kKey, e); });
      break;
    case 1:
      CheckStringFunction(
          input, [](std::string_view s, bool e) { return TripleDesStringCbc(s, kKey, e); });
      break;
    case 2:
      CheckStringFunction(
          input, [](std::string_view s, bool e) { return RijndaelStringEcb(s, kKey, 32, e); });
      break;
    default:
      CheckStringFunction(
          input, [](std::string_view s, bool e) { return RijndaelStringCbc(s, kKey, 24, e); });
      break;
  }
  return 0;
}
