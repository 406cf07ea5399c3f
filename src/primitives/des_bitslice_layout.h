// Where each bit of the bitsliced Triple-DES state lives, and the layout of the key schedule the
// bitsliced kernels read: shared by the kernels (des_bitslice_kernel.h) and by the code that
// prepares the schedule (triple_des_blocks.cpp).
#pragma once

#include <array>
#include <cstdint>

namespace ostrel::des_bitslice {

inline constexpr int kRounds = 48;     // three passes of sixteen
inline constexpr int kBlockBits = 64;  // registers per batch

// FIPS 46-3: IP, E and P as 1-based bit positions.
inline constexpr uint8_t kInitialPermutation[64] = {
    58, 50, 42, 34, 26, 18, 10, 2, 60, 52, 44, 36, 28, 20, 12, 4,  //
    62, 54, 46, 38, 30, 22, 14, 6, 64, 56, 48, 40, 32, 24, 16, 8,  //
    57, 49, 41, 33, 25, 17, 9,  1, 59, 51, 43, 35, 27, 19, 11, 3,  //
    61, 53, 45, 37, 29, 21, 13, 5, 63, 55, 47, 39, 31, 23, 15, 7,
};
inline constexpr uint8_t kExpansion[48] = {
    32, 1,  2,  3,  4,  5,  4,  5,  6,  7,  8,  9,  8,  9,  10, 11,  //
    12, 13, 12, 13, 14, 15, 16, 17, 16, 17, 18, 19, 20, 21, 20, 21,  //
    22, 23, 24, 25, 24, 25, 26, 27, 28, 29, 28, 29, 30, 31, 32, 1,
};
inline constexpr uint8_t kPermutation[32] = {
    16, 7, 20, 21, 29, 12, 28, 17, 1,  15, 23, 26, 5,  18, 31, 10,  //
    2,  8, 24, 14, 32, 27, 3,  9,  19, 13, 30, 6,  22, 11, 4,  25,
};

// The register that holds DES bit n (1 = the most significant bit of byte 0) after the transpose:
// a lane is loaded little-endian, so byte k is bits 8k..8k+7 with the byte's first bit highest.
consteval int RegisterOfBit(int n) {
  return 8 * ((n - 1) / 8) + 7 - (n - 1) % 8;
}

// The half-state index (0-based) that S-box output bit o (1-based, 4 per S-box) lands on through P.
consteval int TargetOfSBoxBit(int o) {
  for (int k = 0; k < 32; ++k) {
    if (kPermutation[k] == o) {
      return k;
    }
  }
  return -1;
}

// An E position that reads a bit an earlier position already read: its slot among the 16 such
// positions, else -1.
consteval int CorrectionSlot(int position) {
  int slot = 0;
  for (int e = 0; e < 48; ++e) {
    bool repeated = false;
    for (int earlier = 0; earlier < e; ++earlier) {
      repeated = repeated || kExpansion[earlier] == kExpansion[e];
    }
    if (repeated) {
      if (e == position) {
        return slot;
      }
      ++slot;
    }
  }
  return -1;
}

// The first E position that reads half-state bit n (1-based).
consteval int FirstReadOf(int n) {
  for (int e = 0; e < 48; ++e) {
    if (kExpansion[e] == n) {
      return e;
    }
  }
  return -1;
}

// The same as tables, for loops that run and for template arguments. Everything here is evaluated
// while compiling, so that no function of this header is ever compiled into a kernel built for a
// wider instruction set and shared with generic code.
inline constexpr auto kRegisterOfStateBit = []() consteval {
  std::array<uint8_t, 64> registers{};
  for (int k = 0; k < 64; ++k) {
    registers[k] = static_cast<uint8_t>(RegisterOfBit(kInitialPermutation[k]));
  }
  return registers;
}
();
inline constexpr auto kCorrectionSlots = []() consteval {
  std::array<int, 48> slots{};
  for (int e = 0; e < 48; ++e) {
    slots[e] = CorrectionSlot(e);
  }
  return slots;
}
();
inline constexpr auto kSBoxBitTargets = []() consteval {
  std::array<int, 32> targets{};
  for (int o = 1; o <= 32; ++o) {
    targets[o - 1] = TargetOfSBoxBit(o);
  }
  return targets;
}
();
inline constexpr auto kFirstReads = []() consteval {
  std::array<uint8_t, 32> positions{};
  for (int n = 1; n <= 32; ++n) {
    positions[n - 1] = static_cast<uint8_t>(FirstReadOf(n));
  }
  return positions;
}
();

// Lane masks per round, in round order: the half read first in a pass moved to its offsets (used
// in a pass's first round only), the corrections of the inputs that read a bit again, and what
// each update of the written half mixes in. After the 48 rounds, the masks that clear the offsets
// of the half read last.
inline constexpr int kReoffsetWords = 0;
inline constexpr int kCorrectionWords = 32;
inline constexpr int kUpdateWords = 48;
inline constexpr int kRoundWords = 80;
inline constexpr int kFinalWords = kRounds * kRoundWords;
inline constexpr int kScheduleWords = kFinalWords + 32;

}  // namespace ostrel::des_bitslice
