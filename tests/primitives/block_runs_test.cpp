// Runs of blocks through the bulk interface: every implementation gives, block for block, what the
// single-block calls give, in ECB and CBC, both directions, whatever the run length and however a
// chain is cut into runs. The AES-instruction and the bitsliced AVX2 and AVX-512 paths are checked
// only where the processor has them (the others skip and say so); the portable paths are checked
// everywhere, chosen explicitly.
#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <functional>
#include <iostream>
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

Engine TripleDesEngine(const char* name, TripleDesImplementation implementation) {
  return {name,
          kDesBlockSize,
          kTripleDesKeySize,
          TripleDesImplementationRuns(implementation),
          [=](const Bytes& key, bool encrypt, uint8_t* blocks, int64_t count) {
            TripleDesBatchContext context;
            InitTripleDesBatchContext(key.data(), context, encrypt, implementation);
            TripleDesBlocks(context, blocks, count);
          },
          [=](const Bytes& key, bool encrypt, uint8_t* chain, uint8_t* blocks, int64_t count) {
            TripleDesBatchContext context;
            InitTripleDesBatchContext(key.data(), context, encrypt, implementation);
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
          TripleDesEngine("PortableTripleDes", TripleDesImplementation::kPortable),
          TripleDesEngine("Avx2TripleDes", TripleDesImplementation::kAvx2),
          TripleDesEngine("Avx512TripleDes", TripleDesImplementation::kAvx512)};
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

// Lengths around the number of blocks kept in flight (four for the Triple-DES tables, eight for the
// AES instructions, 256 and 512 for the bitsliced batches, where a short rest goes through the
// tables and a longer one through a padded batch), so that full groups, partial groups and the
// rest after them are all exercised.
TEST_P(BlockRuns, EveryRunLengthGivesWhatTheSingleBlockCallGives) {
  std::mt19937 random(static_cast<unsigned>(GetParam().keyLength * 7 + GetParam().blockSize));
  for (int64_t count : {0, 1, 2, 3, 7, 8, 9, 15, 16, 17, 67, 255, 256, 257, 511, 512, 513, 1100}) {
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

// A chain cut into runs of any lengths, short and batch-sized, continues exactly as one run would.
TEST_P(BlockRuns, AChainCutIntoRunsContinuesAsOneRun) {
  constexpr int64_t kBlocks = 1100;
  std::mt19937 random(11);
  const Bytes key = RandomBytes(static_cast<size_t>(GetParam().keyLength), random);
  const Bytes data = RandomBytes(kBlocks * B(), random);
  const Bytes initialChain = RandomBytes(B(), random);
  for (bool encrypt : {true, false}) {
    Bytes whole = data;
    Bytes wholeChain = initialChain;
    GetParam().cbc(key, encrypt, wholeChain.data(), whole.data(), kBlocks);

    Bytes pieces = data;
    Bytes chain = initialChain;
    int64_t first = 0;
    for (int64_t length : {1, 8, 0, 13, 45, 512, 300, 221}) {
      GetParam().cbc(key, encrypt, chain.data(), pieces.data() + first * GetParam().blockSize,
                     length);
      first += length;
    }
    ASSERT_EQ(first, kBlocks);
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

// The three Triple-DES implementations side by side on random keys, data and run lengths, beyond
// the lengths and keys chosen above.
TEST(TripleDesImplementations, AgreeOnRandomKeysAndData) {
  std::vector<TripleDesImplementation> implementations;
  for (TripleDesImplementation implementation :
       {TripleDesImplementation::kAvx2, TripleDesImplementation::kAvx512}) {
    if (TripleDesImplementationRuns(implementation)) {
      implementations.push_back(implementation);
    } else {
      std::cout << "[ NOTE     ] implementation " << static_cast<int>(implementation)
                << " skipped: this processor lacks its instructions\n";
    }
  }
  if (implementations.empty()) {
    GTEST_SKIP() << "this processor has neither AVX2 nor AVX-512";
  }
  std::mt19937 random(1977);
  for (int round = 0; round < 12; ++round) {
    const Bytes key = RandomBytes(kTripleDesKeySize, random);
    const auto count = static_cast<int64_t>(random() % 2000);
    const Bytes data = RandomBytes(static_cast<size_t>(count) * kDesBlockSize, random);
    const Bytes chain = RandomBytes(kDesBlockSize, random);
    for (bool encrypt : {true, false}) {
      auto run = [&](TripleDesImplementation implementation, Bytes& ecb, Bytes& cbc,
                     Bytes& cbcChain) {
        TripleDesBatchContext context;
        InitTripleDesBatchContext(key.data(), context, encrypt, implementation);
        EXPECT_EQ(context.Implementation, implementation);
        ecb = data;
        TripleDesBlocks(context, ecb.data(), count);
        cbc = data;
        cbcChain = chain;
        TripleDesBlocksCbc(context, cbcChain.data(), cbc.data(), count);
      };
      Bytes ecb, cbc, cbcChain;
      run(TripleDesImplementation::kPortable, ecb, cbc, cbcChain);
      for (TripleDesImplementation implementation : implementations) {
        Bytes otherEcb, otherCbc, otherChain;
        run(implementation, otherEcb, otherCbc, otherChain);
        const auto which = static_cast<int>(implementation);
        EXPECT_TRUE(otherEcb == ecb) << round << " ECB " << encrypt << " " << which;
        EXPECT_TRUE(otherCbc == cbc) << round << " CBC " << encrypt << " " << which;
        EXPECT_EQ(ToHex(otherChain), ToHex(cbcChain)) << round << " " << encrypt << " " << which;
      }
    }
  }
}

// An implementation the processor lacks falls back to the portable one, never to code that would
// stop the process.
TEST(TripleDesImplementations, AnImplementationThisProcessorLacksFallsBackToTheTables) {
  for (TripleDesImplementation implementation :
       {TripleDesImplementation::kPortable, TripleDesImplementation::kAvx2,
        TripleDesImplementation::kAvx512}) {
    TripleDesBatchContext context;
    InitTripleDesBatchContext(Bytes(kTripleDesKeySize, 7).data(), context, true, implementation);
    EXPECT_EQ(context.Implementation, TripleDesImplementationRuns(implementation)
                                          ? implementation
                                          : TripleDesImplementation::kPortable);
  }
  EXPECT_TRUE(TripleDesImplementationRuns(FastestTripleDesImplementation()));
}

}  // namespace
}  // namespace ostrel
