// The bitsliced Triple-DES kernel on AVX2: 256 blocks per batch, each S-box gate spelt in and, or,
// xor and and-not. This file alone is compiled for AVX2 (see CMakeLists.txt); it includes only
// headers of templates over its own Ops and of constants, so that nothing compiled here can end up
// in code that runs before the processor check.
#include "primitives/des_bitslice.h"

#if defined(__x86_64__)
#include <immintrin.h>

#include "primitives/des_bitslice_kernel.h"

namespace ostrel::des_bitslice {
namespace {

struct Avx2Ops {
  using V = __m256i;
  static constexpr int kQwords = 4;

  static V Load(const uint8_t* bytes) {
    return _mm256_loadu_si256(reinterpret_cast<const __m256i*>(bytes));
  }
  static void Store(uint8_t* bytes, V value) {
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(bytes), value);
  }
  static V And(V a, V b) { return _mm256_and_si256(a, b); }
  static V Or(V a, V b) { return _mm256_or_si256(a, b); }
  static V Xor(V a, V b) { return _mm256_xor_si256(a, b); }
  static V Xor3(V a, V b, V c) { return _mm256_xor_si256(_mm256_xor_si256(a, b), c); }
  static V AndNot(V a, V b) { return _mm256_andnot_si256(a, b); }
  static V Zero() { return _mm256_setzero_si256(); }
  static V Ones() { return _mm256_set1_epi32(-1); }
  static V Broadcast(uint32_t mask) { return _mm256_set1_epi32(static_cast<int>(mask)); }

  template <int kShift>
  static void Exchange(V& a, V& b, uint64_t mask) {
    const V t = _mm256_and_si256(_mm256_xor_si256(_mm256_srli_epi64(a, kShift), b),
                                 _mm256_set1_epi64x(static_cast<long long>(mask)));
    b = _mm256_xor_si256(b, t);
    a = _mm256_xor_si256(a, _mm256_slli_epi64(t, kShift));
  }

  template <uint8_t kTruth>
  static V Ternary(V a, V b, V c) {
    return des_sbox_circuits::TernaryFromGates<kTruth, Avx2Ops>(a, b, c);
  }
};

}  // namespace

void TripleDesAvx2(const uint32_t* subkeys, const uint8_t* in, uint8_t* out,
                   int64_t batches) noexcept {
  static_assert(kBatchBlocks<Avx2Ops> == kAvx2BatchBlocks);
  TripleDesBatches<Avx2Ops>(subkeys, in, out, batches);
}

}  // namespace ostrel::des_bitslice

#else  // not x86-64: never called

namespace ostrel::des_bitslice {
void TripleDesAvx2(const uint32_t*, const uint8_t*, uint8_t*, int64_t) noexcept {}
}  // namespace ostrel::des_bitslice

#endif
