// DES as FIPS 46-3 defines it, and two-key Triple-DES (E(K1) D(K2) E(K1)) of NIST SP 800-67.
// The halves are held rotated left by one bit, which lets each round read the six-bit E-expansion
// fields straight out of two words and do S-boxes and P with eight look-ups in SP1..SP8.
#include "primitives/des.h"

#include "primitives/byte_order.h"
#include "primitives/des_round.h"
#include "primitives/des_tables.h"
#include "primitives/xor_bytes.h"
#include "secret/secure_wipe.h"

namespace ostrel {
namespace {

using namespace des_round;

constexpr int kRounds = 16;
constexpr uint32_t kHalfKeyMask = 0x0FFFFFFF;  // C and D are 28 bits each

inline uint32_t RotateLeft28(uint32_t half, int count) noexcept {
  return ((half << count) | (half >> (28 - count))) & kHalfKeyMask;
}

// Key bit p counts from 1 at the most significant bit of byte 0.
inline uint32_t KeyBit(const uint8_t* key, int position) noexcept {
  const int index = position - 1;
  return (key[index / 8] >> (7 - index % 8)) & 1u;
}

}  // namespace

DesContext::~DesContext() {
  SecureWipe(*this);
}

void InitDesContext(const uint8_t* key, DesContext& context, bool encrypt) noexcept {
  uint32_t c = 0;
  uint32_t d = 0;
  for (int i = 0; i < 28; ++i) {
    c = (c << 1) | KeyBit(key, DesPermutedChoice1[i]);
    d = (d << 1) | KeyBit(key, DesPermutedChoice1[28 + i]);
  }

  for (int round = 0; round < kRounds; ++round) {
    // Always rotated from the PC-1 selection by the total shift up to this round.
    const int shift = DesCumulativeShifts[round];
    const uint64_t cd =
        static_cast<uint64_t>(RotateLeft28(c, shift)) << 28 | RotateLeft28(d, shift);

    // Six-bit groups g1..g8, the first bit of each group its most significant.
    uint32_t groups[8] = {};
    for (int bit = 0; bit < 48; ++bit) {
      const uint32_t value = static_cast<uint32_t>(cd >> (56 - DesPermutedChoice2[bit])) & 1u;
      groups[bit / 6] = (groups[bit / 6] << 1) | value;
    }
    const uint32_t a = groups[0] << 24 | groups[2] << 16 | groups[4] << 8 | groups[6];
    const uint32_t b = groups[1] << 24 | groups[3] << 16 | groups[5] << 8 | groups[7];

    // Decryption is the same pass with the rounds' subkeys in reverse order.
    const int pair = encrypt ? round : kRounds - 1 - round;
    context.SubKeys[2 * pair] = a;
    context.SubKeys[2 * pair + 1] = b;
    SecureWipe(groups, sizeof groups);
  }
  context.Direction = encrypt;
  SecureWipe(&c, sizeof c);
  SecureWipe(&d, sizeof d);
}

void DesBlock(const DesContext& context, uint8_t* block) noexcept {
  uint32_t left = LoadBigEndian32(block);
  uint32_t right = LoadBigEndian32(block + 4);
  InitialPermutation(left, right);

  // Double rounds: the halves change roles instead of being exchanged.
  const uint32_t* keys = context.SubKeys;
  for (int pair = 0; pair < kRounds; pair += 2, keys += 4) {
    left ^= RoundFunction(right, keys[0], keys[1]);
    right ^= RoundFunction(left, keys[2], keys[3]);
  }

  // The standard's output is R16 L16.
  FinalPermutation(right, left);
  StoreBigEndian32(block, right);
  StoreBigEndian32(block + 4, left);
}

void InitTripleDesContext(const uint8_t* key, TripleDesContext& context, bool encrypt) noexcept {
  InitDesContext(key, context.First, encrypt);
  InitDesContext(key + 8, context.Second, !encrypt);
}

void TripleDesBlock(const TripleDesContext& context, uint8_t* block) noexcept {
  DesBlock(context.First, block);
  DesBlock(context.Second, block);
  DesBlock(context.First, block);
}

void TripleDesBlockCbc(const TripleDesContext& context, const uint8_t* chain,
                       uint8_t* block) noexcept {
  if (context.First.Direction) {
    XorBytes(block, chain, kDesBlockSize);
    TripleDesBlock(context, block);
  } else {
    TripleDesBlock(context, block);
    XorBytes(block, chain, kDesBlockSize);
  }
}

}  // namespace ostrel
