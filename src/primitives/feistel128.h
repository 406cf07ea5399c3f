// The internal 128-bit Feistel block cipher (128-bit key, 4 to 16 rounds of 32-bit additions, XORs
// and shifts). Only the pass-phrase digest uses it; every step must match bit for bit, because the
// file keys of every stored file depend on it.
#pragma once

#include <cstdint>

namespace ostrel {

struct Feistel128Context {
  uint8_t Direction;        // 1 encrypt, 0 decrypt; informative only: the order of SubKeys decides
  int32_t RoundCount;       // 4 to 16 after initialisation
  uint32_t SubKeys[16][2];  // in the order in which the rounds use them

  ~Feistel128Context();
};

void MixFourWords(uint32_t& a, uint32_t& b, uint32_t& c, uint32_t& d) noexcept;
void MixEightWords(uint32_t& a, uint32_t& b, uint32_t& c, uint32_t& d, uint32_t& e, uint32_t& f,
                   uint32_t& g, uint32_t& h) noexcept;

// key: 16 bytes. rounds is clamped to 4..16.
void InitFeistel128Context(const uint8_t* key, Feistel128Context& context, int32_t rounds,
                           bool encrypt) noexcept;
// Transforms 16 bytes in place, in the context's direction.
void Feistel128Block(const Feistel128Context& context, uint8_t* block) noexcept;

}  // namespace ostrel
