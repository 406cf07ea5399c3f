#include "primitives/feistel128.h"

#include <gtest/gtest.h>

#include <array>
#include <climits>
#include <cstring>

#include "hex.h"

namespace ostrel {
namespace {

using test::Hex;
using test::ToHex;

// The stir key of the digest of "abc", whose subkeys are known.
const std::vector<uint8_t> kKey = Hex("81d420e0d774b18f67b85cb468f23c0c");

std::string SubKeyBytes(const Feistel128Context& context, int index) {
  uint8_t bytes[8];
  for (int word = 0; word < 2; ++word) {
    for (int i = 0; i < 4; ++i) {
      bytes[4 * word + i] = static_cast<uint8_t>(context.SubKeys[index][word] >> (8 * i));
    }
  }
  return ToHex(bytes, sizeof bytes);
}

TEST(Feistel128, FirstSubkeysOfTheWorkedExample) {
  Feistel128Context context;
  InitFeistel128Context(kKey.data(), context, 8, true);
  EXPECT_EQ(SubKeyBytes(context, 0), "daa54cd4accf05f6");
  EXPECT_EQ(SubKeyBytes(context, 1), "c73c03da342c1355");
  EXPECT_EQ(context.Direction, 1);
}

// Every request is clamped to 4..16 and still round-trips; the round count changes the result.
TEST(Feistel128, RoundCountIsClampedAndEveryCountRoundTrips) {
  struct Case {
    int32_t requested;
    int32_t used;
  };
  const Case cases[] = {{INT32_MIN, 4}, {-1, 4},  {0, 4},   {3, 4},   {4, 4},     {5, 5},
                        {8, 8},         {15, 15}, {16, 16}, {17, 16}, {1000, 16}, {INT32_MAX, 16}};
  const std::vector<uint8_t> plain = Hex("00112233445566778899aabbccddeeff");
  std::string previous;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.requested);
    Feistel128Context encrypting;
    Feistel128Context decrypting;
    InitFeistel128Context(kKey.data(), encrypting, c.requested, true);
    InitFeistel128Context(kKey.data(), decrypting, c.requested, false);
    EXPECT_EQ(encrypting.RoundCount, c.used);
    EXPECT_EQ(decrypting.RoundCount, c.used);

    std::vector<uint8_t> block = plain;
    Feistel128Block(encrypting, block.data());
    EXPECT_NE(block, plain);
    Feistel128Block(decrypting, block.data());
    EXPECT_EQ(ToHex(block), ToHex(plain));
  }
}

// The round count decides only how many subkeys are used, never their values.
TEST(Feistel128, SubkeysDoNotDependOnTheRoundCount) {
  Feistel128Context four;
  Feistel128Context sixteen;
  InitFeistel128Context(kKey.data(), four, 4, true);
  InitFeistel128Context(kKey.data(), sixteen, 16, true);
  EXPECT_EQ(0, std::memcmp(four.SubKeys, sixteen.SubKeys, sizeof four.SubKeys));
}

// Groups 2 and 3 are used only beyond 8 rounds, so the worked example cannot show that each group
// starts again from the key words and its own constant; this does.
TEST(Feistel128, EachSubkeyGroupStartsFromTheKey) {
  const uint32_t constants[4] = {0x55555555, 0xAAAAAAAA, 0x33333333, 0xCCCCCCCC};
  const std::vector<uint8_t> key = Hex("000102030405060708090a0b0c0d0e0f");
  uint32_t k[4];
  for (int i = 0; i < 4; ++i) {
    k[i] = static_cast<uint32_t>(key[4 * i]) | static_cast<uint32_t>(key[4 * i + 1]) << 8 |
           static_cast<uint32_t>(key[4 * i + 2]) << 16 |
           static_cast<uint32_t>(key[4 * i + 3]) << 24;
  }
  Feistel128Context context;
  InitFeistel128Context(key.data(), context, 16, true);
  for (int group = 0; group < 4; ++group) {
    SCOPED_TRACE(group);
    const uint32_t c = constants[group];
    uint32_t s[8] = {k[0], c, k[1], c, k[2], c, k[3], c};
    for (int pass = 0; pass < 8; ++pass) {
      MixEightWords(s[0], s[1], s[2], s[3], s[4], s[5], s[6], s[7]);
    }
    for (int i = 0; i < 8; ++i) {
      EXPECT_EQ(context.SubKeys[4 * group + i / 2][i % 2], s[i]);
    }
  }
}

// A decrypting context reverses only the subkeys its rounds use; the rest keep their places.
TEST(Feistel128, DecryptingContextReversesTheUsedSubkeys) {
  for (int32_t rounds : {4, 5, 8, 16}) {
    SCOPED_TRACE(rounds);
    Feistel128Context encrypting;
    Feistel128Context decrypting;
    InitFeistel128Context(kKey.data(), encrypting, rounds, true);
    InitFeistel128Context(kKey.data(), decrypting, rounds, false);
    EXPECT_EQ(decrypting.Direction, 0);
    for (int i = 0; i < 16; ++i) {
      const int source = i < rounds ? rounds - 1 - i : i;
      EXPECT_EQ(decrypting.SubKeys[i][0], encrypting.SubKeys[source][0]) << i;
      EXPECT_EQ(decrypting.SubKeys[i][1], encrypting.SubKeys[source][1]) << i;
    }
  }
}

}  // namespace
}  // namespace ostrel
