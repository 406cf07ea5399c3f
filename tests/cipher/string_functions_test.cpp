#include "cipher/string_functions.h"

#include <gtest/gtest.h>

#include <string>

#include "cipher/memory_stream.h"
#include "cipher/stream_formats.h"
#include "errors/exceptions.h"

namespace ostrel {
namespace {

constexpr uint8_t kKey[32] = {0x00, 0x01, 0x02, 0x03, 0x04, 0x05, 0x06, 0x07, 0x08, 0x09, 0x0a,
                              0x0b, 0x0c, 0x0d, 0x0e, 0x0f, 0x10, 0x11, 0x12, 0x13, 0x14, 0x15,
                              0x16, 0x17, 0x18, 0x19, 0x1a, 0x1b, 0x1c, 0x1d, 0x1e, 0x1f};

using StringFunction = std::string (*)(std::string_view, bool);

struct StringCase {
  const char* name;
  StringFunction function;
  std::size_t smallestStream;   // bytes of the encrypted empty string: one block, or two for CBC
  std::size_t emptyTextLength;  // its Base64 text: that long, ending in `emptyTextFill` "="
  std::size_t emptyTextFill;
};

std::string DesEcb(std::string_view s, bool e) {
  return TripleDesStringEcb(s, kKey, e);
}
std::string DesCbc(std::string_view s, bool e) {
  return TripleDesStringCbc(s, kKey, e);
}
std::string Rijndael128Ecb(std::string_view s, bool e) {
  return RijndaelStringEcb(s, kKey, 16, e);
}
std::string Rijndael256Ecb(std::string_view s, bool e) {
  return RijndaelStringEcb(s, kKey, 32, e);
}
std::string Rijndael192Cbc(std::string_view s, bool e) {
  return RijndaelStringCbc(s, kKey, 24, e);
}
std::string Rijndael256Cbc(std::string_view s, bool e) {
  return RijndaelStringCbc(s, kKey, 32, e);
}

const StringCase kCases[] = {
    {"TripleDesEcb", DesEcb, 8, 12, 1},
    {"TripleDesCbc", DesCbc, 16, 24, 2},
    {"Rijndael128Ecb", Rijndael128Ecb, 16, 24, 2},
    {"Rijndael256Ecb", Rijndael256Ecb, 16, 24, 2},
    {"Rijndael192Cbc", Rijndael192Cbc, 32, 44, 1},
    {"Rijndael256Cbc", Rijndael256Cbc, 32, 44, 1},
};

std::string Base64Of(const std::string& bytes) {
  TMemoryStream in(bytes);
  TMemoryStream out;
  Base64EncodeStream(in, out);
  return out.Bytes();
}

class StringEncryption : public ::testing::TestWithParam<StringCase> {};

TEST_P(StringEncryption, TheEmptyStringGivesTheTextOfTheSmallestStream) {
  const std::size_t length = GetParam().emptyTextLength;
  const std::size_t fill = GetParam().emptyTextFill;
  const std::string text = GetParam().function("", true);
  EXPECT_EQ(text.size(), length);
  EXPECT_EQ(text.find('='), length - fill);
  EXPECT_EQ(text.substr(length - fill), std::string(fill, '='));
  EXPECT_EQ(GetParam().function(text, false), "");
}

TEST_P(StringEncryption, AnyStringComesBack) {
  std::string allBytes;
  for (int i = 0; i < 256; ++i)
    allBytes.push_back(static_cast<char>(i));
  for (const std::string& plain :
       {std::string(1, '\0'), std::string("a\0b\0", 4), std::string("plain text"), allBytes,
        allBytes + allBytes + "tail"}) {
    const std::string text = GetParam().function(plain, true);
    EXPECT_EQ(
        text.find_first_not_of("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/="),
        std::string::npos);
    EXPECT_EQ(GetParam().function(text, false), plain) << plain.size();
  }
}

TEST_P(StringEncryption, TextThatDecodesToTooFewBytesIsAnInvalidFormat) {
  for (const std::string& text : {std::string(), Base64Of("abc"),
                                  Base64Of(std::string(GetParam().smallestStream - 1, 'x'))}) {
    try {
      GetParam().function(text, false);
      ADD_FAILURE() << "no exception for \"" << text << "\"";
    } catch (const ECipherException& e) {
      EXPECT_EQ(e.Message(), "Invalid file format");
    }
  }
}

TEST_P(StringEncryption, BlanksAndLineBreaksInTheTextAreRefused) {
  const std::string text = GetParam().function("some text", true);
  for (const std::string& spoiled :
       {text + "\n", " " + text, text.substr(0, 4) + "\r\n" + text.substr(4)}) {
    try {
      GetParam().function(spoiled, false);
      ADD_FAILURE() << "no exception";
    } catch (const ECipherException&) {
      ADD_FAILURE() << "raised as the cipher layer's exception";
    } catch (const Exception& e) {
      EXPECT_EQ(e.Message(), "Invalid Base64 Character");
    }
  }
}

void PrintTo(const StringCase& param, std::ostream* out) {
  *out << param.name;
}

std::string ParamName(const ::testing::TestParamInfo<StringCase>& param) {
  return param.param.name;
}

INSTANTIATE_TEST_SUITE_P(AllCiphersAndLayouts, StringEncryption, ::testing::ValuesIn(kCases),
                         ParamName);

// The text is the Base64 of exactly the encrypted stream, nothing added.
TEST(StringEncryptionText, IsTheBase64OfTheEncryptedStream) {
  TMemoryStream plain("the plain text");
  TMemoryStream encrypted;
  RijndaelStreamEcb(plain, encrypted, kKey, 32, true);
  encrypted.SetPosition(0);
  TMemoryStream text;
  Base64EncodeStream(encrypted, text);
  EXPECT_EQ(RijndaelStringEcb("the plain text", kKey, 32, true), text.Bytes());
}

}  // namespace
}  // namespace ostrel
