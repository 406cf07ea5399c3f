// The internal 128-bit Feistel cipher. Every file key passes through it (the digest's finish step),
// so each addition, shift and exchange below is part of the stored-file format.
#include "primitives/feistel128.h"

#include <algorithm>
#include <utility>

#include "primitives/byte_order.h"
#include "secret/secure_wipe.h"

namespace ostrel {
namespace {

// One constant per subkey group, so the four groups differ although each starts from the key.
constexpr uint32_t kScheduleConstants[4] = {0x55555555, 0xAAAAAAAA, 0x33333333, 0xCCCCCCCC};

constexpr int32_t kMinRounds = 4;
constexpr int32_t kMaxRounds = 16;
constexpr int kMixPassesPerGroup = 8;

}  // namespace

Feistel128Context::~Feistel128Context() {
  SecureWipe(*this);
}

void MixFourWords(uint32_t& a, uint32_t& b, uint32_t& c, uint32_t& d) noexcept {
  a += d;
  d += a;
  a ^= a >> 7;
  b += a;
  a += b;
  b ^= b << 13;
  c += b;
  b += c;
  c ^= c >> 17;
  d += c;
  c += d;
  d ^= d << 9;
  a += d;
  d += a;
  a ^= a >> 3;
  b += a;
  a += b;
  b ^= b << 7;
  c += b;
  b += c;
  c ^= d >> 15;  // d, not c: breaks the pattern of the other steps, and stored keys depend on it
  d += c;
  c += d;
  d ^= d << 11;
}

void MixEightWords(uint32_t& a, uint32_t& b, uint32_t& c, uint32_t& d, uint32_t& e, uint32_t& f,
                   uint32_t& g, uint32_t& h) noexcept {
  a ^= b << 11;
  d += a;
  b += c;
  b ^= c >> 2;
  e += b;
  c += d;
  c ^= d << 8;
  f += c;
  d += e;
  d ^= e >> 16;
  g += d;
  e += f;
  e ^= f << 10;
  h += e;
  f += g;
  f ^= g >> 4;
  a += f;
  g += h;
  g ^= h << 8;
  b += g;
  h += a;
  h ^= a >> 9;
  c += h;
  a += b;
}

void InitFeistel128Context(const uint8_t* key, Feistel128Context& context, int32_t rounds,
                           bool encrypt) noexcept {
  context.Direction = encrypt ? 1 : 0;
  context.RoundCount = std::max(kMinRounds, std::min(kMaxRounds, rounds));

  const uint32_t k0 = LoadLittleEndian32(key);
  const uint32_t k1 = LoadLittleEndian32(key + 4);
  const uint32_t k2 = LoadLittleEndian32(key + 8);
  const uint32_t k3 = LoadLittleEndian32(key + 12);

  for (int group = 0; group < 4; ++group) {
    // Each group restarts from the key: nothing carries over from the previous group.
    const uint32_t constant = kScheduleConstants[group];
    uint32_t a = k0, b = constant, c = k1, d = constant;
    uint32_t e = k2, f = constant, g = k3, h = constant;
    for (int pass = 0; pass < kMixPassesPerGroup; ++pass) {
      MixEightWords(a, b, c, d, e, f, g, h);
    }
    uint32_t(*subKeys)[2] = &context.SubKeys[4 * group];
    subKeys[0][0] = a;
    subKeys[0][1] = b;
    subKeys[1][0] = c;
    subKeys[1][1] = d;
    subKeys[2][0] = e;
    subKeys[2][1] = f;
    subKeys[3][0] = g;
    subKeys[3][1] = h;
  }

  // The halves leave a block exchanged, so the same transform with the used subkeys reversed
  // undoes it. Subkeys beyond RoundCount are never used and stay as computed.
  if (!encrypt) {
    for (int32_t i = 0, j = context.RoundCount - 1; i < j; ++i, --j) {
      std::swap(context.SubKeys[i][0], context.SubKeys[j][0]);
      std::swap(context.SubKeys[i][1], context.SubKeys[j][1]);
    }
  }
}

void Feistel128Block(const Feistel128Context& context, uint8_t* block) noexcept {
  // R is bytes 0-7, L bytes 8-15.
  uint32_t right0 = LoadLittleEndian32(block);
  uint32_t right1 = LoadLittleEndian32(block + 4);
  uint32_t left0 = LoadLittleEndian32(block + 8);
  uint32_t left1 = LoadLittleEndian32(block + 12);

  for (int32_t round = 0; round < context.RoundCount; ++round) {
    uint32_t a = right0;
    uint32_t b = context.SubKeys[round][0];
    uint32_t c = right1;
    uint32_t d = context.SubKeys[round][1];
    MixFourWords(a, b, c, d);
    std::swap(a, c);
    std::swap(b, d);
    MixFourWords(a, b, c, d);
    const uint32_t next0 = left0 ^ a ^ b;
    const uint32_t next1 = left1 ^ c ^ d;
    left0 = right0;
    left1 = right1;
    right0 = next0;
    right1 = next1;
  }

  // The halves come out exchanged: L first.
  StoreLittleEndian32(block, left0);
  StoreLittleEndian32(block + 4, left1);
  StoreLittleEndian32(block + 8, right0);
  StoreLittleEndian32(block + 12, right1);
}

}  // namespace ostrel
