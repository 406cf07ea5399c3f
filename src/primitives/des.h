// DES (FIPS 46-3) and two-key Triple-DES (NIST SP 800-67 keying option 2: E(K1) D(K2) E(K1)).
// Parity bits of the key are ignored.
#pragma once

#include <cstdint>

namespace ostrel {

inline constexpr int kDesBlockSize = 8;
inline constexpr int kTripleDesKeySize = 16;

struct DesContext {
  uint32_t SubKeys[32];  // 16 pairs (A, B) in the order the rounds use them
  bool Direction;        // true: encrypting

  ~DesContext();
};

struct TripleDesContext {
  DesContext First;   // K1 in the requested direction
  DesContext Second;  // K2 in the opposite direction
};

// key: 8 bytes.
void InitDesContext(const uint8_t* key, DesContext& context, bool encrypt) noexcept;
void DesBlock(const DesContext& context, uint8_t* block) noexcept;

// key: 16 bytes (K1, K2).
void InitTripleDesContext(const uint8_t* key, TripleDesContext& context, bool encrypt) noexcept;
void TripleDesBlock(const TripleDesContext& context, uint8_t* block) noexcept;
// Encrypting: block = E(block ^ chain). Decrypting: block = D(block) ^ chain. chain is not changed.
void TripleDesBlockCbc(const TripleDesContext& context, const uint8_t* chain,
                       uint8_t* block) noexcept;

}  // namespace ostrel
