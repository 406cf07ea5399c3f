// The bitsliced Triple-DES kernel on AVX-512: 512 blocks per batch, and each S-box gate one
// ternary-logic instruction. This file alone is compiled for AVX-512 (see CMakeLists.txt); it
// includes only headers of templates over its own Ops and of constants, so that nothing compiled
// here can end up in code that runs before the processor check.
#include "primitives/des_bitslice.h"

#if defined(__x86_64__)
#include <immintrin.h>

#include "primitives/des_bitslice_kernel.h"

namespace ostrel::des_bitslice {
namespace {

struct Avx512Ops {
  using V = __m512i;
  static constexpr int kQwords = 8;

  static V Load(const uint8_t* bytes) { return _mm512_loadu_si512(bytes); }
  static void Store(uint8_t* bytes, V value) { _mm512_storeu_si512(bytes, value); }
  static V Xor(V a, V b) { return _mm512_xor_si512(a, b); }
  static V Xor3(V a, V b, V c) { return _mm512_ternarylogic_epi64(a, b, c, 0x96); }
  static V Zero() { return _mm512_setzero_si512(); }
  static V Broadcast(uint32_t mask) { return _mm512_set1_epi32(static_cast<int>(mask)); }

  // Shifts through the compiler's vector types: the intrinsics trip a false warning of GCC 12
  // about their undefined pass-through operand.
  using Lanes = unsigned long long __attribute__((vector_size(64)));

  template <int kShift>
  static void Exchange(V& a, V& b, uint64_t mask) {
    const V shifted = reinterpret_cast<V>(reinterpret_cast<Lanes>(a) >> kShift);
    // t = ((a >> s) ^ b) & mask in one ternary-logic instruction (truth table 0x28).
    const V t = _mm512_ternarylogic_epi64(shifted, b,
                                          _mm512_set1_epi64(static_cast<long long>(mask)), 0x28);
    b = _mm512_xor_si512(b, t);
    a = _mm512_xor_si512(a, reinterpret_cast<V>(reinterpret_cast<Lanes>(t) << kShift));
  }

  template <uint8_t kTruth>
  static V Ternary(V a, V b, V c) {
    return _mm512_ternarylogic_epi64(a, b, c, kTruth);
  }
};

}  // namespace

void TripleDesAvx512(const uint32_t* subkeys, const uint8_t* in, uint8_t* out,
                     int64_t batches) noexcept {
  static_assert(kBatchBlocks<Avx512Ops> == kAvx512BatchBlocks);
  TripleDesBatches<Avx512Ops>(subkeys, in, out, batches);
}

}  // namespace ostrel::des_bitslice

#else  // not x86-64: never called

namespace ostrel::des_bitslice {
void TripleDesAvx512(const uint32_t*, const uint8_t*, uint8_t*, int64_t) noexcept {}
}  // namespace ostrel::des_bitslice

#endif
