// The pieces of a DES pass shared by the single-block and the bulk Triple-DES code: halves held
// rotated left by one bit, the round function through SP1..SP8, and the initial and final
// permutations as masked exchanges.
#pragma once

#include <cstdint>

#include "primitives/des_tables.h"

namespace ostrel::des_round {

inline uint32_t RotateLeft(uint32_t word, int count) noexcept {
  return (word << count) | (word >> (32 - count));
}

inline uint32_t RotateRight(uint32_t word, int count) noexcept {
  return (word >> count) | (word << (32 - count));
}

// The round function: the standard's f rotated left by one bit. t's and u's six-bit fields are
// already the E expansion for the odd and the even S-boxes.
inline uint32_t RoundFunction(uint32_t half, uint32_t keyA, uint32_t keyB) noexcept {
  const uint32_t t = RotateRight(half, 4) ^ keyA;
  const uint32_t u = half ^ keyB;
  return SP1[(t >> 24) & 63] ^ SP3[(t >> 16) & 63] ^ SP5[(t >> 8) & 63] ^ SP7[t & 63] ^
         SP2[(u >> 24) & 63] ^ SP4[(u >> 16) & 63] ^ SP6[(u >> 8) & 63] ^ SP8[u & 63];
}

// Moves the bits selected by mask between a (at the shifted position) and b.
inline void ExchangeBits(uint32_t& a, uint32_t& b, int shift, uint32_t mask) noexcept {
  const uint32_t t = ((a >> shift) ^ b) & mask;
  b ^= t;
  a ^= t << shift;
}

// Leaves the standard's L0 and R0, each rotated left by one bit.
inline void InitialPermutation(uint32_t& left, uint32_t& right) noexcept {
  ExchangeBits(left, right, 4, 0x0F0F0F0F);
  ExchangeBits(left, right, 16, 0x0000FFFF);
  ExchangeBits(right, left, 2, 0x33333333);
  ExchangeBits(right, left, 8, 0x00FF00FF);
  right = RotateLeft(right, 1);
  const uint32_t t = (left ^ right) & 0xAAAAAAAA;
  left ^= t;
  right ^= t;
  left = RotateLeft(left, 1);
}

// The inverse of InitialPermutation: the exchanges undone in reverse order. The caller passes the
// halves in the standard's output order, R16 first.
inline void FinalPermutation(uint32_t& first, uint32_t& second) noexcept {
  first = RotateRight(first, 1);
  const uint32_t t = (first ^ second) & 0xAAAAAAAA;
  first ^= t;
  second ^= t;
  second = RotateRight(second, 1);
  ExchangeBits(second, first, 8, 0x00FF00FF);
  ExchangeBits(second, first, 2, 0x33333333);
  ExchangeBits(first, second, 16, 0x0000FFFF);
  ExchangeBits(first, second, 4, 0x0F0F0F0F);
}

}  // namespace ostrel::des_round
