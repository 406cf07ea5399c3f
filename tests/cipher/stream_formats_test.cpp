#include "cipher/stream_formats.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "cipher/memory_stream.h"
#include "errors/exceptions.h"
#include "platform/millisecond_timer.h"
#include "primitives/des.h"
#include "primitives/rijndael.h"
#include "test_streams.h"

namespace ostrel {
namespace {

using testing::GeneratedStream;
using testing::LimitedStream;

using Procedure = void (*)(TStream&, TStream&, const uint8_t* key, int32_t keyLength, bool encrypt);

struct Format {
  const char* name;
  int32_t blockSize;
  bool chained;
  int32_t keyLength;  // 16 for Triple-DES
  Procedure procedure;
};

void TripleDesEcb(TStream& in, TStream& out, const uint8_t* key, int32_t, bool encrypt) {
  TripleDesStreamEcb(in, out, key, encrypt);
}
void TripleDesCbc(TStream& in, TStream& out, const uint8_t* key, int32_t, bool encrypt) {
  TripleDesStreamCbc(in, out, key, encrypt);
}

const Format kTripleDesEcb{"TripleDesEcb", 8, false, 16, TripleDesEcb};
const Format kTripleDesCbc{"TripleDesCbc", 8, true, 16, TripleDesCbc};
const Format kRijndael256Ecb{"Rijndael256Ecb", 16, false, 32, RijndaelStreamEcb};
const Format kRijndael256Cbc{"Rijndael256Cbc", 16, true, 32, RijndaelStreamCbc};
const Format kRijndael128Ecb{"Rijndael128Ecb", 16, false, 16, RijndaelStreamEcb};
const Format kRijndael192Cbc{"Rijndael192Cbc", 16, true, 24, RijndaelStreamCbc};

constexpr uint8_t kKey[32] = {0x2b, 0x7e, 0x15, 0x16, 0x28, 0xae, 0xd2, 0xa6, 0xab, 0xf7, 0x15,
                              0x88, 0x09, 0xcf, 0x4f, 0x3c, 0x60, 0x3d, 0xeb, 0x10, 0x15, 0xca,
                              0x71, 0xbe, 0x2b, 0x73, 0xae, 0xf0, 0x85, 0x7d, 0x77, 0x81};

// Bytes that differ from block to block, so a repeated, dropped or reordered block shows.
std::string Plain(int64_t length) {
  std::string bytes;
  for (int64_t i = 0; i < length; ++i)
    bytes.push_back(static_cast<char>((i * 29 + i / 251) & 0xFF));
  return bytes;
}

std::string XorOf(std::string a, const std::string& b) {
  for (std::size_t i = 0; i < a.size(); ++i)
    a[i] = static_cast<char>(a[i] ^ b[i]);
  return a;
}

// Single-block calls of the cipher, the reference every layout is checked against.
class BlockCalls {
 public:
  BlockCalls(const Format& format, const uint8_t* key) : blockSize_(format.blockSize) {
    InitTripleDesContext(key, desEncrypt_, true);
    InitTripleDesContext(key, desDecrypt_, false);
    InitRijndaelContext(key, format.keyLength, rijndaelEncrypt_, true);
    InitRijndaelContext(key, format.keyLength, rijndaelDecrypt_, false);
  }

  std::string E(std::string block) const { return Apply(std::move(block), true); }
  std::string D(std::string block) const { return Apply(std::move(block), false); }

 private:
  std::string Apply(std::string block, bool encrypt) const {
    EXPECT_EQ(block.size(), static_cast<std::size_t>(blockSize_));
    auto* bytes = reinterpret_cast<uint8_t*>(block.data());
    if (blockSize_ == kDesBlockSize) {
      TripleDesBlock(encrypt ? desEncrypt_ : desDecrypt_, bytes);
    } else {
      RijndaelBlock(encrypt ? rijndaelEncrypt_ : rijndaelDecrypt_, bytes);
    }
    return block;
  }

  int32_t blockSize_;
  TripleDesContext desEncrypt_, desDecrypt_;
  RijndaelContext rijndaelEncrypt_, rijndaelDecrypt_;
};

class StreamFormat : public ::testing::TestWithParam<Format> {
 protected:
  const Format& format() const { return GetParam(); }
  int32_t B() const { return GetParam().blockSize; }
  std::size_t Bz() const { return static_cast<std::size_t>(GetParam().blockSize); }

  void Run(TStream& in, TStream& out, bool encrypt, const uint8_t* key = kKey) const {
    format().procedure(in, out, key, format().keyLength, encrypt);
  }
  std::string Run(const std::string& input, bool encrypt, const uint8_t* key = kKey) const {
    TMemoryStream in(input);
    TMemoryStream out;
    Run(in, out, encrypt, key);
    return out.Bytes();
  }

  // The plain content of the final block: the tail bytes, zeros, and the tail count last.
  std::string FinalBlock(const std::string& tail) const {
    std::string block(Bz(), '\0');
    block.replace(0, tail.size(), tail);
    block.back() = static_cast<char>(tail.size());
    return block;
  }

  // Encrypts whole plain blocks as the layout says: each alone (ECB), or chained from c0, which
  // leads the result (CBC).
  std::string EncryptBlocks(const std::string& blocks, const std::string& c0,
                            const uint8_t* key = kKey) const {
    const BlockCalls cipher(format(), key);
    std::string result = format().chained ? c0 : "";
    std::string chain = c0;
    for (std::size_t at = 0; at < blocks.size(); at += Bz()) {
      std::string block = blocks.substr(at, Bz());
      chain = format().chained ? cipher.E(XorOf(block, chain)) : cipher.E(block);
      result += chain;
    }
    return result;
  }

  // The inverse of EncryptBlocks, the chaining block excluded from the result.
  std::string DecryptBlocks(const std::string& stream, const uint8_t* key = kKey) const {
    const BlockCalls cipher(format(), key);
    std::string result;
    std::size_t at = format().chained ? Bz() : 0;
    for (; at + Bz() <= stream.size(); at += Bz()) {
      const std::string block = cipher.D(stream.substr(at, Bz()));
      result += format().chained ? XorOf(block, stream.substr(at - Bz(), Bz())) : block;
    }
    return result;
  }

  std::string ExpectedStream(const std::string& plain, const std::string& c0) const {
    const std::size_t whole = plain.size() - plain.size() % Bz();
    return EncryptBlocks(plain.substr(0, whole) + FinalBlock(plain.substr(whole)), c0);
  }

  // The chaining block a CBC stream starts with; ECB streams have none.
  std::string ChainingBlock(const std::string& stream) const {
    return format().chained ? stream.substr(0, Bz()) : "";
  }

  std::size_t EncryptedLength(std::size_t plainLength) const {
    return (plainLength / Bz() + (format().chained ? 2 : 1)) * Bz();
  }
};

TEST_P(StreamFormat, EveryLengthUpToThreeBlocksFollowsTheLayoutAndComesBack) {
  for (int length = 0; length <= 3 * B(); ++length) {
    const std::string plain = Plain(length);
    const std::string encrypted = Run(plain, true);
    ASSERT_EQ(encrypted.size(), EncryptedLength(plain.size())) << length;
    EXPECT_EQ(encrypted, ExpectedStream(plain, ChainingBlock(encrypted))) << length;
    EXPECT_EQ(Run(encrypted, false), plain) << length;
  }
}

TEST_P(StreamFormat, LargeStreamsFollowTheLayoutAndComeBack) {
  for (int64_t length : {int64_t{4099} * B() + 1, int64_t{1} << 20, (int64_t{1} << 20) + B() - 1}) {
    const std::string plain = Plain(length);
    const std::string encrypted = Run(plain, true);
    ASSERT_EQ(encrypted.size(), EncryptedLength(plain.size()));
    EXPECT_TRUE(encrypted == ExpectedStream(plain, ChainingBlock(encrypted))) << length;
    EXPECT_TRUE(Run(encrypted, false) == plain) << length;
  }
}

TEST_P(StreamFormat, InputsShorterThanTheSmallestStreamAreInvalidAndWriteNothing) {
  const int shortest = format().chained ? 2 * B() : B();
  for (int length = 0; length < shortest; ++length) {
    TMemoryStream in(Plain(length));
    TMemoryStream out;
    try {
      Run(in, out, false);
      ADD_FAILURE() << "no exception for " << length << " bytes";
    } catch (const ECipherException& e) {
      EXPECT_EQ(e.Message(), "Invalid file format");
    }
    EXPECT_EQ(out.Size(), 0) << length;
  }
}

TEST_P(StreamFormat, BytesAfterTheLastWholeBlockAreIgnored) {
  const std::string plain = Plain(2 * B() + 3);
  const std::string encrypted = Run(plain, true);
  for (int extra = 1; extra < B(); ++extra) {
    EXPECT_EQ(Run(encrypted + Plain(extra), false), plain) << extra;
  }
}

// Only a wrong key or damaged data give a final block that claims more data bytes than a block
// has room for. Everything before that block is written, then the stream is refused, so no byte
// from outside the block's data ever reaches the output.
TEST_P(StreamFormat, ATailCountBeyondTheBlockRaisesAfterTheEarlierBlocks) {
  const std::string blocks = Plain(2 * B());
  for (int tailCount : {B(), B() + 1, 0x80, 0xFF}) {
    std::string finalBlock = Plain(B());
    finalBlock.back() = static_cast<char>(tailCount);
    TMemoryStream in(EncryptBlocks(blocks + finalBlock, std::string(Bz(), '\x5A')));
    TMemoryStream out;
    try {
      Run(in, out, false);
      ADD_FAILURE() << "no exception for tail count " << tailCount;
    } catch (const ECipherException& e) {
      EXPECT_EQ(e.Message(), "Invalid file format");
    }
    EXPECT_EQ(out.Bytes(), blocks) << tailCount;
  }
}

// With a wrong key the final block decrypts to bytes that are, in effect, random, so its tail
// count is one of 256 values with equal chance: B of them look valid (1/32 of wrong keys for
// Triple-DES, 1/16 for Rijndael) and give B-1 or fewer garbage bytes silently, as the format has
// no check value; the rest (31/32 and 15/16) are reported. The keys below are fixed, so which of
// them fall into which group is fixed too; the test checks that each gets its right treatment.
TEST_P(StreamFormat, AWrongKeyIsReportedWhenTheTailCountGivesItAway) {
  const std::string plain = Plain(2 * B() + 5);
  const std::string encrypted = Run(plain, true);
  const std::string lastTwoBlocks = encrypted.substr(encrypted.size() - 2 * Bz());
  int reported = 0, silent = 0;
  for (int variant = 1; variant < 256; ++variant) {
    uint8_t wrongKey[32];
    std::memcpy(wrongKey, kKey, sizeof wrongKey);
    // The low bit of every Triple-DES key byte is parity and never read, so it is left alone.
    wrongKey[1] = static_cast<uint8_t>(wrongKey[1] ^ ((variant & 0x7F) << 1));
    wrongKey[2] = static_cast<uint8_t>(wrongKey[2] ^ ((variant >> 7) << 1));
    // The tail count the wrong key reads, from the block calls.
    const std::string finalBlock =
        DecryptBlocks(format().chained ? lastTwoBlocks : lastTwoBlocks.substr(Bz()), wrongKey);
    const int tailCount = static_cast<uint8_t>(finalBlock.back());

    TMemoryStream in(encrypted);
    TMemoryStream out;
    if (tailCount > B() - 1) {
      EXPECT_THROW(Run(in, out, false, wrongKey), ECipherException);
      EXPECT_EQ(out.Size(), 2 * B());
      ++reported;
    } else {
      Run(in, out, false, wrongKey);
      EXPECT_EQ(out.Size(), 2 * B() + tailCount);
      EXPECT_NE(out.Bytes().substr(0, Bz()), plain.substr(0, Bz()));
      ++silent;
    }
  }
  EXPECT_GT(reported, 0);
  EXPECT_GT(silent, 0);
}

TEST_P(StreamFormat, AnOutputThatRefusesBytesRaisesAndKeepsWhatItTook) {
  const std::string plain = Plain(2 * B() + 5);
  // Encrypting: the output refuses bytes in the chaining block, on a block boundary, inside a
  // block, and in the final block.
  for (int limit : {0, 1, B(), B() + 1, 2 * B(), 3 * B() - 1}) {
    LimitedStream out(limit);
    TMemoryStream in(plain);
    try {
      Run(in, out, true);
      ADD_FAILURE() << "no exception at limit " << limit;
    } catch (const ECipherException& e) {
      EXPECT_EQ(e.Message(), "Error writing to temp file");
    }
    ASSERT_EQ(out.Size(), limit);
    if (!format().chained || limit >= B()) {
      EXPECT_EQ(out.Bytes(), ExpectedStream(plain, ChainingBlock(out.Bytes())).substr(0, limit))
          << limit;
    }
  }
  // Decrypting: the last refusal falls on the final block's five data bytes.
  const std::string encrypted = Run(plain, true);
  for (int limit : {0, 1, B(), 2 * B(), 2 * B() + 4}) {
    LimitedStream out(limit);
    TMemoryStream in(encrypted);
    EXPECT_THROW(Run(in, out, false), ECipherException);
    EXPECT_EQ(out.Bytes(), plain.substr(0, limit));
  }
}

TEST_P(StreamFormat, AnInputShorterThanItsSizeIsInvalid) {
  const int64_t size = 3 * B() + 2;
  // Missing bytes in a whole block, and in the tail of the final block.
  for (int64_t dataEnd : {int64_t{2} * B() + 1, int64_t{3} * B() + 1}) {
    GeneratedStream in(size, dataEnd);
    TMemoryStream out;
    try {
      Run(in, out, true);
      ADD_FAILURE() << "no exception";
    } catch (const ECipherException& e) {
      EXPECT_EQ(e.Message(), "Invalid file format");
    }
    const int64_t wholeBlocks = dataEnd / B() + (format().chained ? 1 : 0);
    EXPECT_EQ(out.Size(), wholeBlocks * B()) << dataEnd;
  }
}

// Streams of 2^31 blocks and more, and of 2^32 bytes and more, are counted in full. An input of
// such a size is placed three blocks before its last whole block, so the procedure reads three
// blocks and then meets the short read it must report: only a count that has not wrapped or been
// cut to 32 bits asks for that fourth whole block.
TEST_P(StreamFormat, BlockCountsBeyondThirtyTwoBitsAreKeptWhole) {
  const int64_t b = B();
  for (int64_t size : {(int64_t{1} << 31) * b, (int64_t{1} << 31) * b + 5, (int64_t{1} << 32) + 3,
                       (int64_t{1} << 32) * b, (int64_t{1} << 40) * b + b - 1}) {
    const int64_t start = size - size % b - 3 * b;
    for (bool encrypt : {true, false}) {
      GeneratedStream in(size);
      in.SetPosition(start);
      TMemoryStream out;
      try {
        Run(in, out, encrypt);
        ADD_FAILURE() << "no exception for size " << size;
      } catch (const ECipherException& e) {
        EXPECT_EQ(e.Message(), "Invalid file format");
      }
      std::string read(3 * Bz(), '\0');
      GeneratedStream source(size);
      source.SetPosition(start);
      source.Read(read.data(), 3 * B());
      if (encrypt) {
        const std::string c0 = ChainingBlock(out.Bytes());
        EXPECT_EQ(out.Bytes(), EncryptBlocks(read, c0)) << size;
      } else {
        EXPECT_EQ(out.Bytes(), DecryptBlocks(read)) << size;
      }
    }
  }
}

TEST_P(StreamFormat, TheOutputIsWrittenFromItsPosition) {
  const std::string plain = Plain(B() + 1);
  TMemoryStream in(plain);
  TMemoryStream out("kept");
  out.SetPosition(4);
  Run(in, out, true);
  const std::string stream = out.Bytes().substr(4);
  EXPECT_EQ(out.Bytes().substr(0, 4), "kept");
  EXPECT_EQ(stream, ExpectedStream(plain, ChainingBlock(stream)));
}

// The CBC layouts only: their streams start from a seed.
class ChainedStreamFormat : public StreamFormat {};

TEST_P(ChainedStreamFormat, StreamsStartFromTheTimerAndDifferFromRunToRun) {
  const int timerBytes = B() == 8 ? 4 : 2;
  const uint32_t before = MillisecondTimer();
  const std::string first = Run(Plain(2 * B()), true);
  const uint32_t after = MillisecondTimer();
  const std::string seed = BlockCalls(format(), kKey).D(first.substr(0, Bz()));
  // Each timer byte is the low byte of a reading taken between `before` and `after`, and the
  // readings do not go back.
  if (after - before < 256) {
    uint32_t previous = 0;
    for (int i = 0; i < timerBytes; ++i) {
      const uint32_t sinceBefore = (static_cast<uint8_t>(seed[i]) - before) & 0xFF;
      EXPECT_LE(sinceBefore, after - before) << i;
      EXPECT_GE(sinceBefore, previous) << i;
      previous = sinceBefore;
    }
  }
  // The other seed bytes are random, so even runs in the same millisecond differ in every block
  // (a repeat has a chance of 2^-32 for Triple-DES).
  const std::string second = Run(Plain(2 * B()), true);
  ASSERT_EQ(first.size(), second.size());
  for (std::size_t at = 0; at < first.size(); at += Bz()) {
    EXPECT_NE(first.substr(at, Bz()), second.substr(at, Bz())) << at;
  }
}

void PrintTo(const Format& param, std::ostream* out) {
  *out << param.name;
}

std::string ParamName(const ::testing::TestParamInfo<Format>& param) {
  return param.param.name;
}

INSTANTIATE_TEST_SUITE_P(AllCiphersAndLayouts, StreamFormat,
                         ::testing::Values(kTripleDesEcb, kTripleDesCbc, kRijndael256Ecb,
                                           kRijndael256Cbc, kRijndael128Ecb, kRijndael192Cbc),
                         ParamName);
INSTANTIATE_TEST_SUITE_P(AllCiphers, ChainedStreamFormat,
                         ::testing::Values(kTripleDesCbc, kRijndael256Cbc, kRijndael192Cbc),
                         ParamName);

// The layout by hand, with the final block written out byte for byte.
TEST(StreamFormatExamples, FinalBlocksCarryTheTailCountInTheirLastByte) {
  const Format& des = kTripleDesEcb;
  const Format& rijndael = kRijndael256Ecb;
  const struct {
    const Format& format;
    std::string plain;
    std::vector<std::string> plainBlocks;  // what the stream's blocks encrypt
  } cases[] = {
      {des, "", {std::string(8, '\0')}},
      {des, "abc", {std::string("abc\0\0\0\0\x03", 8)}},
      {des, "1234567", {std::string("1234567\x07", 8)}},
      {des, "12345678", {"12345678", std::string(8, '\0')}},
      {rijndael, "", {std::string(16, '\0')}},
      {rijndael, "fifteen bytes!!", {"fifteen bytes!!\x0F"}},
  };
  for (const auto& [format, plain, plainBlocks] : cases) {
    const BlockCalls cipher(format, kKey);
    std::string expected;
    for (const auto& block : plainBlocks)
      expected += cipher.E(block);
    TMemoryStream in(plain);
    TMemoryStream out;
    format.procedure(in, out, kKey, format.keyLength, true);
    EXPECT_EQ(out.Bytes(), expected) << format.name << " " << plain;
  }
}

TEST(StreamFormatExamples, WriteExactRaisesOnAShortWrite) {
  LimitedStream out(3);
  EXPECT_NO_THROW(WriteExact(out, "ab", 2));
  try {
    WriteExact(out, "cd", 2);
    ADD_FAILURE() << "no exception";
  } catch (const ECipherException& e) {
    EXPECT_EQ(e.Message(), "Error writing to temp file");
  }
  EXPECT_EQ(out.Bytes(), "abc");
}

}  // namespace
}  // namespace ostrel
