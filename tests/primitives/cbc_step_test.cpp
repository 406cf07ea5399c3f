// The chained block steps of both block ciphers: E(block ^ chain) when encrypting, D(block) ^ chain
// when decrypting, the chaining value left to the caller.
#include <gtest/gtest.h>

#include <vector>

#include "hex.h"
#include "primitives/des.h"
#include "primitives/rijndael.h"
#include "primitives/xor_bytes.h"

namespace ostrel {
namespace {

using test::ToHex;

struct TripleDesCipher {
  using Context = TripleDesContext;
  static constexpr int kBlockSize = kDesBlockSize;
  static constexpr int kKeySize = kTripleDesKeySize;
  static void Init(const uint8_t* key, Context& context, bool encrypt) {
    InitTripleDesContext(key, context, encrypt);
  }
  static void Block(const Context& context, uint8_t* block) { TripleDesBlock(context, block); }
  static void BlockCbc(const Context& context, const uint8_t* chain, uint8_t* block) {
    TripleDesBlockCbc(context, chain, block);
  }
};

struct Rijndael256Cipher {
  using Context = RijndaelContext;
  static constexpr int kBlockSize = kRijndaelBlockSize;
  static constexpr int kKeySize = 32;
  static void Init(const uint8_t* key, Context& context, bool encrypt) {
    InitRijndaelContext(key, kKeySize, context, encrypt);
  }
  static void Block(const Context& context, uint8_t* block) { RijndaelBlock(context, block); }
  static void BlockCbc(const Context& context, const uint8_t* chain, uint8_t* block) {
    RijndaelBlockCbc(context, chain, block);
  }
};

std::vector<uint8_t> Bytes(size_t size, int seed) {
  std::vector<uint8_t> bytes(size);
  for (size_t i = 0; i < size; ++i) {
    bytes[i] = static_cast<uint8_t>(i * 97 + static_cast<size_t>(seed) * 31 + 5);
  }
  return bytes;
}

template <typename Cipher>
class CbcStep : public testing::Test {};

using Ciphers = testing::Types<TripleDesCipher, Rijndael256Cipher>;
TYPED_TEST_SUITE(CbcStep, Ciphers);

// A zero chain gives the plain block call; any chain is XORed before encrypting and after
// decrypting; the chain itself is never changed.
TYPED_TEST(CbcStep, IsTheBlockCallAroundTheChainXor) {
  using Cipher = TypeParam;
  constexpr size_t kBlock = Cipher::kBlockSize;
  const std::vector<uint8_t> key = Bytes(Cipher::kKeySize, 1);
  for (bool encrypt : {true, false}) {
    typename Cipher::Context context;
    Cipher::Init(key.data(), context, encrypt);
    for (const std::vector<uint8_t>& chain : {std::vector<uint8_t>(kBlock, 0), Bytes(kBlock, 2)}) {
      SCOPED_TRACE(testing::Message()
                   << (encrypt ? "encrypting" : "decrypting") << " chain " << ToHex(chain));
      const std::vector<uint8_t> input = Bytes(kBlock, 3);
      std::vector<uint8_t> expected = input;
      if (encrypt) {
        XorBytes(expected.data(), chain.data(), kBlock);
        Cipher::Block(context, expected.data());
      } else {
        Cipher::Block(context, expected.data());
        XorBytes(expected.data(), chain.data(), kBlock);
      }
      const std::vector<uint8_t> chainBefore = chain;
      std::vector<uint8_t> block = input;
      Cipher::BlockCbc(context, chain.data(), block.data());
      EXPECT_EQ(ToHex(block), ToHex(expected));
      EXPECT_EQ(chain, chainBefore);
    }
  }
}

// Blocks chained by the caller's rule on both sides come back as they went in.
TYPED_TEST(CbcStep, ChainedBlocksDecryptBack) {
  using Cipher = TypeParam;
  constexpr size_t kBlock = Cipher::kBlockSize;
  const std::vector<uint8_t> key = Bytes(Cipher::kKeySize, 4);
  const std::vector<uint8_t> initialChain = Bytes(kBlock, 5);
  std::vector<uint8_t> message = Bytes(kBlock * 5, 6);
  message.insert(message.end(), message.begin(), message.begin() + kBlock);  // a repeated block

  typename Cipher::Context encrypting;
  Cipher::Init(key.data(), encrypting, true);
  std::vector<uint8_t> chain = initialChain;
  std::vector<uint8_t> encrypted = message;
  for (size_t offset = 0; offset < encrypted.size(); offset += kBlock) {
    Cipher::BlockCbc(encrypting, chain.data(), encrypted.data() + offset);
    chain.assign(encrypted.begin() + offset, encrypted.begin() + offset + kBlock);
  }
  EXPECT_NE(std::vector<uint8_t>(encrypted.begin(), encrypted.begin() + kBlock),
            std::vector<uint8_t>(encrypted.end() - kBlock, encrypted.end()));

  typename Cipher::Context decrypting;
  Cipher::Init(key.data(), decrypting, false);
  chain = initialChain;
  std::vector<uint8_t> decrypted = encrypted;
  for (size_t offset = 0; offset < decrypted.size(); offset += kBlock) {
    const std::vector<uint8_t> saved(decrypted.begin() + offset,
                                     decrypted.begin() + offset + kBlock);
    Cipher::BlockCbc(decrypting, chain.data(), decrypted.data() + offset);
    chain = saved;
  }
  EXPECT_EQ(ToHex(decrypted), ToHex(message));
}

}  // namespace
}  // namespace ostrel
