// Constant tables of Rijndael (FIPS-197). Columns are 32-bit words with row 0 in the least
// significant byte.
#pragma once

#include <cstdint>

namespace ostrel {

extern const uint8_t RijndaelSBox[256];
extern const uint8_t RijndaelInverseSBox[256];
// Successive powers of x in GF(2^8), in the row-0 byte of a column word.
extern const uint32_t RijndaelRcon[10];

// T0[x] is the column (2*S[x], S[x], S[x], 3*S[x]): SubBytes and MixColumns for one byte. Tk is
// T0 rotated down by k rows.
extern const uint32_t T0[256];
extern const uint32_t T1[256];
extern const uint32_t T2[256];
extern const uint32_t T3[256];

// U0[x] is the column (14*x, 9*x, 13*x, 11*x): InvMixColumns for one byte. Uk is U0 rotated
// down by k rows.
extern const uint32_t U0[256];
extern const uint32_t U1[256];
extern const uint32_t U2[256];
extern const uint32_t U3[256];

}  // namespace ostrel
