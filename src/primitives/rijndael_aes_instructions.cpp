// Rijndael (FIPS-197) on the x86 AES instructions. Each instruction is one whole round on one
// block (two on 256-bit registers, where the processor has them for ECB runs); runs of blocks keep
// eight registers in flight so that the rounds of different blocks overlap in the processor's
// pipeline. Decryption uses the equivalent inverse cipher of FIPS-197
// section 5.3.5, whose round keys InverseSchedule prepares once per key. The functions carry the
// instruction set as a target attribute instead of the whole file being built for it, so nothing
// here can leak instructions into code that runs before the processor check.
#include "primitives/rijndael_aes_instructions.h"

#include "secret/secure_wipe.h"

#if defined(__x86_64__) || defined(__i386__)
#include <cpuid.h>
#include <immintrin.h>
#define OSTREL_AES_INSTRUCTIONS 1
#else
#define OSTREL_AES_INSTRUCTIONS 0
#endif

namespace ostrel::aes_instructions {

#if OSTREL_AES_INSTRUCTIONS

#define OSTREL_AES_TARGET __attribute__((target("aes,sse4.1")))
#define OSTREL_WIDE_AES_TARGET __attribute__((target("vaes,avx2,aes,sse4.1")))

namespace {

constexpr int kBlockSize = 16;
constexpr int kMaxRounds = 14;
constexpr int kLanes = 8;

inline __m128i Load(const uint8_t* bytes) {
  return _mm_loadu_si128(reinterpret_cast<const __m128i*>(bytes));
}

inline void Store(uint8_t* bytes, __m128i value) {
  _mm_storeu_si128(reinterpret_cast<__m128i*>(bytes), value);
}

// The round keys in registers (or as close as the compiler keeps them), wiped on the way out.
struct RoundKeys {
  __m128i key[kMaxRounds + 1];
  int32_t rounds;

  RoundKeys(const uint8_t* bytes, int32_t roundCount) : rounds(roundCount) {
    for (int32_t r = 0; r <= rounds; ++r) {
      key[r] = Load(bytes + kBlockSize * r);
    }
  }
  ~RoundKeys() { SecureWipe(key, sizeof key); }
  RoundKeys(const RoundKeys&) = delete;
  RoundKeys& operator=(const RoundKeys&) = delete;
};

OSTREL_AES_TARGET inline __m128i EncryptOne(const RoundKeys& k, __m128i state) {
  state = _mm_xor_si128(state, k.key[0]);
  for (int32_t r = 1; r < k.rounds; ++r) {
    state = _mm_aesenc_si128(state, k.key[r]);
  }
  return _mm_aesenclast_si128(state, k.key[k.rounds]);
}

OSTREL_AES_TARGET inline __m128i DecryptOne(const RoundKeys& k, __m128i state) {
  state = _mm_xor_si128(state, k.key[0]);
  for (int32_t r = 1; r < k.rounds; ++r) {
    state = _mm_aesdec_si128(state, k.key[r]);
  }
  return _mm_aesdeclast_si128(state, k.key[k.rounds]);
}

OSTREL_AES_TARGET inline void EncryptLanes(const RoundKeys& k, __m128i* s) {
#pragma GCC unroll 8
  for (int j = 0; j < kLanes; ++j) {
    s[j] = _mm_xor_si128(s[j], k.key[0]);
  }
  for (int32_t r = 1; r < k.rounds; ++r) {
    const __m128i key = k.key[r];
#pragma GCC unroll 8
    for (int j = 0; j < kLanes; ++j) {
      s[j] = _mm_aesenc_si128(s[j], key);
    }
  }
#pragma GCC unroll 8
  for (int j = 0; j < kLanes; ++j) {
    s[j] = _mm_aesenclast_si128(s[j], k.key[k.rounds]);
  }
}

OSTREL_AES_TARGET inline void DecryptLanes(const RoundKeys& k, __m128i* s) {
#pragma GCC unroll 8
  for (int j = 0; j < kLanes; ++j) {
    s[j] = _mm_xor_si128(s[j], k.key[0]);
  }
  for (int32_t r = 1; r < k.rounds; ++r) {
    const __m128i key = k.key[r];
#pragma GCC unroll 8
    for (int j = 0; j < kLanes; ++j) {
      s[j] = _mm_aesdec_si128(s[j], key);
    }
  }
#pragma GCC unroll 8
  for (int j = 0; j < kLanes; ++j) {
    s[j] = _mm_aesdeclast_si128(s[j], k.key[k.rounds]);
  }
}

// Where the processor has the AES instructions on 256-bit registers, each instruction is a round
// on two blocks at once: runs of ECB blocks go through at twice the rate, sixteen in flight.
constexpr int kWideLanes = 8;
constexpr int kWideBlocks = 2 * kWideLanes;

// The 256-bit AES instructions: leaf 7's ECX bit 9. The AVX2 check also makes sure the system
// saves the 256-bit registers.
bool WideAvailable() noexcept {
  static const bool available = [] {
    unsigned eax = 0;
    unsigned ebx = 0;
    unsigned ecx = 0;
    unsigned edx = 0;
    constexpr unsigned kVaes = 1U << 9;
    return __builtin_cpu_supports("avx2") && __get_cpuid_count(7, 0, &eax, &ebx, &ecx, &edx) != 0 &&
           (ecx & kVaes) != 0;
  }();
  return available;
}

// The whole groups of sixteen blocks at the start of the run; returns how many blocks it did.
template <bool kEncrypt>
OSTREL_WIDE_AES_TARGET int64_t WideBlocks(const uint8_t* keys, int32_t rounds, uint8_t* blocks,
                                          int64_t count) noexcept {
  __m256i k[kMaxRounds + 1];
  for (int32_t r = 0; r <= rounds; ++r)
    k[r] = _mm256_broadcastsi128_si256(Load(keys + kBlockSize * r));
  int64_t i = 0;
  for (; i + kWideBlocks <= count; i += kWideBlocks) {
    auto* at = reinterpret_cast<__m256i*>(blocks + kBlockSize * i);
    __m256i s[kWideLanes];
#pragma GCC unroll 8
    for (int j = 0; j < kWideLanes; ++j)
      s[j] = _mm256_xor_si256(_mm256_loadu_si256(at + j), k[0]);
    for (int32_t r = 1; r < rounds; ++r) {
      const __m256i key = k[r];
#pragma GCC unroll 8
      for (__m256i& lane : s)
        lane = kEncrypt ? _mm256_aesenc_epi128(lane, key) : _mm256_aesdec_epi128(lane, key);
    }
#pragma GCC unroll 8
    for (int j = 0; j < kWideLanes; ++j) {
      s[j] = kEncrypt ? _mm256_aesenclast_epi128(s[j], k[rounds])
                      : _mm256_aesdeclast_epi128(s[j], k[rounds]);
      _mm256_storeu_si256(at + j, s[j]);
    }
  }
  SecureWipe(k, sizeof k);
  return i;
}

}  // namespace

bool Available() noexcept {
  return __builtin_cpu_supports("aes") && __builtin_cpu_supports("sse4.1");
}

OSTREL_AES_TARGET void InverseSchedule(const uint8_t* roundKeys, int32_t rounds,
                                       uint8_t* inverse) noexcept {
  Store(inverse, Load(roundKeys + kBlockSize * rounds));
  for (int32_t i = 1; i < rounds; ++i) {
    Store(inverse + kBlockSize * i, _mm_aesimc_si128(Load(roundKeys + kBlockSize * (rounds - i))));
  }
  Store(inverse + kBlockSize * rounds, Load(roundKeys));
}

OSTREL_AES_TARGET void EncryptBlocks(const uint8_t* keys, int32_t rounds, uint8_t* blocks,
                                     int64_t count) noexcept {
  const RoundKeys k(keys, rounds);
  int64_t i = WideAvailable() ? WideBlocks<true>(keys, rounds, blocks, count) : 0;
  for (; i + kLanes <= count; i += kLanes) {
    uint8_t* at = blocks + kBlockSize * i;
    __m128i s[kLanes];
#pragma GCC unroll 8
    for (int j = 0; j < kLanes; ++j) {
      s[j] = Load(at + kBlockSize * j);
    }
    EncryptLanes(k, s);
#pragma GCC unroll 8
    for (int j = 0; j < kLanes; ++j) {
      Store(at + kBlockSize * j, s[j]);
    }
  }
  for (; i < count; ++i) {
    uint8_t* at = blocks + kBlockSize * i;
    Store(at, EncryptOne(k, Load(at)));
  }
}

OSTREL_AES_TARGET void DecryptBlocks(const uint8_t* keys, int32_t rounds, uint8_t* blocks,
                                     int64_t count) noexcept {
  const RoundKeys k(keys, rounds);
  int64_t i = WideAvailable() ? WideBlocks<false>(keys, rounds, blocks, count) : 0;
  for (; i + kLanes <= count; i += kLanes) {
    uint8_t* at = blocks + kBlockSize * i;
    __m128i s[kLanes];
#pragma GCC unroll 8
    for (int j = 0; j < kLanes; ++j) {
      s[j] = Load(at + kBlockSize * j);
    }
    DecryptLanes(k, s);
#pragma GCC unroll 8
    for (int j = 0; j < kLanes; ++j) {
      Store(at + kBlockSize * j, s[j]);
    }
  }
  for (; i < count; ++i) {
    uint8_t* at = blocks + kBlockSize * i;
    Store(at, DecryptOne(k, Load(at)));
  }
}

// Each block needs the one before it: no two blocks can be in flight.
OSTREL_AES_TARGET void EncryptBlocksCbc(const uint8_t* keys, int32_t rounds, uint8_t* chain,
                                        uint8_t* blocks, int64_t count) noexcept {
  const RoundKeys k(keys, rounds);
  __m128i previous = Load(chain);
  for (int64_t i = 0; i < count; ++i) {
    uint8_t* at = blocks + kBlockSize * i;
    previous = EncryptOne(k, _mm_xor_si128(Load(at), previous));
    Store(at, previous);
  }
  Store(chain, previous);
}

// Decryption needs only cipher blocks, all known in advance: eight are decrypted together, then
// each is combined with the cipher block before it, kept from before the block was overwritten.
OSTREL_AES_TARGET void DecryptBlocksCbc(const uint8_t* keys, int32_t rounds, uint8_t* chain,
                                        uint8_t* blocks, int64_t count) noexcept {
  const RoundKeys k(keys, rounds);
  __m128i previous = Load(chain);
  int64_t i = 0;
  for (; i + kLanes <= count; i += kLanes) {
    uint8_t* at = blocks + kBlockSize * i;
    __m128i cipher[kLanes];
    __m128i s[kLanes];
#pragma GCC unroll 8
    for (int j = 0; j < kLanes; ++j) {
      cipher[j] = Load(at + kBlockSize * j);
      s[j] = cipher[j];
    }
    DecryptLanes(k, s);
    Store(at, _mm_xor_si128(s[0], previous));
#pragma GCC unroll 8
    for (int j = 1; j < kLanes; ++j) {
      Store(at + kBlockSize * j, _mm_xor_si128(s[j], cipher[j - 1]));
    }
    previous = cipher[kLanes - 1];
  }
  for (; i < count; ++i) {
    uint8_t* at = blocks + kBlockSize * i;
    const __m128i cipher = Load(at);
    Store(at, _mm_xor_si128(DecryptOne(k, cipher), previous));
    previous = cipher;
  }
  Store(chain, previous);
}

#else  // no AES instructions on this architecture: never called, Available() says so

bool Available() noexcept {
  return false;
}
void InverseSchedule(const uint8_t*, int32_t, uint8_t*) noexcept {}
void EncryptBlocks(const uint8_t*, int32_t, uint8_t*, int64_t) noexcept {}
void DecryptBlocks(const uint8_t*, int32_t, uint8_t*, int64_t) noexcept {}
void EncryptBlocksCbc(const uint8_t*, int32_t, uint8_t*, uint8_t*, int64_t) noexcept {}
void DecryptBlocksCbc(const uint8_t*, int32_t, uint8_t*, uint8_t*, int64_t) noexcept {}

#endif

}  // namespace ostrel::aes_instructions
