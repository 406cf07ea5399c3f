// The chunked engine under the stream procedures: however the work is scheduled (chunk sizes, read
// ahead, threads sharing a chunk, portable or AES-instruction Rijndael), every byte written, every
// error and what a failure leaves in the output are those of the block-by-block sequence: the
// blocks before the failing point, nothing after it.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <optional>
#include <stdexcept>
#include <string>
#include <tuple>
#include <vector>

#include "cipher/block_cipher.h"
#include "cipher/byte_sink.h"
#include "cipher/memory_stream.h"
#include "cipher/stream_engine.h"
#include "cipher/stream_errors.h"
#include "cipher/stream_schedule.h"
#include "errors/exceptions.h"
#include "primitives/des.h"
#include "primitives/rijndael.h"
#include "test_streams.h"

namespace ostrel {
namespace {

using testing::GeneratedStream;
using testing::LimitedStream;

struct Format {
  const char* name;
  int32_t blockSize;
  StreamLayout layout;
  int32_t keyLength;
};

const Format kFormats[] = {
    {"TripleDesEcb", 8, StreamLayout::kEcb, 16},
    {"TripleDesCbc", 8, StreamLayout::kCbc, 16},
    {"Rijndael256Ecb", 16, StreamLayout::kEcb, 32},
    {"Rijndael256Cbc", 16, StreamLayout::kCbc, 32},
};

// Chunk sizes are given in blocks here and turned into bytes per format.
struct Schedule {
  const char* name;
  int32_t chunkBlocks;
  int32_t cipherThreads;
  bool readAhead;
  bool portableRijndael;
  std::optional<TripleDesImplementation> tripleDes;  // empty: the fastest
};

const Schedule kSchedules[] = {
    // What the procedures use: the default chunks, a thread per core for slow ciphers.
    {"Default", 0, 0, false, false, {}},
    {"DefaultReadAhead", 0, 0, true, false, {}},
    // An odd chunk size large enough for its runs to be shared by two threads, with the portable
    // Rijndael and Triple-DES, which are shared too; chunk boundaries and part boundaries fall
    // anywhere.
    {"OddChunksSharedByTwoThreads", 1027, 2, true, true, TripleDesImplementation::kPortable},
    // Runs of a bitsliced batch and a rest, on AVX2 where the processor has it.
    {"OddChunksAvx2", 1027, 2, true, false, TripleDesImplementation::kAvx2},
    {"OneBlockChunksReadAhead", 1, 3, true, false, {}},
    {"ThreeBlockChunksInline", 3, 1, false, false, {}},
};

constexpr uint8_t kKey[32] = {0x60, 0x3d, 0xeb, 0x10, 0x15, 0xca, 0x71, 0xbe, 0x2b, 0x73, 0xae,
                              0xf0, 0x85, 0x7d, 0x77, 0x81, 0x1f, 0x35, 0x2c, 0x07, 0x3b, 0x61,
                              0x08, 0xd7, 0x2d, 0x98, 0x10, 0xa3, 0x09, 0x14, 0xdf, 0xf4};

std::string Generated(int64_t from, int64_t length) {
  std::string bytes(static_cast<size_t>(length), '\0');
  for (int64_t i = 0; i < length; ++i) {
    bytes[static_cast<size_t>(i)] = static_cast<char>(GeneratedStream::ByteAt(from + i));
  }
  return bytes;
}

// An input that delivers at most a few bytes per Read, as a pipe may.
class DribblingStream : public TMemoryStream {
 public:
  explicit DribblingStream(const std::string& bytes) : TMemoryStream(bytes) {}
  int32_t Read(void* buffer, int32_t count) override {
    return TMemoryStream::Read(buffer, std::min(count, 7));
  }
};

// An input whose Read raises once the position reaches a given offset.
class FailingStream : public TMemoryStream {
 public:
  FailingStream(const std::string& bytes, int64_t failAt) : TMemoryStream(bytes), failAt_(failAt) {}
  int32_t Read(void* buffer, int32_t count) override {
    if (Position() + count > failAt_) {
      throw std::runtime_error("device gone");
    }
    return TMemoryStream::Read(buffer, count);
  }

 private:
  int64_t failAt_;
};

class StringSink final : public ByteSink {
 public:
  void Put(const uint8_t* bytes, int64_t count) override {
    text.append(reinterpret_cast<const char*>(bytes), static_cast<size_t>(count));
  }
  std::string text;
};

class StreamEngine : public ::testing::TestWithParam<std::tuple<Format, Schedule>> {
 protected:
  const Format& format() const { return std::get<0>(GetParam()); }
  bool chained() const { return format().layout == StreamLayout::kCbc; }
  int32_t B() const { return format().blockSize; }
  size_t Bz() const { return static_cast<size_t>(format().blockSize); }
  int64_t chunk() const {
    const int32_t blocks = std::get<1>(GetParam()).chunkBlocks;
    return blocks == 0 ? StreamSchedule{}.chunkBytes : int64_t{blocks} * B();
  }

  StreamSchedule Scheduled() const {
    const Schedule& s = std::get<1>(GetParam());
    StreamSchedule schedule;  // the defaults, then what the test schedule changes
    if (s.chunkBlocks > 0) {
      schedule.chunkBytes = s.chunkBlocks * B();
    }
    schedule.cipherThreads = s.cipherThreads;
    schedule.readAhead = s.readAhead;
    schedule.portableRijndael = s.portableRijndael;
    schedule.tripleDes = s.tripleDes;
    return schedule;
  }

  void Run(TStream& in, TStream& out, bool encrypt) const {
    const StreamSchedule schedule = Scheduled();
    if (B() == kDesBlockSize) {
      TripleDesStream(in, out, kKey, format().layout, encrypt, schedule);
    } else {
      RijndaelStream(in, out, kKey, format().keyLength, format().layout, encrypt, schedule);
    }
  }

  // Reads the input to its end, as a pipe is read, whatever its Size says.
  void RunToEnd(TStream& in, ByteSink& out, bool encrypt) const {
    const StreamSchedule schedule = Scheduled();
    CipherChoice choice;
    choice.portableRijndael = schedule.portableRijndael;
    choice.tripleDes = schedule.tripleDes;
    const auto cipher = B() == kDesBlockSize
                            ? MakeTripleDesCipher(kKey, encrypt, choice)
                            : MakeRijndaelCipher(kKey, format().keyLength, encrypt, choice);
    if (encrypt) {
      EncryptStream(in, out, *cipher, format().layout, InputExtent::kToEnd, schedule);
    } else {
      DecryptStream(in, out, *cipher, format().layout, InputExtent::kToEnd,
                    FinalBlockCheck::kTailCount, schedule);
    }
  }

  // Runs and returns the message of the ECipherException it must raise.
  std::string RunFailing(TStream& in, TStream& out, bool encrypt) const {
    try {
      Run(in, out, encrypt);
    } catch (const ECipherException& e) {
      return e.Message();
    }
    return "no exception";
  }

  void SetUp() override {
    InitTripleDesContext(kKey, desEncrypt_, true);
    InitTripleDesContext(kKey, desDecrypt_, false);
    InitRijndaelContext(kKey, format().keyLength, rijndaelEncrypt_, true);
    InitRijndaelContext(kKey, format().keyLength, rijndaelDecrypt_, false);
  }

  // One block through the single-block call.
  std::string Block(std::string block, bool encrypt) const {
    auto* bytes = reinterpret_cast<uint8_t*>(block.data());
    if (B() == kDesBlockSize) {
      TripleDesBlock(encrypt ? desEncrypt_ : desDecrypt_, bytes);
    } else {
      RijndaelBlock(encrypt ? rijndaelEncrypt_ : rijndaelDecrypt_, bytes);
    }
    return block;
  }

  static std::string Xor(std::string a, const std::string& b) {
    for (size_t i = 0; i < a.size(); ++i)
      a[i] = static_cast<char>(a[i] ^ b[i]);
    return a;
  }

  // The block-by-block reference: whole blocks encrypted alone (ECB) or chained from c0, which
  // leads the result (CBC).
  std::string EncryptBlocks(const std::string& blocks, const std::string& c0) const {
    std::string result = chained() ? c0 : "";
    std::string chain = c0;
    for (size_t at = 0; at + Bz() <= blocks.size(); at += Bz()) {
      const std::string block = blocks.substr(at, Bz());
      chain = Block(chained() ? Xor(block, chain) : block, true);
      result += chain;
    }
    return result;
  }

  // Decrypts whole blocks of a stream, the chaining block (CBC) excluded from the result.
  std::string DecryptBlocks(const std::string& stream) const {
    std::string result;
    for (size_t at = chained() ? Bz() : 0; at + Bz() <= stream.size(); at += Bz()) {
      const std::string block = Block(stream.substr(at, Bz()), false);
      result += chained() ? Xor(block, stream.substr(at - Bz(), Bz())) : block;
    }
    return result;
  }

  std::string ExpectedStream(const std::string& plain, const std::string& c0) const {
    const size_t whole = plain.size() - plain.size() % Bz();
    std::string last(Bz(), '\0');
    last.replace(0, plain.size() - whole, plain.substr(whole));
    last.back() = static_cast<char>(plain.size() - whole);
    return EncryptBlocks(plain.substr(0, whole) + last, c0);
  }

  // The first n bytes of ExpectedStream, computing only the blocks they need.
  std::string ExpectedPrefix(const std::string& plain, const std::string& c0, size_t n) const {
    const size_t lead = chained() ? Bz() : 0;
    const size_t blocks = (std::max(n, lead) - lead + Bz() - 1) / Bz();
    if (blocks * Bz() >= plain.size()) {
      return ExpectedStream(plain, c0).substr(0, n);
    }
    return EncryptBlocks(plain.substr(0, blocks * Bz()), c0).substr(0, n);
  }

  std::string ChainingBlock(const std::string& stream) const {
    return chained() ? stream.substr(0, Bz()) : "";
  }

  // Offsets worth failing at in a stream of the given size: every block boundary while the
  // stream is small, else the boundaries of chunks and points just around and inside them.
  std::vector<int64_t> FailurePoints(int64_t size) const {
    std::vector<int64_t> points;
    if (size <= 40 * B()) {
      for (int64_t at = 0; at < size; at += B()) {
        points.push_back(at);
      }
      points.push_back(2 * B() + 1);
    } else {
      for (int64_t at : {int64_t{0}, int64_t{B()} - 1, chunk() - B(), chunk() - 1, chunk(),
                         chunk() + 5 * B() + 3, 2 * chunk() - 1, size - B() - 1, size - 1}) {
        if (at >= 0 && at < size) {
          points.push_back(at);
        }
      }
    }
    return points;
  }

  // Two chunks, some blocks and a tail.
  int64_t TestSize() const { return 2 * chunk() + 7 * B() + 3; }

  TripleDesContext desEncrypt_, desDecrypt_;
  RijndaelContext rijndaelEncrypt_, rijndaelDecrypt_;
};

TEST_P(StreamEngine, StreamsFollowTheLayoutAndComeBack) {
  for (int64_t length : {int64_t{0}, int64_t{B()} - 1, 5 * int64_t{B()} + 3, TestSize()}) {
    const std::string plain = Generated(0, length);
    TMemoryStream in(plain);
    TMemoryStream out;
    Run(in, out, true);
    const std::string encrypted = out.Bytes();
    EXPECT_TRUE(encrypted == ExpectedStream(plain, ChainingBlock(encrypted))) << length;

    TMemoryStream back(encrypted);
    TMemoryStream decrypted;
    Run(back, decrypted, false);
    EXPECT_TRUE(decrypted.Bytes() == plain) << length;
  }
}

// A pipe may hand over a request in several parts; only a Read that gives nothing ends the input.
TEST_P(StreamEngine, ReadsThatDeliverLessThanAskedAreContinued) {
  const std::string plain = Generated(0, std::min<int64_t>(TestSize(), 200 * B() + 5));
  DribblingStream in(plain);
  TMemoryStream out;
  Run(in, out, true);
  const std::string encrypted = out.Bytes();
  EXPECT_TRUE(encrypted == ExpectedStream(plain, ChainingBlock(encrypted)));

  DribblingStream back(encrypted);
  TMemoryStream decrypted;
  Run(back, decrypted, false);
  EXPECT_TRUE(decrypted.Bytes() == plain);
}

// Writing: an input that ends before its Size leaves the encryption of every whole block that
// arrived, then is refused.
TEST_P(StreamEngine, AnInputEndingEarlyWhileWritingKeepsTheBlocksBefore) {
  const int64_t size = TestSize();
  for (int64_t dataEnd : FailurePoints(size)) {
    GeneratedStream in(size, dataEnd);
    TMemoryStream out;
    EXPECT_EQ(RunFailing(in, out, true), "Invalid file format") << dataEnd;
    const std::string written = out.Bytes();
    const int64_t blocks = std::min(dataEnd / B(), size / B());
    EXPECT_TRUE(written == EncryptBlocks(Generated(0, blocks * B()), ChainingBlock(written)))
        << "input ends at " << dataEnd << ", " << written.size() << " bytes written";
  }
}

// Reading: an input that ends before its Size leaves the decryption of every whole block that
// arrived, up to the final block, which is never written in part.
TEST_P(StreamEngine, AnInputEndingEarlyWhileReadingKeepsTheBlocksBefore) {
  const int64_t size = TestSize() / B() * B();
  const int64_t dataBlocks = size / B() - 1 - (chained() ? 1 : 0);
  for (int64_t dataEnd : FailurePoints(size)) {
    GeneratedStream in(size, dataEnd);
    TMemoryStream out;
    EXPECT_EQ(RunFailing(in, out, false), "Invalid file format") << dataEnd;
    const int64_t arrived = dataEnd / B() - (chained() ? 1 : 0);
    const int64_t blocks = std::clamp<int64_t>(arrived, 0, dataBlocks);
    const int64_t readable = (blocks + (chained() ? 1 : 0)) * B();
    EXPECT_TRUE(out.Bytes() == DecryptBlocks(Generated(0, readable)))
        << "input ends at " << dataEnd << ", " << out.Size() << " bytes written";
  }
}

// An output that takes bytes only up to a limit keeps exactly those bytes of the right stream.
TEST_P(StreamEngine, AnOutputThatFillsUpKeepsExactlyWhatItTook) {
  const std::string plain = Generated(0, TestSize());
  TMemoryStream source(plain);
  TMemoryStream full;
  Run(source, full, true);
  const std::string encrypted = full.Bytes();
  for (int64_t limit : FailurePoints(static_cast<int64_t>(encrypted.size()))) {
    LimitedStream out(limit);
    TMemoryStream in(plain);
    EXPECT_EQ(RunFailing(in, out, true), "Error writing to temp file") << limit;
    const std::string written = out.Bytes();
    ASSERT_EQ(written.size(), static_cast<size_t>(limit));
    if (!chained() || limit >= B()) {
      EXPECT_TRUE(written == ExpectedPrefix(plain, ChainingBlock(written), written.size()))
          << "encrypting, limit " << limit;
    }
  }
  for (int64_t limit : FailurePoints(static_cast<int64_t>(plain.size()))) {
    LimitedStream out(limit);
    TMemoryStream in(encrypted);
    EXPECT_EQ(RunFailing(in, out, false), "Error writing to temp file") << limit;
    EXPECT_TRUE(out.Bytes() == plain.substr(0, static_cast<size_t>(limit)))
        << "decrypting, limit " << limit;
  }
}

// A failure inside Read, wherever the engine reads, reaches the caller unchanged; what was written
// before it is a prefix of the right stream, of whole blocks, ending at or before the failure.
TEST_P(StreamEngine, AFailureOfTheInputReachesTheCaller) {
  const std::string plain = Generated(0, TestSize());
  TMemoryStream source(plain);
  TMemoryStream full;
  Run(source, full, true);
  const std::string encrypted = full.Bytes();
  const int64_t failAt = std::min<int64_t>(chunk() + 3 * B() + 1, TestSize() - 2);
  for (bool encrypt : {true, false}) {
    FailingStream in(encrypt ? plain : encrypted, failAt);
    TMemoryStream out;
    EXPECT_THROW(Run(in, out, encrypt), std::runtime_error) << encrypt;
    const std::string written = out.Bytes();
    EXPECT_EQ(written.size() % Bz(), 0u);
    // Writing CBC, the chaining block comes before the first byte read.
    EXPECT_LE(static_cast<int64_t>(written.size()), failAt + (encrypt && chained() ? B() : 0));
    const std::string& whole = encrypt ? encrypted : plain;
    if (encrypt && chained() && !written.empty()) {
      EXPECT_TRUE(written == ExpectedPrefix(plain, ChainingBlock(written), written.size()));
    } else if (!encrypt || !chained()) {
      EXPECT_TRUE(written == whole.substr(0, written.size()));
    }
  }
}

// Read to its end, as a pipe is, a stream comes out as it does by its size, wherever its end falls
// against the chunks: the block kept back from one chunk may be the final one, and the final block
// of an encryption may have to follow a chunk that ended the plain text.
TEST_P(StreamEngine, AStreamReadToItsEndMayEndAnywhereAgainstTheChunks) {
  const int64_t lead = chained() ? B() : 0;
  std::vector<int64_t> lengths = {0, B() - 1, chunk(), TestSize()};
  // Stored streams of exactly one and two chunks.
  for (const int64_t stored : {chunk(), 2 * chunk()}) {
    if (stored - B() - lead >= 0)
      lengths.push_back(stored - B() - lead);
  }
  for (const int64_t length : lengths) {
    const std::string plain = Generated(0, length);
    TMemoryStream in(plain);
    StringSink encrypted;
    RunToEnd(in, encrypted, true);
    EXPECT_TRUE(encrypted.text == ExpectedStream(plain, ChainingBlock(encrypted.text))) << length;

    TMemoryStream back(encrypted.text);
    StringSink decrypted;
    RunToEnd(back, decrypted, false);
    EXPECT_TRUE(decrypted.text == plain) << length;

    // One byte short: every whole block but the newest, which might have been the final one.
    TMemoryStream cut(encrypted.text.substr(0, encrypted.text.size() - 1));
    StringSink partial;
    EXPECT_THROW(RunToEnd(cut, partial, false), ETruncatedStream) << length;
    const int64_t kept = std::max<int64_t>(
        static_cast<int64_t>(encrypted.text.size()) / B() - 2 - (chained() ? 1 : 0), 0);
    EXPECT_TRUE(partial.text == plain.substr(0, static_cast<size_t>(kept * B()))) << length;
  }
}

void PrintTo(const Format& format, std::ostream* out) {
  *out << format.name;
}

void PrintTo(const Schedule& schedule, std::ostream* out) {
  *out << schedule.name;
}

INSTANTIATE_TEST_SUITE_P(AllFormatsAndSchedules, StreamEngine,
                         ::testing::Combine(::testing::ValuesIn(kFormats),
                                            ::testing::ValuesIn(kSchedules)),
                         [](const ::testing::TestParamInfo<std::tuple<Format, Schedule>>& param) {
                           return std::string(std::get<0>(param.param).name) + "_" +
                                  std::get<1>(param.param).name;
                         });

}  // namespace
}  // namespace ostrel
