// Triple-DES over runs of blocks through the implementation chosen when the batch context was
// prepared. The bitsliced ones (des_bitslice_kernel.h) take whole batches of 256 or 512 blocks; a
// shorter run goes through a padded batch, or through the tables when it is too short for a batch
// to pay.
//
// Two things make the table code faster than three DesBlock calls per block:
// - The three passes run as one of 48 rounds. The final permutation of one pass and the initial
//   permutation of the next are inverses, so between passes only the exchange of the halves
//   remains; each block is permuted once on the way in and once on the way out.
// - Several blocks are in flight at once. One round is a chain of dependent look-ups; the rounds of
//   independent blocks interleave, so the processor overlaps their latencies.
// The round function and the permutations are those of FIPS 46-3 in the form des.cpp uses: halves
// rotated left by one bit, S-boxes and P through the SP tables.
#include "primitives/triple_des_blocks.h"

#include <algorithm>
#include <cstring>

#include "primitives/byte_order.h"
#include "primitives/des_round.h"
#include "primitives/des_tables.h"
#include "primitives/xor_bytes.h"
#include "secret/secure_wipe.h"

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

void PortableBlocks(const TripleDesContext& context, uint8_t* blocks, int64_t count) noexcept {
  int64_t i = 0;
  for (; i + kLanes <= count; i += kLanes) {
    TripleDesLanes<kLanes>(context, blocks + kDesBlockSize * i, blocks + kDesBlockSize * i);
  }
  for (; i < count; ++i) {
    TripleDesLanes<1>(context, blocks + kDesBlockSize * i, blocks + kDesBlockSize * i);
  }
}

void PortableBlocksCbc(const TripleDesContext& context, uint8_t* chain, uint8_t* blocks,
                       int64_t count) noexcept {
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

// A bitsliced kernel and the blocks it takes at a time.
struct SlicedKernel {
  void (*run)(const uint32_t* subkeys, const uint8_t* in, uint8_t* out, int64_t batches) noexcept;
  int64_t batchBlocks;
};

SlicedKernel KernelFor(TripleDesImplementation implementation) noexcept {
  if (implementation == TripleDesImplementation::kAvx512) {
    return {des_bitslice::TripleDesAvx512, des_bitslice::kAvx512BatchBlocks};
  }
  return {des_bitslice::TripleDesAvx2, des_bitslice::kAvx2BatchBlocks};
}

// A run this many times shorter than a batch is faster through the tables than padded to a batch.
constexpr int64_t kPaddingPaysFrom = 16;

// count blocks, at most one batch, from in to out (which may be the same place).
void SlicedPart(const TripleDesBatchContext& context, const SlicedKernel& kernel, const uint8_t* in,
                uint8_t* out, int64_t count) noexcept {
  if (count == kernel.batchBlocks) {
    kernel.run(context.SlicedSubkeys, in, out, 1);
    return;
  }
  const auto bytes = static_cast<size_t>(count) * kDesBlockSize;
  if (count * kPaddingPaysFrom < kernel.batchBlocks) {
    std::memmove(out, in, bytes);
    PortableBlocks(context.Block, out, count);
    return;
  }
  alignas(64) uint8_t batch[des_bitslice::kAvx512BatchBlocks * kDesBlockSize] = {};
  std::memcpy(batch, in, bytes);
  kernel.run(context.SlicedSubkeys, batch, batch, 1);
  std::memcpy(out, batch, bytes);
  SecureWipe(batch, sizeof batch);
}

void SlicedBlocks(const TripleDesBatchContext& context, uint8_t* blocks, int64_t count) noexcept {
  const SlicedKernel kernel = KernelFor(context.Implementation);
  const int64_t batches = count / kernel.batchBlocks;
  kernel.run(context.SlicedSubkeys, blocks, blocks, batches);
  const int64_t done = batches * kernel.batchBlocks;
  if (done < count) {
    uint8_t* rest = blocks + kDesBlockSize * done;
    SlicedPart(context, kernel, rest, rest, count - done);
  }
}

// Decryption needs only cipher blocks: a batch is decrypted beside the run, combined there with
// the cipher blocks, which are all still in place, and copied back.
void SlicedDecryptCbc(const TripleDesBatchContext& context, uint8_t* chain, uint8_t* blocks,
                      int64_t count) noexcept {
  const SlicedKernel kernel = KernelFor(context.Implementation);
  alignas(64) uint8_t plain[des_bitslice::kAvx512BatchBlocks * kDesBlockSize];
  for (int64_t i = 0; i < count; i += kernel.batchBlocks) {
    const int64_t n = std::min(kernel.batchBlocks, count - i);
    const auto bytes = static_cast<size_t>(n) * kDesBlockSize;
    uint8_t* group = blocks + kDesBlockSize * i;
    SlicedPart(context, kernel, group, plain, n);
    XorBytes(plain, chain, kDesBlockSize);
    XorBytes(plain + kDesBlockSize, group, static_cast<int32_t>(bytes) - kDesBlockSize);
    std::memcpy(chain, group + bytes - kDesBlockSize, kDesBlockSize);
    std::memcpy(group, plain, bytes);
  }
  SecureWipe(plain, sizeof plain);
}

// The subkey bit (0 or 1) of round `round` (0 to 47) at E position `position`. A pass's subkeys are
// already in its direction's order in the block context: the six-bit groups of S-boxes 1, 3, 5, 7
// are the bytes of the first word of a pair, those of 2, 4, 6, 8 of the second, most significant
// first, and a group's first bit is its highest.
uint32_t SubkeyBit(const TripleDesContext& block, int round, int position) noexcept {
  const DesContext& pass = round / 16 == 1 ? block.Second : block.First;
  const int box = position / 6;
  const uint32_t word = pass.SubKeys[2 * (round % 16) + box % 2];
  const uint32_t group = (word >> (24 - 8 * (box / 2))) & 63u;
  return (group >> (5 - position % 6)) & 1u;
}

uint32_t LaneMask(uint32_t bit) noexcept {
  return bit != 0 ? 0xFFFFFFFFu : 0u;
}

// The masks of des_bitslice_layout.h, from a walk through the 48 rounds that tracks the offset of
// every bit of both halves. In a pass the first round reads the half b and writes a, the next
// reads a and writes b, and so on; the second pass has the halves' roles exchanged.
void SliceSubkeys(const TripleDesContext& block, uint32_t* words) noexcept {
  using namespace des_bitslice;
  uint32_t offsets[2][32] = {};  // [left, right][bit]: the offset each bit is held at
  // The offsets round r's reads need: the subkey bit of the first E position reading each bit.
  auto needed = [&](int round, int bit) { return SubkeyBit(block, round, kFirstReads[bit]); };
  auto readHalf = [](int round) {
    const int pass = round / 16;
    const bool readsB = round % 2 == 0;  // b: right in passes 1 and 3, left in pass 2
    return (pass == 1) == readsB ? 0 : 1;
  };
  for (int round = 0; round < kRounds; ++round) {
    uint32_t* at = words + kRoundWords * round;
    const int read = readHalf(round);
    const int written = 1 - read;
    for (int bit = 0; bit < 32; ++bit) {
      if (round % 16 == 0) {
        at[kReoffsetWords + bit] = LaneMask(offsets[read][bit] ^ needed(round, bit));
        offsets[read][bit] = needed(round, bit);
      }
    }
    for (int position = 0; position < 48; ++position) {
      const int slot = kCorrectionSlots[position];
      if (slot >= 0) {
        const int bit = kExpansion[position] - 1;
        at[kCorrectionWords + slot] =
            LaneMask(offsets[read][bit] ^ SubkeyBit(block, round, position));
      }
    }
    // The written half goes to the offsets of the next round that reads it, unless a pass's first
    // round moves it there anyway, or nothing reads it again.
    int next = round + 1;
    while (next < kRounds && readHalf(next) != written) {
      ++next;
    }
    for (int bit = 0; bit < 32; ++bit) {
      const uint32_t target = next < kRounds && next % 16 != 0 ? needed(next, bit) : 0u;
      at[kUpdateWords + bit] = LaneMask(offsets[written][bit] ^ target);
      offsets[written][bit] = target;
    }
  }
  const int last = readHalf(kRounds - 1);
  for (int bit = 0; bit < 32; ++bit) {
    words[kFinalWords + bit] = LaneMask(offsets[last][bit]);
  }
  SecureWipe(offsets, sizeof offsets);
}

}  // namespace

TripleDesBatchContext::~TripleDesBatchContext() {
  SecureWipe(*this);
}

bool TripleDesImplementationRuns(TripleDesImplementation implementation) noexcept {
  switch (implementation) {
    case TripleDesImplementation::kPortable:
      return true;
#if defined(__x86_64__)
    case TripleDesImplementation::kAvx2:
      return __builtin_cpu_supports("avx2");
    case TripleDesImplementation::kAvx512:
      return __builtin_cpu_supports("avx512f");
#else
    case TripleDesImplementation::kAvx2:
    case TripleDesImplementation::kAvx512:
      return false;
#endif
  }
  return false;
}

TripleDesImplementation FastestTripleDesImplementation() noexcept {
  for (TripleDesImplementation implementation :
       {TripleDesImplementation::kAvx512, TripleDesImplementation::kAvx2}) {
    if (TripleDesImplementationRuns(implementation)) {
      return implementation;
    }
  }
  return TripleDesImplementation::kPortable;
}

void InitTripleDesBatchContext(const uint8_t* key, TripleDesBatchContext& context, bool encrypt,
                               TripleDesImplementation implementation) noexcept {
  InitTripleDesContext(key, context.Block, encrypt);
  context.Implementation = TripleDesImplementationRuns(implementation)
                               ? implementation
                               : TripleDesImplementation::kPortable;
  SecureWipe(context.SlicedSubkeys, sizeof context.SlicedSubkeys);
  if (context.Implementation != TripleDesImplementation::kPortable) {
    SliceSubkeys(context.Block, context.SlicedSubkeys);
  }
}

void TripleDesBlocks(const TripleDesBatchContext& context, uint8_t* blocks,
                     int64_t count) noexcept {
  if (count <= 0) {
    return;
  }
  if (context.Implementation == TripleDesImplementation::kPortable) {
    PortableBlocks(context.Block, blocks, count);
  } else {
    SlicedBlocks(context, blocks, count);
  }
}

void TripleDesBlocksCbc(const TripleDesBatchContext& context, uint8_t* chain, uint8_t* blocks,
                        int64_t count) noexcept {
  if (count <= 0) {
    return;
  }
  // Encryption is one chain, block after block, whatever the implementation.
  if (context.Implementation == TripleDesImplementation::kPortable ||
      context.Block.First.Direction) {
    PortableBlocksCbc(context.Block, chain, blocks, count);
  } else {
    SlicedDecryptCbc(context, chain, blocks, count);
  }
}

}  // namespace ostrel
