// The pass-phrase digest. Input bytes fold into a 256-byte buffer seeded with pi and, eight at a
// time, into the first half of a 16-byte stir key; finishing pads, keys the internal cipher with
// the stir key and encrypts the buffer. File keys are prefixes of the result, so every step here is
// part of the stored-file format.
#include "primitives/fold_digest.h"

#include <algorithm>
#include <cstring>
#include <limits>

#include "primitives/byte_order.h"
#include "primitives/feistel128.h"
#include "secret/secure_wipe.h"

namespace ostrel {
namespace {

constexpr int32_t kFoldSize = 256;
constexpr int32_t kStirGroup = 8;  // input touches only the first half of the stir key
constexpr uint8_t kInitialStirByte = 0x55;
constexpr uint8_t kFinishPad[kStirGroup] = {0x01, 0, 0, 0, 0, 0, 0, 0};
constexpr int32_t kFinishRounds = 8;
constexpr int32_t kFeistelBlockSize = 16;

// The words are loaded in reverse order and stored in forward order.
void Stir(uint8_t* stirKey) noexcept {
  uint32_t a = LoadLittleEndian32(stirKey + 12);
  uint32_t b = LoadLittleEndian32(stirKey + 8);
  uint32_t c = LoadLittleEndian32(stirKey + 4);
  uint32_t d = LoadLittleEndian32(stirKey);
  for (int pass = 0; pass < 4; ++pass) {
    MixFourWords(a, b, c, d);
  }
  StoreLittleEndian32(stirKey, a);
  StoreLittleEndian32(stirKey + 4, b);
  StoreLittleEndian32(stirKey + 8, c);
  StoreLittleEndian32(stirKey + 12, d);
}

}  // namespace

FoldDigestContext::~FoldDigestContext() {
  SecureWipe(*this);
}

void InitFoldDigest(FoldDigestContext& context) noexcept {
  context.FoldIndex = 0;
  std::memcpy(context.FoldBuffer, FoldSeed, sizeof context.FoldBuffer);
  context.StirIndex = 0;
  std::memset(context.StirKey, kInitialStirByte, sizeof context.StirKey);
}

void UpdateFoldDigest(FoldDigestContext& context, const uint8_t* data, int32_t length) noexcept {
  for (int32_t i = 0; i < length; ++i) {
    const uint8_t x = data[i];
    context.FoldBuffer[context.FoldIndex] ^= x;
    if (++context.FoldIndex == kFoldSize) {
      context.FoldIndex = 0;  // longer input folds over the same buffer again
    }
    context.StirKey[context.StirIndex] ^= x;
    if (++context.StirIndex == kStirGroup) {
      Stir(context.StirKey);
      context.StirIndex = 0;
    }
  }
}

void FinishFoldDigest(FoldDigestContext& context, uint8_t* out, int32_t outLength) noexcept {
  // The pad always completes a group of eight, so it always ends with a stir; input whose length is
  // a multiple of eight gets all eight pad bytes.
  UpdateFoldDigest(context, kFinishPad, kStirGroup - context.StirIndex);

  Feistel128Context cipher;
  InitFeistel128Context(context.StirKey, cipher, kFinishRounds, true);
  uint8_t encrypted[kFoldSize];
  std::memcpy(encrypted, context.FoldBuffer, sizeof encrypted);
  for (int32_t offset = 0; offset < kFoldSize; offset += kFeistelBlockSize) {
    Feistel128Block(cipher, encrypted + offset);
  }
  if (outLength > 0) {
    std::memcpy(out, encrypted, static_cast<size_t>(std::min(outLength, kFoldSize)));
  }
  SecureWipe(encrypted, sizeof encrypted);
}

void FoldDigest(uint8_t* out, int32_t outLength, const uint8_t* data, int32_t dataLength) noexcept {
  FoldDigestContext context;
  InitFoldDigest(context);
  UpdateFoldDigest(context, data, dataLength);
  FinishFoldDigest(context, out, outLength);
}

void PassphraseToKey(uint8_t* key, int32_t keyLength, std::string_view passphrase) noexcept {
  // A pass phrase may be longer than one signed 32-bit feed; pieces fed in turn digest the same as
  // one feed, so no byte of it is dropped.
  constexpr size_t kMaxPiece = std::numeric_limits<int32_t>::max();
  FoldDigestContext context;
  InitFoldDigest(context);
  const auto* bytes = reinterpret_cast<const uint8_t*>(passphrase.data());
  for (size_t remaining = passphrase.size(); remaining > 0;) {
    const size_t piece = std::min(remaining, kMaxPiece);
    UpdateFoldDigest(context, bytes, static_cast<int32_t>(piece));
    bytes += piece;
    remaining -= piece;
  }
  FinishFoldDigest(context, key, keyLength);
}

}  // namespace ostrel
