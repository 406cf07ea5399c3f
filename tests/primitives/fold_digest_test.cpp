#include "primitives/fold_digest.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "hex.h"

namespace ostrel {
namespace {

using test::Hex;
using test::ToHex;

const std::string kAbcDigest32 = "2aa17baa76a4c4cd4b73a5f934b4cc1a6492b853fc94eb88eeb34e7ce128867b";

std::vector<uint8_t> Pattern(size_t size) {
  std::vector<uint8_t> bytes(size);
  for (size_t i = 0; i < size; ++i) {
    bytes[i] = static_cast<uint8_t>(i * 37 + 11);
  }
  return bytes;
}

std::vector<uint8_t> Digest(const std::vector<uint8_t>& data, int32_t outLength) {
  std::vector<uint8_t> out(static_cast<size_t>(std::max(outLength, 0)));
  FoldDigest(out.data(), outLength, data.data(), static_cast<int32_t>(data.size()));
  return out;
}

void ExpectSameState(const FoldDigestContext& actual, const FoldDigestContext& expected) {
  EXPECT_EQ(actual.FoldIndex, expected.FoldIndex);
  EXPECT_EQ(actual.StirIndex, expected.StirIndex);
  EXPECT_EQ(ToHex(actual.FoldBuffer, 256), ToHex(expected.FoldBuffer, 256));
  EXPECT_EQ(ToHex(actual.StirKey, 16), ToHex(expected.StirKey, 16));
}

TEST(FoldDigest, SeedIsTheFractionOfPi) {
  EXPECT_EQ(ToHex(FoldSeed, 16), "243f6a8885a308d313198a2e03707344");
  EXPECT_EQ(ToHex(FoldSeed + 240, 16), "b4cc5c341141e8cea15486af7c72e993");
}

// The state after each stage of the worked example for "abc".
TEST(FoldDigest, WorkedExampleStates) {
  FoldDigestContext context;
  InitFoldDigest(context);
  EXPECT_EQ(context.FoldIndex, 0);
  EXPECT_EQ(context.StirIndex, 0);
  EXPECT_EQ(ToHex(context.FoldBuffer, 256), ToHex(FoldSeed, 256));
  EXPECT_EQ(ToHex(context.StirKey, 16), std::string(32, '5'));

  const std::vector<uint8_t> abc = {'a', 'b', 'c'};
  UpdateFoldDigest(context, abc.data(), 3);
  EXPECT_EQ(context.FoldIndex, 3);
  EXPECT_EQ(context.StirIndex, 3);
  EXPECT_EQ(ToHex(context.FoldBuffer, 8), "455d098885a308d3");
  EXPECT_EQ(ToHex(context.StirKey, 16), "343736" + std::string(26, '5'));

  uint8_t out[32];
  FinishFoldDigest(context, out, 32);
  EXPECT_EQ(context.FoldIndex, 8);
  EXPECT_EQ(context.StirIndex, 0);
  EXPECT_EQ(ToHex(context.FoldBuffer, 8), "455d098985a308d3");
  EXPECT_EQ(ToHex(context.StirKey, 16), "81d420e0d774b18f67b85cb468f23c0c");
  EXPECT_EQ(ToHex(out, 32), kAbcDigest32);
}

// Pieces of any size, empty and negative ones included, give the state of one feed.
TEST(FoldDigest, PiecesFedSeparatelyEqualOneFeed) {
  const std::vector<uint8_t> data = Pattern(600);
  FoldDigestContext whole;
  InitFoldDigest(whole);
  UpdateFoldDigest(whole, data.data(), static_cast<int32_t>(data.size()));

  const std::vector<std::vector<int32_t>> splits = {
      {1}, {3, 5}, {7, 8, 9}, {255, 256, 257}, {0, 0, 300}, {100, 513, 599}};
  for (const auto& cuts : splits) {
    SCOPED_TRACE(testing::PrintToString(cuts));
    FoldDigestContext pieces;
    InitFoldDigest(pieces);
    int32_t start = 0;
    for (int32_t cut : cuts) {
      UpdateFoldDigest(pieces, data.data() + start, cut - start);
      UpdateFoldDigest(pieces, data.data() + cut, -1);  // feeds nothing
      start = cut;
    }
    UpdateFoldDigest(pieces, data.data() + start, static_cast<int32_t>(data.size()) - start);
    ExpectSameState(pieces, whole);
  }

  FoldDigestContext split;
  InitFoldDigest(split);
  UpdateFoldDigest(split, reinterpret_cast<const uint8_t*>("a"), 1);
  UpdateFoldDigest(split, reinterpret_cast<const uint8_t*>("bc"), 2);
  uint8_t out[32];
  FinishFoldDigest(split, out, 32);
  EXPECT_EQ(ToHex(out, 32), kAbcDigest32);
}

// Byte 257 folds onto buffer byte 0 again, and still feeds the stir key.
TEST(FoldDigest, InputBeyond256BytesFoldsOver) {
  std::vector<uint8_t> data = Pattern(257);
  FoldDigestContext first;
  InitFoldDigest(first);
  UpdateFoldDigest(first, data.data(), 257);
  EXPECT_EQ(first.FoldIndex, 1);
  EXPECT_EQ(first.StirIndex, 1);
  EXPECT_EQ(first.FoldBuffer[0], FoldSeed[0] ^ data[0] ^ data[256]);
  EXPECT_EQ(first.FoldBuffer[1], FoldSeed[1] ^ data[1]);

  data[256] ^= 0x5A;
  FoldDigestContext second;
  InitFoldDigest(second);
  UpdateFoldDigest(second, data.data(), 257);
  EXPECT_EQ(first.FoldBuffer[0] ^ second.FoldBuffer[0], 0x5A);
  EXPECT_EQ(first.StirKey[0] ^ second.StirKey[0], 0x5A);
  EXPECT_NE(Digest(data, 32), Digest(Pattern(257), 32));
}

// The pad is 01 followed by zeros up to the next multiple of eight; a multiple of eight (empty
// input too) gets all eight bytes. It folds in where the input stopped.
TEST(FoldDigest, PadCompletesTheGroupOfEight) {
  for (size_t length : {0, 1, 7, 8, 9, 15, 16, 250, 255}) {
    SCOPED_TRACE(length);
    const std::vector<uint8_t> data = Pattern(length);
    FoldDigestContext context;
    InitFoldDigest(context);
    UpdateFoldDigest(context, data.data(), static_cast<int32_t>(length));
    uint8_t out[16];
    FinishFoldDigest(context, out, 16);

    const size_t padded = (length / 8 + 1) * 8;
    EXPECT_EQ(context.StirIndex, 0);
    EXPECT_EQ(context.FoldIndex, static_cast<int32_t>(padded % 256));
    for (size_t i = length; i < padded; ++i) {
      const uint8_t pad = i == length ? 0x01 : 0x00;
      EXPECT_EQ(context.FoldBuffer[i % 256], FoldSeed[i % 256] ^ pad) << i;
    }
  }
}

// Every output length is a prefix of the 256 bytes; more than 256 writes 256 and leaves the rest.
TEST(FoldDigest, OutputIsAPrefixOfAtMost256Bytes) {
  for (const std::vector<uint8_t>& data : {std::vector<uint8_t>{}, Pattern(3), Pattern(1000)}) {
    SCOPED_TRACE(data.size());
    std::vector<uint8_t> out(300, 0xEE);
    FoldDigest(out.data(), 300, data.data(), static_cast<int32_t>(data.size()));
    EXPECT_TRUE(std::all_of(out.begin() + 256, out.end(), [](uint8_t b) { return b == 0xEE; }));
    const std::vector<uint8_t> full(out.begin(), out.begin() + 256);
    for (int32_t length : {1, 16, 24, 32, 255, 256}) {
      EXPECT_EQ(ToHex(Digest(data, length)), ToHex(full.data(), static_cast<size_t>(length)));
    }
    for (int32_t length : {0, -1}) {
      std::vector<uint8_t> untouched(8, 0xEE);
      FoldDigest(untouched.data(), length, data.data(), static_cast<int32_t>(data.size()));
      EXPECT_EQ(untouched, std::vector<uint8_t>(8, 0xEE));
    }
  }
}

TEST(FoldDigest, EmptyPassphraseStillGivesAKey) {
  uint8_t key[32] = {};
  PassphraseToKey(key, 32, "");
  EXPECT_NE(ToHex(key, 32), std::string(64, '0'));
  EXPECT_EQ(ToHex(key, 32), ToHex(Digest({}, 32)));
}

// The pass phrase's bytes are digested exactly as given: no terminator, no stop at a zero byte,
// no change to bytes above 0x7F.
TEST(FoldDigest, PassphraseBytesAreDigestedAsGiven) {
  const std::string phrases[] = {"abc", std::string("a\0c", 3), "\xC3\xA9t\xE9", " padded "};
  for (const std::string& phrase : phrases) {
    SCOPED_TRACE(ToHex(reinterpret_cast<const uint8_t*>(phrase.data()), phrase.size()));
    uint8_t key[32];
    PassphraseToKey(key, 32, phrase);
    EXPECT_EQ(ToHex(key, 32), ToHex(Digest({phrase.begin(), phrase.end()}, 32)));
  }
  uint8_t withZero[16];
  uint8_t cut[16];
  PassphraseToKey(withZero, 16, std::string("a\0c", 3));
  PassphraseToKey(cut, 16, "a");
  EXPECT_NE(ToHex(withZero, 16), ToHex(cut, 16));
}

}  // namespace
}  // namespace ostrel
