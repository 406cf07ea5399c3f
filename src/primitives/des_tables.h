// Constant tables of DES (FIPS 46-3) in the form the key schedule and the rounds use them.
#pragma once

#include <cstdint>

namespace ostrel {

// Key bit positions (1 = most significant bit of key byte 0) that form C (first 28) and D.
extern const uint8_t DesPermutedChoice1[56];
// Positions in C followed by D (1-based) that form the 48 bits of a round's subkey.
extern const uint8_t DesPermutedChoice2[48];
// Total left rotation of C and D before each round: the running sum of the shift schedule.
extern const uint8_t DesCumulativeShifts[16];

// Round tables: entry v of SPn is S-box n applied to the six bits of v, placed at its output bits,
// put through P and rotated left by one bit. One look-up does S-box and P together.
extern const uint32_t SP1[64];
extern const uint32_t SP2[64];
extern const uint32_t SP3[64];
extern const uint32_t SP4[64];
extern const uint32_t SP5[64];
extern const uint32_t SP6[64];
extern const uint32_t SP7[64];
extern const uint32_t SP8[64];

}  // namespace ostrel
