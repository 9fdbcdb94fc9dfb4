// The AVX2 kernels: eight lanes to a vector, two vectors side by side so that
// the dependency chain of one hides behind the other. The AVX-512 level runs
// the striped and the own-s3 kernels of this file too. Only the functions
// marked for AVX2 use its instructions; the dispatcher calls them only on
// processors that have them.
#if defined(__x86_64__) || defined(__i386__)

#include <immintrin.h>

#include <bit>
#include <climits>

#include "random/count_kernels.hpp"

namespace zemrath {

namespace {

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


// One step: oldest (s0) becomes the new word n; counts n XOR s3 above the
// threshold. The signed comparison orders the words as unsigned because both
// sides carry the 2^31 bias; its lanes of all ones are gathered into a mask
// whose set bits the scalar ports count, which keeps a vector register free.
[[gnu::target("avx2,popcnt"), gnu::always_inline]] inline void step8(__m256i& oldest, __m256i middle, __m256i newest,
                                                                    __m256i s3, __m256i threshold,
                                                                    std::uint32_t& above) {
    __m256i t = _mm256_xor_si256(oldest, _mm256_slli_epi32(oldest, 16));
    t = _mm256_xor_si256(t, _mm256_srli_epi32(t, 5));
    // t + t is t << 1 off the shift ports; the newest word, ready last, is XORed last.
    oldest = _mm256_xor_si256(_mm256_xor_si256(_mm256_xor_si256(t, _mm256_add_epi32(t, t)), middle), newest);
    const __m256i greater = _mm256_cmpgt_epi32(_mm256_xor_si256(oldest, s3), threshold);
    above += std::popcount(static_cast<unsigned>(_mm256_movemask_ps(_mm256_castsi256_ps(greater))));
}

// The rows of a striped table need not lie on 32-byte boundaries.
[[gnu::target("avx2"), gnu::always_inline]] inline __m256i load8_unaligned(const std::uint32_t* words) {
    return _mm256_loadu_si256(reinterpret_cast<const __m256i*>(words));
}

[[gnu::target("avx2"), gnu::always_inline]] inline __m256i broadcast(const std::uint32_t* word) {
    return _mm256_set1_epi32(static_cast<int>(*word));
}

}  // namespace

[[gnu::target("avx2,popcnt")]] void count_group_avx2(lane_group& group, const cycle_walk& walk, std::uint32_t steps,
                                              std::uint32_t biased_threshold) {
    static_assert(group_lanes == 16, "two eight-lane vectors");
    const __m256i threshold = _mm256_set1_epi32(static_cast<int>(biased_threshold));
    __m256i a0 = load8(&group.s0[0]), a1 = load8(&group.s1[0]), a2 = load8(&group.s2[0]);
    __m256i b0 = load8(&group.s0[8]), b1 = load8(&group.s1[8]), b2 = load8(&group.s2[8]);
    std::uint32_t above = 0;
    std::uint32_t phase = walk.phase;
    std::uint32_t left = steps;
    while (left >= 3) {
        const std::uint32_t run = unwrapped_stretch(walk, phase, left);
        const std::uint32_t* s3 = walk.biased + phase;
        for (const std::uint32_t* end = s3 + run; s3 != end; s3 += 3) {
            __m256i w = broadcast(s3);
            step8(a0, a1, a2, w, threshold, above);
            step8(b0, b1, b2, w, threshold, above);
            w = broadcast(s3 + 1);
            step8(a1, a2, a0, w, threshold, above);
            step8(b1, b2, b0, w, threshold, above);
            w = broadcast(s3 + 2);
            step8(a2, a0, a1, w, threshold, above);
            step8(b2, b0, b1, w, threshold, above);
        }
        left -= run;
        phase = (phase + run) % walk.cycle;
    }
    for (; left > 0; --left) {
        const __m256i w = broadcast(walk.biased + phase);
        step8(a0, a1, a2, w, threshold, above);
        step8(b0, b1, b2, w, threshold, above);
        const __m256i a = a0, b = b0;
        a0 = a1, a1 = a2, a2 = a;
        b0 = b1, b1 = b2, b2 = b;
        phase = phase + 1 == walk.cycle ? 0 : phase + 1;
    }
    store8(&group.s0[0], a0), store8(&group.s1[0], a1), store8(&group.s2[0], a2);
    store8(&group.s0[8], b0), store8(&group.s1[8], b1), store8(&group.s2[8], b2);
    group.above += above;
}

namespace {

// Where the two vectors' s3 words come from, a step at a time: the rows of
// a striped table, read in turn, ...
struct striped_rows_s3 {
    const std::uint32_t* low;
    const std::uint32_t* high;
    [[gnu::target("avx2"), gnu::always_inline]] __m256i next_a() {
        const __m256i s3 = load8_unaligned(low);
        low += stripe_width;
        return s3;
    }
    [[gnu::target("avx2"), gnu::always_inline]] __m256i next_b() {
        const __m256i s3 = load8_unaligned(high);
        high += stripe_width;
        return s3;
    }
};

// ... or each lane's own s3, stepped.
struct own_s3 {
    __m256i a;
    __m256i b;
    [[gnu::target("avx2"), gnu::always_inline]] __m256i next_a() { return step_own_s3(a), a; }
    [[gnu::target("avx2"), gnu::always_inline]] __m256i next_b() { return step_own_s3(b), b; }
};

// Steps lanes 0 to 7 (vector a) and, if `both`, lanes 8 to 15 (vector b)
// `steps` times with s3 from the source, three steps a round so that the
// register words change roles by their names alone.
template <bool both, typename S3>
[[gnu::target("avx2,popcnt"), gnu::always_inline]] inline void count_two_vectors(lane_group& group, std::uint32_t steps,
                                                                                S3& s3, __m256i threshold_a,
                                                                                __m256i threshold_b) {
    __m256i a0 = load8(&group.s0[0]), a1 = load8(&group.s1[0]), a2 = load8(&group.s2[0]);
    __m256i b0 = load8(&group.s0[8]), b1 = load8(&group.s1[8]), b2 = load8(&group.s2[8]);
    std::uint32_t above = 0;
    std::uint32_t left = steps;
    for (; left >= 3; left -= 3) {
        step8(a0, a1, a2, s3.next_a(), threshold_a, above);
        if (both) step8(b0, b1, b2, s3.next_b(), threshold_b, above);
        step8(a1, a2, a0, s3.next_a(), threshold_a, above);
        if (both) step8(b1, b2, b0, s3.next_b(), threshold_b, above);
        step8(a2, a0, a1, s3.next_a(), threshold_a, above);
        if (both) step8(b2, b0, b1, s3.next_b(), threshold_b, above);
    }
    for (; left > 0; --left) {
        step8(a0, a1, a2, s3.next_a(), threshold_a, above);
        if (both) step8(b0, b1, b2, s3.next_b(), threshold_b, above);
        const __m256i a = a0, b = b0;
        a0 = a1, a1 = a2, a2 = a;
        b0 = b1, b1 = b2, b2 = b;
    }
    store8(&group.s0[0], a0), store8(&group.s1[0], a1), store8(&group.s2[0], a2);
    store8(&group.s0[8], b0), store8(&group.s1[8], b1), store8(&group.s2[8], b2);
    group.above += above;
}

}  // namespace

[[gnu::target("avx2,popcnt")]] void count_striped_avx2(lane_group& group, const stripe_walk& walk,
                                                 std::uint32_t steps, std::uint32_t biased_threshold, int lanes) {
    static_assert(group_lanes == 16 && stripe_width == 8, "two eight-lane vectors, one row each");
    // A lane past the last counts nothing: no word is above the largest
    // biased threshold. Eight lanes or fewer need only the first vector.
    const __m256i lane_index = _mm256_setr_epi32(0, 1, 2, 3, 4, 5, 6, 7);
    const __m256i threshold = _mm256_set1_epi32(static_cast<int>(biased_threshold));
    const __m256i never = _mm256_set1_epi32(INT32_MAX);
    const __m256i threshold_a =
        _mm256_blendv_epi8(never, threshold, _mm256_cmpgt_epi32(_mm256_set1_epi32(lanes), lane_index));
    const __m256i threshold_b =
        _mm256_blendv_epi8(never, threshold, _mm256_cmpgt_epi32(_mm256_set1_epi32(lanes - 8), lane_index));
    striped_rows_s3 s3{walk.low, walk.high};
    if (lanes > 8)
        count_two_vectors<true>(group, steps, s3, threshold_a, threshold_b);
    else
        count_two_vectors<false>(group, steps, s3, threshold_a, threshold_b);
}

[[gnu::target("avx2,popcnt")]] void count_lanes_avx2(lane_group& group, std::uint32_t steps, std::uint32_t biased_threshold) {
    static_assert(group_lanes == 16, "two eight-lane vectors");
    const __m256i threshold = _mm256_set1_epi32(static_cast<int>(biased_threshold));
    own_s3 s3{flip_top_bits(load8(&group.s3[0])), flip_top_bits(load8(&group.s3[8]))};
    count_two_vectors<true>(group, steps, s3, threshold, threshold);
    store8(&group.s3[0], flip_top_bits(s3.a)), store8(&group.s3[8], flip_top_bits(s3.b));
}

}  // namespace zemrath

#endif  // x86
