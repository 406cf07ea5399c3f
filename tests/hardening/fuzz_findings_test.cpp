// Inputs the fuzz targets found, kept as tests so that what was fixed stays fixed.
#include <gtest/gtest.h>

#include <string>

#include "cipher/base64_stream.h"
#include "cipher/memory_stream.h"
#include "cipher/string_functions.h"
#include "fault_streams.h"

namespace ostrel {
namespace {

using hardening::ShortReadStream;

std::string Bytes(std::size_t length) {
  std::string bytes(length, '\0');
  for (std::size_t i = 0; i < length; ++i)
    bytes[i] = static_cast<char>(i * 73 + 5);
  return bytes;
}

// base64_fuzzer: an input whose reads came short was taken to end at the first short read, so
// encoding put fill characters inside the text and both directions dropped everything after it.
TEST(FuzzFindings, Base64GivesTheSameResultWhateverSizeTheReadsComeIn) {
  for (std::size_t length : {1u, 2u, 3u, 44u, 45u, 46u, 100u, 300u}) {
    const std::string plain = Bytes(length);
    TMemoryStream wholeInput(plain);
    TMemoryStream wholeText;
    Base64EncodeStream(wholeInput, wholeText);

    for (int32_t largest : {1, 2, 7, 44, 87}) {
      ShortReadStream input(plain, largest);
      TMemoryStream text;
      Base64EncodeStream(input, text);
      EXPECT_EQ(text.Bytes(), wholeText.Bytes()) << length << " " << largest;

      ShortReadStream encoded(wholeText.Bytes(), largest);
      TMemoryStream decoded;
      Base64DecodeStream(encoded, decoded);
      EXPECT_EQ(decoded.Bytes(), plain) << length << " " << largest;
    }
  }
}

}  // namespace
}  // namespace ostrel
