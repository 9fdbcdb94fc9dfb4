// The AVX-512 kernel for shared s3: the sixteen lanes in one 512-bit vector.
// Three-way XORs take one instruction, and a comparison writes a mask whose
// set bits the scalar ports count, which leaves the vector ports one
// instruction less a step; with two ports for the wide instructions, one
// vector's work per step takes longer than its dependency chain, so one
// vector keeps them busy. The striped and own-s3 kernels of this level are
// the AVX2 ones (count_kernel_avx2.cpp), which hardly run in a long count.
// Only the functions marked for AVX-512 use its instructions; the dispatcher
// calls them only on processors that have them.
#if defined(__x86_64__) || defined(__i386__)

#include <immintrin.h>

#include <bit>

#include "random/count_kernels.hpp"

namespace zemrath {

namespace {

[[gnu::target("avx512f"), gnu::always_inline]] inline __m512i load16(const std::uint32_t* words) {
    return _mm512_load_si512(words);
}

[[gnu::target("avx512f"), gnu::always_inline]] inline void store16(std::uint32_t* words, __m512i v) {
    _mm512_store_si512(words, v);
}

// Shifts of every lane. The zero-masking form with a full mask is the plain
// instruction; this compiler's plain form reads a deliberately undefined
// vector and sets off a false uninitialised-value warning.
constexpr __mmask16 all_lanes = 0xFFFF;

[[gnu::target("avx512f"), gnu::always_inline]] inline __m512i shift_left(__m512i v, unsigned bits) {
    return _mm512_maskz_slli_epi32(all_lanes, v, bits);
}

[[gnu::target("avx512f"), gnu::always_inline]] inline __m512i shift_right(__m512i v, unsigned bits) {
    return _mm512_maskz_srli_epi32(all_lanes, v, bits);
}

// One step: oldest (s0) becomes the new word n; counts n XOR s3 above the
// threshold (both sides carry the 2^31 bias, so the signed comparison orders
// them as unsigned words).
[[gnu::target("avx512f,popcnt"), gnu::always_inline]] inline void step16(__m512i& oldest, __m512i middle,
                                                                         __m512i newest, __m512i s3,
                                                                         __m512i threshold, std::uint32_t& above) {
    __m512i t = _mm512_xor_si512(oldest, shift_left(oldest, 16));
    t = _mm512_xor_si512(t, shift_right(t, 5));
    // 0x96 is the three-way XOR; t + t is t << 1.
    oldest = _mm512_xor_si512(_mm512_ternarylogic_epi32(t, _mm512_add_epi32(t, t), middle, 0x96), newest);
    above += std::popcount(_mm512_cmpgt_epi32_mask(_mm512_xor_si512(oldest, s3), threshold));
}

[[gnu::target("avx512f"), gnu::always_inline]] inline __m512i broadcast(const std::uint32_t* word) {
    return _mm512_set1_epi32(static_cast<int>(*word));
}

}  // namespace

[[gnu::target("avx512f,popcnt")]] void count_group_avx512(lane_group& group, const cycle_walk& walk,
                                                          std::uint32_t steps, std::uint32_t biased_threshold) {
    static_assert(group_lanes == 16, "one sixteen-lane vector");
    const __m512i threshold = _mm512_set1_epi32(static_cast<int>(biased_threshold));
    __m512i a0 = load16(group.s0.data()), a1 = load16(group.s1.data()), a2 = load16(group.s2.data());
    std::uint32_t above = 0;
    std::uint32_t phase = walk.phase;
    std::uint32_t left = steps;
    while (left >= 3) {
        const std::uint32_t run = unwrapped_stretch(walk, phase, left);
        const std::uint32_t* s3 = walk.biased + phase;
        for (const std::uint32_t* end = s3 + run; s3 != end; s3 += 3) {
            step16(a0, a1, a2, broadcast(s3), threshold, above);
            step16(a1, a2, a0, broadcast(s3 + 1), threshold, above);
            step16(a2, a0, a1, broadcast(s3 + 2), threshold, above);
        }
        left -= run;
        phase = (phase + run) % walk.cycle;
    }
    for (; left > 0; --left) {
        step16(a0, a1, a2, broadcast(walk.biased + phase), threshold, above);
        const __m512i a = a0;
        a0 = a1, a1 = a2, a2 = a;
        phase = phase + 1 == walk.cycle ? 0 : phase + 1;
    }
    store16(group.s0.data(), a0), store16(group.s1.data(), a1), store16(group.s2.data(), a2);
    group.above += above;
}

}  // namespace zemrath

#endif  // x86
