// The pass-phrase digest on any bytes: fed in pieces it equals fed whole, every shorter key is a
// prefix of the longer one, and nothing beyond 256 output bytes is touched.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string_view>

#include "primitives/fold_digest.h"
#include "property_check.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  using namespace ostrel;
  if (size < 2 || size > 100000)
    return 0;
  // First byte: the output length asked for (some of them 0 or less); second: the piece length.
  const int32_t outLength = static_cast<int32_t>(data[0]) * 2 - 100;
  const std::size_t piece = 1 + data[1] % 37;
  const uint8_t* input = data + 2;
  const auto length = static_cast<int32_t>(size - 2);

  uint8_t whole[320];
  std::memset(whole, 0xA5, sizeof whole);
  FoldDigest(whole, 300, input, length);
  for (std::size_t i = 256; i < sizeof whole; ++i)
    OSTREL_CHECK(whole[i] == 0xA5);

  uint8_t pieces[320];
  std::memset(pieces, 0xA5, sizeof pieces);
  FoldDigestContext context;
  InitFoldDigest(context);
  for (int32_t at = 0; at < length; at += static_cast<int32_t>(piece)) {
    const int32_t count = std::min<int32_t>(static_cast<int32_t>(piece), length - at);
    UpdateFoldDigest(context, input + at, count);
    UpdateFoldDigest(context, input + at, 0);  // empty pieces feed nothing
    UpdateFoldDigest(context, input + at, -1);
  }
  FinishFoldDigest(context, pieces, outLength);
  const std::size_t written =
      outLength <= 0 ? 0 : static_cast<std::size_t>(std::min(outLength, 256));
  OSTREL_CHECK(std::memcmp(pieces, whole, written) == 0);
  for (std::size_t i = written; i < sizeof pieces; ++i)
    OSTREL_CHECK(pieces[i] == 0xA5);

  uint8_t key[32];
  PassphraseToKey(key, 32, std::string_view(reinterpret_cast<const char*>(input), size - 2));
  OSTREL_CHECK(std::memcmp(key, whole, sizeof key) == 0);
  return 0;
}
