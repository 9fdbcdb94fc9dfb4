// What the AVX2 and AVX-512 kernels share about eight-lane vectors: loading
// and storing a half group, and stepping each lane's own s3. Only for x86,
// included by the kernel files, whose functions carry the target attributes
// these are inlined into.
#pragma once

#if defined(__x86_64__) || defined(__i386__)

#include <immintrin.h>

#include <cstdint>

namespace zemrath {

[[gnu::target("avx2"), gnu::always_inline]] inline __m256i load8(const std::uint32_t* words) {
    return _mm256_load_si256(reinterpret_cast<const __m256i*>(words));
}

[[gnu::target("avx2"), gnu::always_inline]] inline void store8(std::uint32_t* words, __m256i v) {
    _mm256_store_si256(reinterpret_cast<__m256i*>(words), v);
}

// One step of each lane's own s3, kept XOR 2^31 like the words of the shared
// table: the cut product of a biased word is the biased product (16807 is
// odd, so 2^31 x 16807 is 2^31 modulo 2^32), and the signed minimum of two
// biased words is the unsigned minimum of the words. Of the product y and
// y - (2^31 - 1), the smaller as unsigned words is the remainder whenever
// y < 2^32 - 2.
[[gnu::target("avx2"), gnu::always_inline]] inline void step_own_s3(__m256i& biased_s3) {
    const __m256i product = _mm256_mullo_epi32(biased_s3, _mm256_set1_epi32(16807));
    biased_s3 = _mm256_min_epi32(product, _mm256_sub_epi32(product, _mm256_set1_epi32(0x7FFFFFFF)));
}

[[gnu::target("avx2"), gnu::always_inline]] inline __m256i flip_top_bits(__m256i v) {
    return _mm256_xor_si256(v, _mm256_set1_epi32(static_cast<int>(0x80000000u)));
}

}  // namespace zemrath

#endif  // x86
