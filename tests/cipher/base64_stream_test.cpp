#include "cipher/base64_stream.h"

#include <gtest/gtest.h>

#include <string>

#include "cipher/memory_stream.h"
#include "errors/exceptions.h"

namespace ostrel {
namespace {

std::string Encode(const std::string& bytes) {
  TMemoryStream in(bytes);
  TMemoryStream out;
  Base64EncodeStream(in, out);
  return out.Bytes();
}

std::string Decode(const std::string& text) {
  TMemoryStream in(text);
  TMemoryStream out;
  Base64DecodeStream(in, out);
  return out.Bytes();
}

// Bytes (37·i + 11) mod 256: every chunk differs, so a repeated or dropped chunk shows.
std::string Pattern(int length) {
  std::string bytes;
  for (int i = 0; i < length; ++i)
    bytes.push_back(static_cast<char>((i * 37 + 11) % 256));
  return bytes;
}

TEST(Base64, EncodesAndDecodesTheRfc4648Vectors) {
  const struct {
    std::string bytes, text;
  } cases[] = {
      {"", ""},
      {"f", "Zg=="},
      {"fo", "Zm8="},
      {"foo", "Zm9v"},
      {"foob", "Zm9vYg=="},
      {"fooba", "Zm9vYmE="},
      {"foobar", "Zm9vYmFy"},
      {std::string("\0\xFF\xFE", 3), "AP/+"},
  };
  for (const auto& [bytes, text] : cases) {
    EXPECT_EQ(Encode(bytes), text);
    EXPECT_EQ(Decode(text), bytes) << text;
  }
}

// The encoder works in 45-byte and the decoder in 88-character chunks; the text must not show
// where a chunk ended.
TEST(Base64, ChunkBoundariesDoNotShowInTheText) {
  const struct {
    int length;
    std::string text;
  } cases[] = {
      {44, "CzBVep/E6Q4zWH2ix+wRNluApcrvFDleg6jN8hc8YYar0PUaP2SJrtP4HUI="},
      {45, "CzBVep/E6Q4zWH2ix+wRNluApcrvFDleg6jN8hc8YYar0PUaP2SJrtP4HUJn"},
      {46, "CzBVep/E6Q4zWH2ix+wRNluApcrvFDleg6jN8hc8YYar0PUaP2SJrtP4HUJnjA=="},
      {90,
       "CzBVep/E6Q4zWH2ix+wRNluApcrvFDleg6jN8hc8YYar0PUaP2SJrtP4HUJnjLHW+yBFao+02f4jSG2St9wBJktwlb"
       "rfBClOc5i94gcsUXabwOUKL1R5nsPo"},
      {91,
       "CzBVep/E6Q4zWH2ix+wRNluApcrvFDleg6jN8hc8YYar0PUaP2SJrtP4HUJnjLHW+yBFao+02f4jSG2St9wBJktwlb"
       "rfBClOc5i94gcsUXabwOUKL1R5nsPoDQ=="},
      {100,
       "CzBVep/E6Q4zWH2ix+wRNluApcrvFDleg6jN8hc8YYar0PUaP2SJrtP4HUJnjLHW+yBFao+02f4jSG2St9wBJktwlb"
       "rfBClOc5i94gcsUXabwOUKL1R5nsPoDTJXfKHG6xA1Wg=="},
  };
  for (const auto& [length, text] : cases) {
    EXPECT_EQ(Encode(Pattern(length)), text) << length;
    EXPECT_EQ(Decode(text), Pattern(length)) << length;
  }
}

TEST(Base64, LargeInputsComeBack) {
  const std::string bytes = Pattern(100'003);
  EXPECT_EQ(Decode(Encode(bytes)), bytes);
}

// Decoding goes on after a filled group; characters of the range that are not in the alphabet
// count as 127 and pass into the bits as they are.
TEST(Base64, DecodesPastFillAndThroughNonAlphabetCharacters) {
  EXPECT_EQ(Decode("Zg==Zm8=Zm9v"), "ffofoo");
  EXPECT_EQ(Decode("Zm9["), "fo\x7F");                        // (61 << 6 | 127) & 0xFF
  EXPECT_EQ(Decode("Z=AA"), std::string("\x67\xF0\x00", 3));  // "=" in second place is 127 too
}

// An unfilled last group gives the whole bytes its characters carry, and never more.
TEST(Base64, AnIncompleteLastGroupGivesTheWholeBytesItCarries) {
  const struct {
    std::string text, bytes;
  } cases[] = {
      {"Z", ""}, {"Zg", "f"}, {"Zm8", "fo"}, {"Zm=", "f"}, {"Zm9vY", "foo"}, {"Zm9vYmE", "fooba"},
  };
  for (const auto& [text, bytes] : cases)
    EXPECT_EQ(Decode(text), bytes) << text;
}

TEST(Base64, CharactersOutsidePlusToZRaiseTheBaseException) {
  for (const std::string& text : std::initializer_list<std::string>{
           "Zm9v Zg==", "Zm9v\nZg==", "Zm9v\r\n", "\tZg==", "Zm9{", "Zm*v", "Zm9v\x80",
           "Zg= ", std::string("Zm\0v", 4), "Zm9vZ "}) {
    try {
      Decode(text);
      ADD_FAILURE() << "no exception for " << text;
    } catch (const ECipherException&) {
      ADD_FAILURE() << "raised as the cipher layer's exception";
    } catch (const Exception& e) {
      EXPECT_STREQ(e.ClassName(), "Exception");
      EXPECT_EQ(e.Message(), "Invalid Base64 Character");
    }
  }
}

TEST(Base64, AnInvalidCharacterKeepsTheEarlierChunksInTheOutput) {
  const std::string firstChunk = Encode(Pattern(66));  // exactly 88 characters
  ASSERT_EQ(firstChunk.size(), 88u);
  TMemoryStream in(firstChunk + "Zm9vZg==Zg\n=");
  TMemoryStream out;
  EXPECT_THROW(Base64DecodeStream(in, out), Exception);
  EXPECT_EQ(out.Bytes(), Pattern(66));
}

TEST(Base64, ReadsFromTheInputPositionAndAppendsAtTheOutputPosition) {
  TMemoryStream in("skip:Zm9v");
  in.SetPosition(5);
  TMemoryStream out("kept ");
  out.SetPosition(5);
  Base64DecodeStream(in, out);
  EXPECT_EQ(out.Bytes(), "kept foo");

  TMemoryStream plain("skip:foo");
  plain.SetPosition(5);
  Base64EncodeStream(plain, out);
  EXPECT_EQ(out.Bytes(), "kept fooZm9v");
}

}  // namespace
}  // namespace ostrel
