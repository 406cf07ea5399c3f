#include "cipher/base64_stream.h"

#include <array>
#include <cstdint>
#include <string_view>

#include "cipher/stream_formats.h"
#include "errors/exceptions.h"

namespace ostrel {
namespace {

constexpr std::string_view kAlphabet =
    "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
constexpr char kFill = '=';

// 45 bytes make 60 characters with no fill, so chunked output equals the text of the whole input.
constexpr int32_t kEncodeChunkBytes = 45;
constexpr int32_t kEncodeChunkChars = kEncodeChunkBytes / 3 * 4;
constexpr int32_t kDecodeChunkChars = 88;
constexpr int32_t kDecodeChunkBytes = kDecodeChunkChars / 4 * 3;

// Characters "+" (43) to "z" (122) have a value: alphabet characters their position, the others
// in that range (the fill character among them) 127. Characters outside the range are refused.
constexpr unsigned char kFirstDecodable = '+';
constexpr unsigned char kLastDecodable = 'z';
constexpr uint8_t kNotInAlphabet = 127;

constexpr std::array<uint8_t, kLastDecodable - kFirstDecodable + 1> MakeDecodingTable() {
  std::array<uint8_t, kLastDecodable - kFirstDecodable + 1> table{};
  for (auto& value : table)
    value = kNotInAlphabet;
  for (std::size_t i = 0; i < kAlphabet.size(); ++i) {
    table[static_cast<unsigned char>(kAlphabet[i]) - kFirstDecodable] = static_cast<uint8_t>(i);
  }
  return table;
}
constexpr auto kDecodingTable = MakeDecodingTable();

// Encodes one group of 1 to 3 bytes into 4 characters; missing bits are zero, missing characters
// the fill.
void EncodeGroup(const uint8_t* bytes, int32_t count, char* characters) {
  const uint32_t b0 = bytes[0];
  const uint32_t b1 = count > 1 ? bytes[1] : 0;
  const uint32_t b2 = count > 2 ? bytes[2] : 0;
  characters[0] = kAlphabet[b0 >> 2];
  characters[1] = kAlphabet[((b0 & 0x03) << 4) | (b1 >> 4)];
  characters[2] = count > 1 ? kAlphabet[((b1 & 0x0F) << 2) | (b2 >> 6)] : kFill;
  characters[3] = count > 2 ? kAlphabet[b2 & 0x3F] : kFill;
}

uint32_t DecodedValue(char character) {
  const auto code = static_cast<unsigned char>(character);
  if (code < kFirstDecodable || code > kLastDecodable) {
    throw Exception("Invalid Base64 Character");
  }
  return kDecodingTable[code - kFirstDecodable];
}

// Decodes one group of `count` characters (4, or 2 to 3 for an unfilled last group) and returns
// the number of bytes it gave. The third and fourth bytes are left out where the fill stands.
int32_t DecodeGroup(const char* characters, int32_t count, uint8_t* bytes) {
  uint32_t values[4] = {};
  for (int32_t i = 0; i < count; ++i)
    values[i] = DecodedValue(characters[i]);
  if (count < 2)
    return 0;  // six bits make no byte
  int32_t produced = 0;
  bytes[produced++] = static_cast<uint8_t>((values[0] << 2) | (values[1] >> 4));
  if (count < 3 || characters[2] == kFill)
    return produced;
  bytes[produced++] = static_cast<uint8_t>((values[1] << 4) | (values[2] >> 2));
  if (count < 4 || characters[3] == kFill)
    return produced;
  bytes[produced++] = static_cast<uint8_t>((values[2] << 6) | values[3]);
  return produced;
}

// Fills the buffer unless the input ends first. A stream may deliver fewer bytes than asked for
// before its end (a pipe does); taking such a read for the end would drop the rest of the text,
// and a chunk that stopped inside a group would put fill characters in the middle of it.
int32_t ReadChunk(TStream& input, void* buffer, int32_t count) {
  auto* bytes = static_cast<char*>(buffer);
  int32_t done = 0;
  while (done < count) {
    const int32_t read = input.Read(bytes + done, count - done);
    if (read <= 0)
      break;
    done += read;
  }
  return done;
}

}  // namespace

void Base64EncodeStream(TStream& input, TStream& output) {
  uint8_t bytes[kEncodeChunkBytes];
  char characters[kEncodeChunkChars];
  int32_t read = 0;
  do {
    read = ReadChunk(input, bytes, kEncodeChunkBytes);
    if (read <= 0)
      break;
    int32_t written = 0;
    for (int32_t i = 0; i < read; i += 3) {
      EncodeGroup(bytes + i, read - i < 3 ? read - i : 3, characters + written);
      written += 4;
    }
    WriteExact(output, characters, written);
  } while (read == kEncodeChunkBytes);
}

void Base64DecodeStream(TStream& input, TStream& output) {
  char characters[kDecodeChunkChars];
  uint8_t bytes[kDecodeChunkBytes];
  int32_t read = 0;
  do {
    read = ReadChunk(input, characters, kDecodeChunkChars);
    if (read <= 0)
      break;
    int32_t produced = 0;
    for (int32_t i = 0; i < read; i += 4) {
      produced += DecodeGroup(characters + i, read - i < 4 ? read - i : 4, bytes + produced);
    }
    WriteExact(output, bytes, produced);
  } while (read == kDecodeChunkChars);
}

}  // namespace ostrel
