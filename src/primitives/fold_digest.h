// The variable-length pass-phrase digest: input bytes are XOR-folded into a 256-byte buffer seeded
// with the digits of pi and stirred into a 16-byte key; finishing encrypts the buffer with that
// key. A file key is a prefix of the result, so the 16-byte key equals the start of the 32-byte
// key.
#pragma once

#include <cstdint>
#include <string_view>

namespace ostrel {

struct FoldDigestContext {
  int32_t FoldIndex;  // 0..255: where the next input byte folds in
  uint8_t FoldBuffer[256];
  int32_t StirIndex;  // 0..7: where the next input byte goes in StirKey
  uint8_t StirKey[16];

  ~FoldDigestContext();
};

// The first 2048 bits of the fractional part of pi, most significant first.
extern const uint8_t FoldSeed[256];

void InitFoldDigest(FoldDigestContext& context) noexcept;
// Feeds length bytes; length <= 0 feeds nothing. Pieces fed separately equal one feed.
void UpdateFoldDigest(FoldDigestContext& context, const uint8_t* data, int32_t length) noexcept;
// Pads, then writes min(outLength, 256) digest bytes; nothing when outLength <= 0.
void FinishFoldDigest(FoldDigestContext& context, uint8_t* out, int32_t outLength) noexcept;
void FoldDigest(uint8_t* out, int32_t outLength, const uint8_t* data, int32_t dataLength) noexcept;

// Writes min(keyLength, 256) key bytes derived from the pass phrase's bytes exactly as given.
void PassphraseToKey(uint8_t* key, int32_t keyLength, std::string_view passphrase) noexcept;

}  // namespace ostrel
