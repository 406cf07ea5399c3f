// Triple-DES over runs of blocks. Two things make it faster than three DesBlock calls per block:
// - The three passes run as one of 48 rounds. The final permutation of one pass and the initial
//   permutation of the next are inverses, so between passes only the exchange of the halves
//   remains; each block is permuted once on the way in and once on the way out.
// - Several blocks are in flight at once. One round is a chain of dependent look-ups; the rounds of
//   independent blocks interleave, so the processor overlaps their latencies.
// The round function and the permutations are those of FIPS 46-3 in the form des.cpp uses: halves
// rotated left by one bit, S-boxes and P through the SP tables.
#include "primitives/triple_des_blocks.h"

#include <cstring>

#include "primitives/byte_order.h"
#include "primitives/des_round.h"
#include "primitives/des_tables.h"
#include "primitives/xor_bytes.h"

namespace ostrel {
namespace {

using namespace des_round;

constexpr int kLanes = 4;

// Sixteen rounds of one DES pass on n blocks; a and b are the pass's left and right halves.
template <int n>
inline void Pass(const DesContext& des, uint32_t* a, uint32_t* b) noexcept {
  const uint32_t* keys = des.SubKeys;
  for (int pair = 0; pair < 16; pair += 2, keys += 4) {
#pragma GCC unroll 4
    for (int j = 0; j < n; ++j) {
      a[j] ^= RoundFunction(b[j], keys[0], keys[1]);
    }
#pragma GCC unroll 4
    for (int j = 0; j < n; ++j) {
      b[j] ^= RoundFunction(a[j], keys[2], keys[3]);
    }
  }
}

// n blocks, each 8 bytes, from in to out (which may be the same place).
template <int n>
inline void TripleDesLanes(const TripleDesContext& context, const uint8_t* in,
                           uint8_t* out) noexcept {
  uint32_t left[n];
  uint32_t right[n];
#pragma GCC unroll 4
  for (int j = 0; j < n; ++j) {
    left[j] = LoadBigEndian32(in + 8 * j);
    right[j] = LoadBigEndian32(in + 8 * j + 4);
    InitialPermutation(left[j], right[j]);
  }
  // Between passes the halves change places: what one pass leaves as its right half the next
  // takes as its left.
  Pass<n>(context.First, left, right);
  Pass<n>(context.Second, right, left);
  Pass<n>(context.First, left, right);
#pragma GCC unroll 4
  for (int j = 0; j < n; ++j) {
    FinalPermutation(right[j], left[j]);
    StoreBigEndian32(out + 8 * j, right[j]);
    StoreBigEndian32(out + 8 * j + 4, left[j]);
  }
}

}  // namespace

void TripleDesBlocks(const TripleDesContext& context, uint8_t* blocks, int64_t count) noexcept {
  int64_t i = 0;
  for (; i + kLanes <= count; i += kLanes) {
    TripleDesLanes<kLanes>(context, blocks + kDesBlockSize * i, blocks + kDesBlockSize * i);
  }
  for (; i < count; ++i) {
    TripleDesLanes<1>(context, blocks + kDesBlockSize * i, blocks + kDesBlockSize * i);
  }
}

void TripleDesBlocksCbc(const TripleDesContext& context, uint8_t* chain, uint8_t* blocks,
                        int64_t count) noexcept {
  if (count <= 0) {
    return;
  }
  if (context.First.Direction) {
    // Each block needs the cipher block before it: one at a time.
    for (int64_t i = 0; i < count; ++i) {
      uint8_t* block = blocks + kDesBlockSize * i;
      XorBytes(block, chain, kDesBlockSize);
      TripleDesLanes<1>(context, block, block);
      std::memcpy(chain, block, kDesBlockSize);
    }
    return;
  }
  // Decryption needs only cipher blocks: decrypt a group, then combine each block with the cipher
  // block before it, saved before the group was overwritten.
  uint8_t cipher[kLanes * kDesBlockSize];
  int64_t i = 0;
  for (; i < count; i += kLanes) {
    const int lanes = count - i >= kLanes ? kLanes : static_cast<int>(count - i);
    uint8_t* group = blocks + kDesBlockSize * i;
    const auto groupBytes = static_cast<size_t>(lanes) * kDesBlockSize;
    std::memcpy(cipher, group, groupBytes);
    if (lanes == kLanes) {
      TripleDesLanes<kLanes>(context, group, group);
    } else {
      for (int j = 0; j < lanes; ++j) {
        TripleDesLanes<1>(context, group + kDesBlockSize * j, group + kDesBlockSize * j);
      }
    }
    XorBytes(group, chain, kDesBlockSize);
    XorBytes(group + kDesBlockSize, cipher, (lanes - 1) * kDesBlockSize);
    std::memcpy(chain, cipher + (lanes - 1) * kDesBlockSize, kDesBlockSize);
  }
}

}  // namespace ostrel
