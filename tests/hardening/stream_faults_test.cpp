// Faults injected through the stream interface at every point of a small stream: reads that fail
// or come short, writes that fail or store only part. Each must end in its documented message,
// with the output holding only what was complete before the fault and the input never written.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "cipher/memory_stream.h"
#include "cipher/stream_formats.h"
#include "errors/exceptions.h"
#include "fault_streams.h"
#include "primitives/des.h"
#include "primitives/rijndael.h"

namespace ostrel {
namespace {

using hardening::FailingInput;
using hardening::FailingOutput;

const uint8_t kKey[32] = {0x8e, 0x73, 0xb0, 0xf7, 0xda, 0x0e, 0x64, 0x52, 0xc8, 0x10, 0xf3,
                          0x2b, 0x80, 0x90, 0x79, 0xe5, 0x62, 0xf8, 0xea, 0xd2, 0x52, 0x2c,
                          0x6b, 0x7b, 0xe9, 0x1a, 0xa5, 0x51, 0x0b, 0x1c, 0x2a, 0x35};

struct Format {
  const char* name;
  int32_t blockSize;
  bool chained;
  void (*run)(TStream& input, TStream& output, bool encrypt);
};

const Format kFormats[] = {
    {"TripleDesEcb", 8, false,
     [](TStream& in, TStream& out, bool encrypt) { TripleDesStreamEcb(in, out, kKey, encrypt); }},
    {"TripleDesCbc", 8, true,
     [](TStream& in, TStream& out, bool encrypt) { TripleDesStreamCbc(in, out, kKey, encrypt); }},
    {"RijndaelEcb", 16, false,
     [](TStream& in, TStream& out, bool encrypt) {
       RijndaelStreamEcb(in, out, kKey, 32, encrypt);
     }},
    {"RijndaelCbc", 16, true,
     [](TStream& in, TStream& out, bool encrypt) {
       RijndaelStreamCbc(in, out, kKey, 32, encrypt);
     }},
};

std::string Plain(std::size_t length) {
  std::string bytes(length, '\0');
  for (std::size_t i = 0; i < length; ++i)
    bytes[i] = static_cast<char>(i * 41 + 3);
  return bytes;
}

// The whole cipher blocks of an encrypted stream (or of the start of one), decrypted one by one
// with the block calls: the plain text they stand for, final block included as it is.
std::string DecryptWholeBlocks(const Format& format, const std::string& stream) {
  const auto b = static_cast<std::size_t>(format.blockSize);
  TripleDesContext des;
  RijndaelContext rijndael;
  InitTripleDesContext(kKey, des, false);
  InitRijndaelContext(kKey, 32, rijndael, false);
  std::string plain;
  for (std::size_t at = format.chained ? b : 0; at + b <= stream.size(); at += b) {
    std::string block = stream.substr(at, b);
    auto* bytes = reinterpret_cast<uint8_t*>(block.data());
    if (b == 8) {
      TripleDesBlock(des, bytes);
    } else {
      RijndaelBlock(rijndael, bytes);
    }
    if (format.chained) {
      for (std::size_t i = 0; i < b; ++i)
        block[i] = static_cast<char>(block[i] ^ stream[at - b + i]);
    }
    plain += block;
  }
  return plain;
}

template <typename Action>
std::string MessageOf(Action action) {
  try {
    action();
  } catch (const Exception& error) {
    return std::string(error.ClassName()) + ": " + error.Message();
  }
  return "nothing raised";
}

class StreamFaults : public ::testing::TestWithParam<Format> {
 protected:
  const Format& format() const { return GetParam(); }
  std::size_t B() const { return static_cast<std::size_t>(GetParam().blockSize); }
  std::size_t LayoutBlocks() const { return GetParam().chained ? 2 : 1; }

  // Three whole blocks and five bytes: faults can fall on every kind of block.
  std::string plain_ = Plain(3 * 16 + 5);
};

// A read that fails or comes short at any byte, block boundaries included, is "Invalid file
// format"; the output then holds exactly the blocks completed before it.
TEST_P(StreamFaults, AReadFaultAtAnyOffsetIsInvalidAndKeepsOnlyCompleteBlocks) {
  const std::string plain = plain_.substr(0, 3 * B() + 5);
  TMemoryStream source(plain);
  TMemoryStream encryptedStream;
  format().run(source, encryptedStream, true);
  const std::string encrypted = encryptedStream.Bytes();

  for (auto fault : {FailingInput::Fault::Fails, FailingInput::Fault::ComesShort}) {
    for (std::size_t failAt = 0; failAt < plain.size(); ++failAt) {
      FailingInput input(plain, static_cast<int64_t>(failAt), fault);
      TMemoryStream output;
      EXPECT_EQ(MessageOf([&] { format().run(input, output, true); }),
                "ECipherException: Invalid file format")
          << "encrypting, fault at " << failAt;
      const std::size_t wholeBlocks = std::min(failAt / B(), plain.size() / B());
      ASSERT_EQ(output.Bytes().size(), (wholeBlocks + LayoutBlocks() - 1) * B()) << failAt;
      EXPECT_EQ(DecryptWholeBlocks(format(), output.Bytes()), plain.substr(0, wholeBlocks * B()))
          << failAt;
    }
    for (std::size_t failAt = 0; failAt < encrypted.size(); ++failAt) {
      FailingInput input(encrypted, static_cast<int64_t>(failAt), fault);
      TMemoryStream output;
      EXPECT_EQ(MessageOf([&] { format().run(input, output, false); }),
                "ECipherException: Invalid file format")
          << "decrypting, fault at " << failAt;
      const std::size_t readBlocks = failAt / B();
      const std::size_t plainBlocks =
          readBlocks >= LayoutBlocks() - 1 ? readBlocks - (LayoutBlocks() - 1) : 0;
      EXPECT_EQ(output.Bytes(), plain.substr(0, plainBlocks * B())) << failAt;
    }
  }
}

// A write that fails at any offset is "Error writing to temp file"; the output then holds a prefix
// of what the whole run writes, up to the fault and no further.
TEST_P(StreamFaults, AWriteFaultAtAnyOffsetReportsTheWriteErrorAndKeepsAPrefix) {
  const std::string plain = plain_.substr(0, 3 * B() + 5);
  TMemoryStream source(plain);
  TMemoryStream encryptedStream;
  format().run(source, encryptedStream, true);
  const std::string encrypted = encryptedStream.Bytes();

  for (auto fault : {FailingOutput::Fault::StoresNothing, FailingOutput::Fault::StoresWhatFits}) {
    const bool storesWhatFits = fault == FailingOutput::Fault::StoresWhatFits;
    for (std::size_t failAt = 0; failAt < encrypted.size(); ++failAt) {
      TMemoryStream input(plain);
      FailingOutput output(static_cast<int64_t>(failAt), fault);
      EXPECT_EQ(MessageOf([&] { format().run(input, output, true); }),
                "ECipherException: Error writing to temp file")
          << "encrypting, fault at " << failAt;
      const std::string& written = output.Bytes();
      EXPECT_LE(written.size(), failAt);
      if (storesWhatFits) {
        EXPECT_EQ(written.size(), failAt);
      }
      if (!format().chained) {
        EXPECT_EQ(written, encrypted.substr(0, written.size())) << failAt;
      } else {
        EXPECT_EQ(DecryptWholeBlocks(format(), written),
                  plain.substr(0, written.size() / B() * B() - (written.size() >= B() ? B() : 0)))
            << failAt;
      }
    }
    for (std::size_t failAt = 0; failAt < plain.size(); ++failAt) {
      TMemoryStream input(encrypted);
      FailingOutput output(static_cast<int64_t>(failAt), fault);
      EXPECT_EQ(MessageOf([&] { format().run(input, output, false); }),
                "ECipherException: Error writing to temp file")
          << "decrypting, fault at " << failAt;
      EXPECT_LE(output.Bytes().size(), failAt);
      if (storesWhatFits) {
        EXPECT_EQ(output.Bytes().size(), failAt);
      }
      EXPECT_EQ(output.Bytes(), plain.substr(0, output.Bytes().size())) << failAt;
    }
  }
}

// An input that delivers fewer bytes than its size announced (a file that shrinks while it is
// read), by any amount: the reader stops at the first block it cannot fill.
TEST_P(StreamFaults, AnInputThatShrinksWhileReadIsInvalid) {
  const std::string plain = plain_.substr(0, 3 * B() + 5);
  TMemoryStream source(plain);
  TMemoryStream encryptedStream;
  format().run(source, encryptedStream, true);
  const std::string encrypted = encryptedStream.Bytes();
  for (std::size_t missing = 1; missing <= encrypted.size(); ++missing) {
    // The announced size is the whole stream's; the bytes stop `missing` before its end.
    FailingInput input(encrypted, static_cast<int64_t>(encrypted.size() - missing),
                       FailingInput::Fault::Fails);
    TMemoryStream output;
    EXPECT_EQ(MessageOf([&] { format().run(input, output, false); }),
              "ECipherException: Invalid file format")
        << missing;
    EXPECT_EQ(output.Bytes(), plain.substr(0, output.Bytes().size())) << missing;
    EXPECT_EQ(output.Bytes().size() % B(), 0u) << missing;
  }
}

void PrintTo(const Format& format, std::ostream* out) {
  *out << format.name;
}

std::string ParamName(const ::testing::TestParamInfo<Format>& param) {
  return param.param.name;
}

INSTANTIATE_TEST_SUITE_P(AllCiphersAndLayouts, StreamFaults, ::testing::ValuesIn(kFormats),
                         ParamName);

}  // namespace
}  // namespace ostrel
