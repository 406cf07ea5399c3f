// Runs of blocks through the bulk interface: every implementation gives, block for block, what the
// single-block calls give, in ECB and CBC, both directions, whatever the run length and however a
// chain is cut into runs. The AES-instruction path is checked only where the processor has it; the
// portable path is checked everywhere, chosen explicitly.
#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <functional>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "hex.h"
#include "primitives/des.h"
#include "primitives/rijndael.h"
#include "primitives/rijndael_blocks.h"
#include "primitives/triple_des_blocks.h"
#include "primitives/xor_bytes.h"

namespace ostrel {
namespace {

using test::ParseHex;
using test::ToHex;
using Bytes = std::vector<uint8_t>;

// One cipher at one key length behind the bulk interface, with the single-block call beside it as
// the reference.
struct Engine {
  const char* name;
  int blockSize;
  int keyLength;
  bool runs;
  std::function<void(const Bytes& key, bool encrypt, uint8_t* blocks, int64_t count)> ecb;
  std::function<void(const Bytes& key, bool encrypt, uint8_t* chain, uint8_t* blocks,
                     int64_t count)>
      cbc;
  std::function<void(const Bytes& key, bool encrypt, uint8_t* block)> one;
};

Engine RijndaelEngine(const char* name, int keyLength, RijndaelImplementation implementation) {
  return {name,
          kRijndaelBlockSize,
          keyLength,
          RijndaelImplementationRuns(implementation),
          [=](const Bytes& key, bool encrypt, uint8_t* blocks, int64_t count) {
            RijndaelBatchContext context;
            InitRijndaelBatchContext(key.data(), keyLength, context, encrypt, implementation);
            RijndaelBlocks(context, blocks, count);
          },
          [=](const Bytes& key, bool encrypt, uint8_t* chain, uint8_t* blocks, int64_t count) {
            RijndaelBatchContext context;
            InitRijndaelBatchContext(key.data(), keyLength, context, encrypt, implementation);
            RijndaelBlocksCbc(context, chain, blocks, count);
          },
          [=](const Bytes& key, bool encrypt, uint8_t* block) {
            RijndaelContext context;
            InitRijndaelContext(key.data(), keyLength, context, encrypt);
            RijndaelBlock(context, block);
          }};
}

Engine TripleDesEngine() {
  return {"TripleDes",
          kDesBlockSize,
          kTripleDesKeySize,
          true,
          [](const Bytes& key, bool encrypt, uint8_t* blocks, int64_t count) {
            TripleDesContext context;
            InitTripleDesContext(key.data(), context, encrypt);
            TripleDesBlocks(context, blocks, count);
          },
          [](const Bytes& key, bool encrypt, uint8_t* chain, uint8_t* blocks, int64_t count) {
            TripleDesContext context;
            InitTripleDesContext(key.data(), context, encrypt);
            TripleDesBlocksCbc(context, chain, blocks, count);
          },
          [](const Bytes& key, bool encrypt, uint8_t* block) {
            TripleDesContext context;
            InitTripleDesContext(key.data(), context, encrypt);
            TripleDesBlock(context, block);
          }};
}

std::vector<Engine> Engines() {
  using enum RijndaelImplementation;
  return {RijndaelEngine("PortableRijndael128", 16, kPortable),
          RijndaelEngine("PortableRijndael192", 24, kPortable),
          RijndaelEngine("PortableRijndael256", 32, kPortable),
          RijndaelEngine("AesInstructions128", 16, kAesInstructions),
          RijndaelEngine("AesInstructions192", 24, kAesInstructions),
          RijndaelEngine("AesInstructions256", 32, kAesInstructions),
          TripleDesEngine()};
}

Bytes RandomBytes(size_t size, std::mt19937& random) {
  Bytes bytes(size);
  for (uint8_t& byte : bytes) {
    byte = static_cast<uint8_t>(random());
  }
  return bytes;
}

class BlockRuns : public testing::TestWithParam<Engine> {
 protected:
  void SetUp() override {
    if (!GetParam().runs) {
      GTEST_SKIP() << "this processor lacks the instructions";
    }
  }
  size_t B() const { return static_cast<size_t>(GetParam().blockSize); }

  // The reference: the single-block call on each block, chained by the caller's rule for CBC.
  Bytes OneByOne(const Bytes& key, bool encrypt, bool chained, Bytes chain, Bytes data) const {
    for (size_t at = 0; at < data.size(); at += B()) {
      uint8_t* block = data.data() + at;
      const Bytes cipherBlock(block, block + B());
      if (chained && encrypt) {
        XorBytes(block, chain.data(), GetParam().blockSize);
      }
      GetParam().one(key, encrypt, block);
      if (chained && !encrypt) {
        XorBytes(block, chain.data(), GetParam().blockSize);
      }
      chain = encrypt ? Bytes(block, block + B()) : cipherBlock;
    }
    return data;
  }
};

// Lengths around the number of blocks kept in flight (four for Triple-DES, eight for the AES
// instructions), so that full groups, partial groups and the rest after them are all exercised.
TEST_P(BlockRuns, EveryRunLengthGivesWhatTheSingleBlockCallGives) {
  std::mt19937 random(static_cast<unsigned>(GetParam().keyLength * 7 + GetParam().blockSize));
  for (int64_t count : {0, 1, 2, 3, 7, 8, 9, 15, 16, 17, 67}) {
    const Bytes key = RandomBytes(static_cast<size_t>(GetParam().keyLength), random);
    const Bytes data = RandomBytes(static_cast<size_t>(count) * B(), random);
    const Bytes initialChain = RandomBytes(B(), random);
    for (bool encrypt : {true, false}) {
      SCOPED_TRACE(testing::Message() << count << " blocks, " << (encrypt ? "encrypt" : "decrypt"));
      Bytes ecb = data;
      GetParam().ecb(key, encrypt, ecb.data(), count);
      EXPECT_EQ(ToHex(ecb), ToHex(OneByOne(key, encrypt, false, initialChain, data)));

      Bytes cbc = data;
      Bytes chain = initialChain;
      GetParam().cbc(key, encrypt, chain.data(), cbc.data(), count);
      EXPECT_EQ(ToHex(cbc), ToHex(OneByOne(key, encrypt, true, initialChain, data)));
      // The chain continues from the last cipher block: written when encrypting, read when
      // decrypting; an empty run leaves it as it was.
      const Bytes& cipherText = encrypt ? cbc : data;
      const Bytes expectedChain =
          count == 0 ? initialChain
                     : Bytes(cipherText.end() - static_cast<long>(B()), cipherText.end());
      EXPECT_EQ(ToHex(chain), ToHex(expectedChain));
    }
  }
}

// A chain cut into runs of any lengths continues exactly as one run would.
TEST_P(BlockRuns, AChainCutIntoRunsContinuesAsOneRun) {
  std::mt19937 random(11);
  const Bytes key = RandomBytes(static_cast<size_t>(GetParam().keyLength), random);
  const Bytes data = RandomBytes(67 * B(), random);
  const Bytes initialChain = RandomBytes(B(), random);
  for (bool encrypt : {true, false}) {
    Bytes whole = data;
    Bytes wholeChain = initialChain;
    GetParam().cbc(key, encrypt, wholeChain.data(), whole.data(), 67);

    Bytes pieces = data;
    Bytes chain = initialChain;
    int64_t first = 0;
    for (int64_t length : {1, 8, 0, 13, 45}) {
      GetParam().cbc(key, encrypt, chain.data(), pieces.data() + first * GetParam().blockSize,
                     length);
      first += length;
    }
    ASSERT_EQ(first, 67);
    EXPECT_EQ(ToHex(pieces), ToHex(whole)) << encrypt;
    EXPECT_EQ(ToHex(chain), ToHex(wholeChain)) << encrypt;
  }
}

// The published answers, each block repeated enough times to fill the blocks in flight and leave
// some over.
TEST_P(BlockRuns, KnownAnswersHoldInEveryPositionOfARun) {
  const bool rijndael = GetParam().blockSize == kRijndaelBlockSize;
  const std::string path =
      std::string(OSTREL_TEST_DATA_DIR) + (rijndael ? "/rijndael.kat" : "/triple_des.kat");
  std::ifstream file(path);
  ASSERT_TRUE(file.is_open()) << path;
  int checked = 0;
  std::string line;
  while (std::getline(file, line)) {
    std::istringstream fields(line);
    std::string cipher, keyText, plainText, cipherText;
    if (!(fields >> cipher >> keyText >> plainText >> cipherText) || cipher[0] == '#') {
      continue;
    }
    const Bytes key = *ParseHex(keyText);
    if (static_cast<int>(key.size()) != GetParam().keyLength) {
      continue;
    }
    constexpr int64_t kRepeats = 11;
    Bytes plain, expected;
    for (int64_t i = 0; i < kRepeats; ++i) {
      const Bytes p = *ParseHex(plainText);
      const Bytes c = *ParseHex(cipherText);
      plain.insert(plain.end(), p.begin(), p.end());
      expected.insert(expected.end(), c.begin(), c.end());
    }
    Bytes run = plain;
    GetParam().ecb(key, true, run.data(), kRepeats);
    EXPECT_EQ(ToHex(run), ToHex(expected)) << line;
    GetParam().ecb(key, false, run.data(), kRepeats);
    EXPECT_EQ(ToHex(run), ToHex(plain)) << line;
    ++checked;
  }
  EXPECT_GT(checked, 0) << "no answer in " << path << " for this key length";
}

INSTANTIATE_TEST_SUITE_P(AllImplementations, BlockRuns, testing::ValuesIn(Engines()),
                         [](const testing::TestParamInfo<Engine>& engine) {
                           return std::string(engine.param.name);
                         });

// The two Rijndael implementations side by side on the same random keys and data.
TEST(RijndaelImplementations, AgreeOnRandomKeysAndData) {
  if (!RijndaelImplementationRuns(RijndaelImplementation::kAesInstructions)) {
    GTEST_SKIP() << "this processor lacks the AES instructions";
  }
  std::mt19937 random(2024);
  for (int round = 0; round < 20; ++round) {
    const int32_t keyLength = 16 + 8 * (round % 3);
    const Bytes key = RandomBytes(32, random);
    const auto count = static_cast<int64_t>(random() % 300);
    const Bytes data = RandomBytes(static_cast<size_t>(count) * kRijndaelBlockSize, random);
    const Bytes chain = RandomBytes(kRijndaelBlockSize, random);
    for (bool encrypt : {true, false}) {
      Bytes results[2][2];  // [implementation][ECB, CBC]
      Bytes chains[2];
      int index = 0;
      for (RijndaelImplementation implementation :
           {RijndaelImplementation::kPortable, RijndaelImplementation::kAesInstructions}) {
        RijndaelBatchContext context;
        InitRijndaelBatchContext(key.data(), keyLength, context, encrypt, implementation);
        EXPECT_EQ(context.Implementation, implementation);
        results[index][0] = data;
        RijndaelBlocks(context, results[index][0].data(), count);
        results[index][1] = data;
        chains[index] = chain;
        RijndaelBlocksCbc(context, chains[index].data(), results[index][1].data(), count);
        ++index;
      }
      EXPECT_TRUE(results[0][0] == results[1][0]) << round << " ECB " << encrypt;
      EXPECT_TRUE(results[0][1] == results[1][1]) << round << " CBC " << encrypt;
      EXPECT_EQ(ToHex(chains[0]), ToHex(chains[1])) << round << " " << encrypt;
    }
  }
}

}  // namespace
}  // namespace ostrel
