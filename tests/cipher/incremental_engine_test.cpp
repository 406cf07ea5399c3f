// The incremental encoder and decoder, whatever pieces the bytes come in, against the stream
// procedures that read a whole stream; the final-block rule and its typed failures; reading a
// stream to its end without knowing its length; and random access to ECB plain text.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "cipher/block_cipher.h"
#include "cipher/byte_sink.h"
#include "cipher/ecb_random_access.h"
#include "cipher/final_block.h"
#include "cipher/memory_stream.h"
#include "cipher/stream_decoder.h"
#include "cipher/stream_encoder.h"
#include "cipher/stream_engine.h"
#include "cipher/stream_errors.h"
#include "cipher/stream_schedule.h"

namespace ostrel {
namespace {

constexpr uint8_t kKey[32] = {0x60, 0x3d, 0xeb, 0x10, 0x15, 0xca, 0x71, 0xbe, 0x2b, 0x73, 0xae,
                              0xf0, 0x85, 0x7d, 0x77, 0x81, 0x1f, 0x35, 0x2c, 0x07, 0x3b, 0x61,
                              0x08, 0xd7, 0x2d, 0x98, 0x10, 0xa3, 0x09, 0x14, 0xdf, 0xf4};

struct Format {
  const char* name;
  EncryptionMethod method;
  StreamLayout layout;
};

const Format kFormats[] = {
    {"TripleDesEcb", EncryptionMethod::kTripleDes, StreamLayout::kEcb},
    {"TripleDesCbc", EncryptionMethod::kTripleDes, StreamLayout::kCbc},
    {"RijndaelEcb", EncryptionMethod::kRijndael, StreamLayout::kEcb},
    {"RijndaelCbc", EncryptionMethod::kRijndael, StreamLayout::kCbc},
};

std::string Pattern(size_t length, uint32_t seed) {
  std::mt19937 random(seed);
  std::string bytes(length, '\0');
  for (char& byte : bytes)
    byte = static_cast<char>(random() & 0xFF);
  return bytes;
}

class StringSink final : public ByteSink {
 public:
  void Put(const uint8_t* bytes, int64_t count) override {
    text.append(reinterpret_cast<const char*>(bytes), static_cast<size_t>(count));
  }
  std::string text;
};

// Feeds bytes in pieces of random size (empty pieces included), as a pipe may deliver them.
template <class Engine>
void FeedInPieces(Engine& engine, std::string bytes, uint32_t seed, ByteSink& sink) {
  std::mt19937 random(seed);
  size_t at = 0;
  while (at < bytes.size()) {
    const size_t piece = std::min<size_t>(random() % 70, bytes.size() - at);
    engine.Feed(reinterpret_cast<uint8_t*>(bytes.data() + at), static_cast<int64_t>(piece), sink);
    at += piece;
  }
}

class IncrementalEngine : public ::testing::TestWithParam<Format> {
 protected:
  int32_t B() const { return CipherMethodFor(GetParam().method).BlockSize; }
  std::unique_ptr<BlockCipher> Cipher(bool encrypt) const {
    return MakeCipherFor(GetParam().method, kKey, encrypt);
  }
  StreamLayout Layout() const { return GetParam().layout; }

  std::string Encode(const std::string& plain, uint32_t seed) const {
    const auto cipher = Cipher(true);
    StreamEncoder encoder(*cipher, Layout(), 2);
    StringSink sink;
    FeedInPieces(encoder, plain, seed, sink);
    encoder.Finish(sink);
    return sink.text;
  }
  std::string Decode(const std::string& stored, uint32_t seed,
                     FinalBlockCheck check = FinalBlockCheck::kTailCount) const {
    const auto cipher = Cipher(false);
    StreamDecoder decoder(*cipher, Layout(), 2, check);
    StringSink sink;
    FeedInPieces(decoder, stored, seed, sink);
    decoder.Finish(sink);
    return sink.text;
  }
  // What the stream procedures make of the same bytes, reading a whole stream of known size.
  std::string WholeStream(const std::string& input, bool encrypt) const {
    const auto cipher = Cipher(encrypt);
    TMemoryStream in(input);
    StringSink sink;
    StreamSchedule schedule;
    schedule.chunkBytes = 4 * B();  // chunk edges inside short streams
    if (encrypt) {
      EncryptStream(in, sink, *cipher, Layout(), InputExtent::kSize, schedule);
    } else {
      DecryptStream(in, sink, *cipher, Layout(), InputExtent::kSize, FinalBlockCheck::kTailCount,
                    schedule);
    }
    return sink.text;
  }
  // A stream whose final block, decrypted, holds exactly final (B bytes), after one whole block.
  std::string StreamEndingIn(const std::string& final) const {
    std::string plain = Pattern(static_cast<size_t>(B()), 7);
    std::string stored = Encode(plain, 1);
    // Re-encrypt the chosen final block in the layout's way: CBC chains it to the block before.
    std::string block = final;
    if (Layout() == StreamLayout::kCbc) {
      const std::string previous =
          stored.substr(stored.size() - 2 * static_cast<size_t>(B()), static_cast<size_t>(B()));
      for (int32_t i = 0; i < B(); ++i)
        block[static_cast<size_t>(i)] =
            static_cast<char>(block[static_cast<size_t>(i)] ^ previous[static_cast<size_t>(i)]);
    }
    Cipher(true)->Blocks(reinterpret_cast<uint8_t*>(block.data()), 1);
    stored.replace(stored.size() - static_cast<size_t>(B()), static_cast<size_t>(B()), block);
    return stored;
  }
};

TEST_P(IncrementalEngine, PiecesOfAnySizeGiveTheBytesOfTheWholeStream) {
  for (const size_t length : {size_t{0}, size_t{1}, size_t(B() - 1), size_t(B()), size_t(B() + 1),
                              size_t(2 * B() - 1), size_t(1000), size_t(4099)}) {
    SCOPED_TRACE(length);
    const std::string plain = Pattern(length, static_cast<uint32_t>(length));
    const std::string stored = Encode(plain, 11);
    EXPECT_EQ(stored.size(),
              (length / static_cast<size_t>(B()) + (Layout() == StreamLayout::kCbc ? 2 : 1)) *
                  static_cast<size_t>(B()));
    if (Layout() == StreamLayout::kEcb) {
      EXPECT_EQ(stored, WholeStream(plain, true));  // ECB depends on key and input alone
    }
    EXPECT_EQ(WholeStream(stored, false), plain);
    for (const uint32_t seed : {1U, 2U, 3U})
      EXPECT_EQ(Decode(stored, seed), plain);
  }
}

TEST_P(IncrementalEngine, FinalBlockRuleDecidesOnceForEveryCaller) {
  const int32_t b = B();
  struct Case {
    const char* what;
    std::string final;
    int32_t tailCountOnly;  // data bytes under kTailCount, -1 rejected
    int32_t withPadding;    // under kTailCountAndPadding
  };
  std::string full(static_cast<size_t>(b), 'x');
  full.back() = static_cast<char>(b - 1);
  std::string dirty(static_cast<size_t>(b), '\0');
  dirty[0] = 'a';
  dirty[static_cast<size_t>(b - 2)] = 'z';  // a byte the writer would have zeroed
  dirty.back() = 1;
  std::string clean(static_cast<size_t>(b), '\0');
  clean[0] = 'a';
  clean.back() = 1;
  std::string countB(static_cast<size_t>(b), '\0');
  countB.back() = static_cast<char>(b);
  std::string count255(static_cast<size_t>(b), '\0');
  count255.back() = static_cast<char>(255);
  const Case cases[] = {
      {"count B-1, no padding", full, b - 1, b - 1},
      {"count 1, clean padding", clean, 1, 1},
      {"count 1, a non-zero padding byte", dirty, 1, -1},
      {"count B", countB, -1, -1},
      {"count 255", count255, -1, -1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(FinalBlockDataBytes(reinterpret_cast<const uint8_t*>(c.final.data()), b,
                                  FinalBlockCheck::kTailCount),
              c.tailCountOnly);
    EXPECT_EQ(FinalBlockDataBytes(reinterpret_cast<const uint8_t*>(c.final.data()), b,
                                  FinalBlockCheck::kTailCountAndPadding),
              c.withPadding);
    // Through the decoder: a rejected final block gives nothing of itself, the block before it
    // is already out, and the failure has its own type.
    const std::string stored = StreamEndingIn(c.final);
    for (const FinalBlockCheck check :
         {FinalBlockCheck::kTailCount, FinalBlockCheck::kTailCountAndPadding}) {
      const int32_t expected =
          check == FinalBlockCheck::kTailCount ? c.tailCountOnly : c.withPadding;
      const auto cipher = Cipher(false);
      StreamDecoder decoder(*cipher, Layout(), 1, check);
      StringSink sink;
      FeedInPieces(decoder, stored, 5, sink);
      if (expected < 0) {
        EXPECT_THROW(decoder.Finish(sink), EFinalBlockRejected);
        EXPECT_EQ(sink.text, Pattern(static_cast<size_t>(b), 7));
      } else {
        decoder.Finish(sink);
        EXPECT_EQ(sink.text, Pattern(static_cast<size_t>(b), 7) +
                                 c.final.substr(0, static_cast<size_t>(expected)));
      }
    }
  }
}

TEST_P(IncrementalEngine, AnInputReadToItsEndMustBeWholeBlocksBeyondTheLayoutsMinimum) {
  const std::string stored = Encode(Pattern(40, 3), 2);
  const auto b = static_cast<size_t>(B());
  const size_t minimum = Layout() == StreamLayout::kCbc ? 2 * b : b;
  for (const size_t length :
       {size_t{0}, size_t{1}, b - 1, b, b + 1, minimum - 1, stored.size() - 1, stored.size() + 1}) {
    if (length >= minimum && length % b == 0)
      continue;
    SCOPED_TRACE(length);
    std::string input = stored + "!";
    input.resize(length);
    const auto cipher = Cipher(false);
    TMemoryStream in(input);
    StringSink sink;
    EXPECT_THROW(DecryptStream(in, sink, *cipher, Layout(), InputExtent::kToEnd,
                               FinalBlockCheck::kTailCount, StreamSchedule{}),
                 ETruncatedStream);
    TMemoryStream again(input);
    EXPECT_THROW(PlainLengthOfStream(again, *cipher, Layout(), FinalBlockCheck::kTailCount,
                                     StreamSchedule{}),
                 ETruncatedStream);
    // Nothing from the last block: only blocks that were followed by another whole block.
    EXPECT_LE(sink.text.size(), length);
  }
}

TEST_P(IncrementalEngine, PlainLengthOfAStreamReadToItsEnd) {
  for (const size_t length : {size_t{0}, size_t(B() - 1), size_t(B()), size_t(3 * B() + 5)}) {
    const std::string stored = Encode(Pattern(length, 9), 4);
    TMemoryStream in(stored);
    EXPECT_EQ(PlainLengthOfStream(in, *Cipher(false), Layout(), FinalBlockCheck::kTailCount,
                                  StreamSchedule{}),
              static_cast<int64_t>(length));
  }
}

INSTANTIATE_TEST_SUITE_P(Formats, IncrementalEngine, ::testing::ValuesIn(kFormats),
                         [](const ::testing::TestParamInfo<Format>& param) {
                           return std::string(param.param.name);
                         });

// Counts the bytes read, so that a test sees which blocks a range cost.
class CountingInput final : public RandomAccessInput {
 public:
  explicit CountingInput(std::string bytes) : bytes_(std::move(bytes)) {}
  int64_t Size() override { return static_cast<int64_t>(bytes_.size()); }
  int64_t ReadAt(int64_t offset, uint8_t* buffer, int64_t count) override {
    const int64_t moved = std::clamp<int64_t>(Size() - offset, 0, count);
    std::memcpy(buffer, bytes_.data() + offset, static_cast<size_t>(moved));
    bytesRead += moved;
    return moved;
  }
  int64_t bytesRead = 0;

 private:
  std::string bytes_;
};

class EcbRandomAccess : public ::testing::TestWithParam<EncryptionMethod> {
 protected:
  int32_t B() const { return CipherMethodFor(GetParam()).BlockSize; }
  std::string Stored(const std::string& plain) const {
    const auto cipher = MakeCipherFor(GetParam(), kKey, true);
    TMemoryStream in(plain);
    StringSink sink;
    EncryptStream(in, sink, *cipher, StreamLayout::kEcb, InputExtent::kSize, StreamSchedule{});
    return sink.text;
  }
};

TEST_P(EcbRandomAccess, AnyRangeDecryptsOnlyTheBlocksItTouches) {
  const auto cipher = MakeCipherFor(GetParam(), kKey, false);
  const int32_t b = B();
  for (const int32_t length : {0, 1, b - 1, b, 2 * b - 1, 200000}) {
    SCOPED_TRACE(length);
    const std::string plain = Pattern(static_cast<size_t>(length), 21);
    CountingInput input(Stored(plain));
    EcbPlainReader reader(input, *cipher, FinalBlockCheck::kTailCountAndPadding);
    ASSERT_EQ(reader.PlainLength(), length);
    EXPECT_EQ(input.bytesRead, b);  // the final block alone
    std::mt19937 random(static_cast<uint32_t>(length));
    for (int i = 0; i < 50; ++i) {
      const int64_t offset = length == 0 ? 0 : random() % (length + 3);
      const int64_t count = random() % 100000;
      std::string got(static_cast<size_t>(count), '\0');
      input.bytesRead = 0;
      const int64_t moved = reader.Read(offset, reinterpret_cast<uint8_t*>(got.data()), count);
      const int64_t expected = std::clamp<int64_t>(length - offset, 0, count);
      ASSERT_EQ(moved, expected);
      EXPECT_EQ(got.substr(0, static_cast<size_t>(moved)),
                plain.substr(std::min<size_t>(static_cast<size_t>(offset), plain.size()),
                             static_cast<size_t>(moved)));
      if (moved > 0) {
        const int64_t touched = (offset + moved - 1) / b - offset / b + 1;
        EXPECT_EQ(input.bytesRead, touched * b);
      }
    }
  }
}

TEST_P(EcbRandomAccess, AFinalBlockThatFailsTheCheckOrNoBlockAtAllIsRefused) {
  const auto cipher = MakeCipherFor(GetParam(), kKey, false);
  uint8_t otherKey[32];
  for (int i = 0; i < 32; ++i)
    otherKey[i] = static_cast<uint8_t>(kKey[i] ^ 0x5A);
  const auto wrong = MakeCipherFor(GetParam(), otherKey, false);
  std::string stored = Stored("some plain text");
  {
    CountingInput input(stored.substr(0, static_cast<size_t>(B() - 1)));
    EcbPlainReader reader(input, *cipher, FinalBlockCheck::kTailCount);
    EXPECT_THROW(reader.PlainLength(), ETruncatedStream);
  }
  // Under another key almost every final block fails the padding check; this key's does.
  CountingInput input(stored);
  EcbPlainReader reader(input, *wrong, FinalBlockCheck::kTailCountAndPadding);
  EXPECT_THROW(reader.PlainLength(), EFinalBlockRejected);
  uint8_t byte = 0;
  EXPECT_THROW(reader.Read(0, &byte, 1), EFinalBlockRejected);
}

INSTANTIATE_TEST_SUITE_P(Methods, EcbRandomAccess,
                         ::testing::Values(EncryptionMethod::kTripleDes,
                                           EncryptionMethod::kRijndael),
                         [](const ::testing::TestParamInfo<EncryptionMethod>& param) {
                           return param.param == EncryptionMethod::kTripleDes ? "TripleDes"
                                                                              : "Rijndael";
                         });

}  // namespace
}  // namespace ostrel
