// The stream readers and writers of both ciphers and both layouts, on any bytes under any key.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "cipher/block_cipher.h"
#include "cipher/byte_sink.h"
#include "cipher/memory_stream.h"
#include "cipher/stream_decoder.h"
#include "cipher/stream_encoder.h"
#include "cipher/stream_errors.h"
#include "cipher/stream_formats.h"
#include "errors/exceptions.h"
#include "property_check.h"

namespace ostrel {
namespace {

struct Format {
  int64_t blockSize;
  bool chained;
  int32_t keyLength;
  void (*run)(TStream&, TStream&, const uint8_t*, int32_t, bool);
};

const Format kFormats[] = {
    {8, false, 16,
     [](TStream& in, TStream& out, const uint8_t* key, int32_t, bool encrypt) {
       TripleDesStreamEcb(in, out, key, encrypt);
     }},
    {8, true, 16,
     [](TStream& in, TStream& out, const uint8_t* key, int32_t, bool encrypt) {
       TripleDesStreamCbc(in, out, key, encrypt);
     }},
    {16, false, 16, RijndaelStreamEcb},
    {16, false, 24, RijndaelStreamEcb},
    {16, false, 32, RijndaelStreamEcb},
    {16, true, 16, RijndaelStreamCbc},
    {16, true, 24, RijndaelStreamCbc},
    {16, true, 32, RijndaelStreamCbc},
};

std::string Run(const Format& format, const uint8_t* key, std::string_view input, bool encrypt) {
  TMemoryStream in(input);
  TMemoryStream out;
  format.run(in, out, key, format.keyLength, encrypt);
  return out.Bytes();
}

// Reading any bytes: either "Invalid file format" with only whole blocks written, or the whole
// blocks after the layout's own and at most B-1 bytes of the final block. Never more than the
// input less one block (two for CBC).
void CheckReader(const Format& format, const uint8_t* key, std::string_view input) {
  const int64_t b = format.blockSize;
  const int64_t size = static_cast<int64_t>(input.size());
  const int64_t layoutBlocks = format.chained ? 2 : 1;
  TMemoryStream in(input);
  TMemoryStream out;
  try {
    format.run(in, out, key, format.keyLength, false);
  } catch (const ECipherException& error) {
    OSTREL_CHECK(error.Message() == "Invalid file format");
    OSTREL_CHECK(out.Size() % b == 0);
    OSTREL_CHECK(out.Size() <= std::max<int64_t>(size - layoutBlocks * b, 0));
    if (size < layoutBlocks * b)
      OSTREL_CHECK(out.Size() == 0);
    return;
  }
  const int64_t plainWholeBlocks = size / b - layoutBlocks;
  OSTREL_CHECK(plainWholeBlocks >= 0);
  OSTREL_CHECK(out.Size() >= plainWholeBlocks * b && out.Size() < plainWholeBlocks * b + b);
  // The final block carries at most B-1 data bytes, so the plain text is at least one byte shorter
  // than the input's whole blocks (one block and one byte for CBC, whose chaining block is no
  // data).
  OSTREL_CHECK(out.Size() <= (size / b - layoutBlocks + 1) * b - 1);

  // ECB: the plain text encrypts back to the input's blocks, all but the final one, whose padding
  // bytes need not have been zero.
  if (!format.chained) {
    const std::string again = Run(format, key, out.Bytes(), true);
    OSTREL_CHECK(static_cast<int64_t>(again.size()) == (plainWholeBlocks + 1) * b);
    const auto prefix = static_cast<std::size_t>(plainWholeBlocks * b);
    OSTREL_CHECK(again.compare(0, prefix, input.substr(0, prefix)) == 0);
  }
}

void CheckRoundTrip(const Format& format, const uint8_t* key, std::string_view plain) {
  const int64_t b = format.blockSize;
  const std::string encrypted = Run(format, key, plain, true);
  const int64_t blocks = static_cast<int64_t>(plain.size()) / b + (format.chained ? 2 : 1);
  OSTREL_CHECK(static_cast<int64_t>(encrypted.size()) == blocks * b);
  OSTREL_CHECK(Run(format, key, encrypted, false) == plain);
}

class StringSink final : public ByteSink {
 public:
  void Put(const uint8_t* bytes, int64_t count) override {
    text.append(reinterpret_cast<const char*>(bytes), static_cast<std::size_t>(count));
  }
  std::string text;
};

std::unique_ptr<BlockCipher> CipherOf(const Format& format, const uint8_t* key, bool encrypt) {
  if (format.blockSize == 8)
    return MakeTripleDesCipher(key, encrypt);
  return MakeRijndaelCipher(key, format.keyLength, encrypt);
}

// Feeds the bytes in pieces whose sizes come from the pieces string, cycling through it.
template <class Engine>
void FeedInPieces(Engine& engine, std::string bytes, std::string_view pieces, ByteSink& sink) {
  std::size_t at = 0;
  for (std::size_t turn = 0; at < bytes.size(); ++turn) {
    std::size_t wanted =
        pieces.empty() ? bytes.size() : static_cast<uint8_t>(pieces[turn % pieces.size()]);
    if (wanted == 0) {
      // An empty piece changes nothing; the next byte still has to come.
      engine.Feed(reinterpret_cast<uint8_t*>(bytes.data() + at), 0, sink);
      wanted = 1;
    }
    const std::size_t piece = std::min(wanted, bytes.size() - at);
    engine.Feed(reinterpret_cast<uint8_t*>(bytes.data() + at), static_cast<int64_t>(piece), sink);
    at += piece;
  }
}

// The incremental engine, fed in pieces of any size, gives what the stream procedures give for the
// whole buffer: the same plain text or the same failure with the same blocks written before it
// (only whole blocks of the input count, as the procedures read them), and for ECB the same
// encrypted bytes.
void CheckIncremental(const Format& format, const uint8_t* key, std::string_view input,
                      std::string_view pieces) {
  const StreamLayout layout = format.chained ? StreamLayout::kCbc : StreamLayout::kEcb;
  const std::string whole(
      input.substr(0, input.size() / static_cast<std::size_t>(format.blockSize) *
                          static_cast<std::size_t>(format.blockSize)));
  std::string expected;
  bool expectedFailure = false;
  {
    TMemoryStream in(whole);
    TMemoryStream out;
    try {
      format.run(in, out, key, format.keyLength, false);
    } catch (const ECipherException&) {
      expectedFailure = true;
    }
    expected = out.Bytes();
  }
  const auto decrypting = CipherOf(format, key, false);
  StreamDecoder decoder(*decrypting, layout, 1, FinalBlockCheck::kTailCount);
  StringSink plain;
  FeedInPieces(decoder, whole, pieces, plain);
  bool failed = false;
  try {
    decoder.Finish(plain);
  } catch (const ETruncatedStream&) {
    failed = true;
  } catch (const EFinalBlockRejected&) {
    failed = true;
  }
  OSTREL_CHECK(failed == expectedFailure);
  OSTREL_CHECK(plain.text == expected);

  const auto encrypting = CipherOf(format, key, true);
  StreamEncoder encoder(*encrypting, layout, 1);
  StringSink encrypted;
  FeedInPieces(encoder, std::string(input), pieces, encrypted);
  encoder.Finish(encrypted);
  if (!format.chained)
    OSTREL_CHECK(encrypted.text == Run(format, key, input, true));
  OSTREL_CHECK(Run(format, key, encrypted.text, false) == input);
}

}  // namespace
}  // namespace ostrel

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  using namespace ostrel;
  // One byte picks the format, 32 the key, one the number of piece sizes that follow them; the
  // rest is the stream.
  if (size < 34)
    return 0;
  const Format& format = kFormats[data[0] % std::size(kFormats)];
  const uint8_t* key = data + 1;
  const std::size_t pieceCount = std::min<std::size_t>(data[33] % 8, size - 34);
  const std::string_view pieces(reinterpret_cast<const char*>(data + 34), pieceCount);
  const std::string_view stream(reinterpret_cast<const char*>(data + 34 + pieceCount),
                                size - 34 - pieceCount);
  CheckReader(format, key, stream);
  CheckRoundTrip(format, key, stream);
  CheckIncremental(format, key, stream, pieces);
  return 0;
}
