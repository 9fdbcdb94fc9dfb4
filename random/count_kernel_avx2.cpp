// The AVX2 kernels: eight lanes to a vector, two vectors side by side so that
// the dependency chain of one hides behind the other. Only the
// functions marked for AVX2 use its instructions; the dispatcher calls them
// only on processors that have them.
#if defined(__x86_64__) || defined(__i386__)

#include <immintrin.h>

#include <bit>
#include <climits>

#include "random/avx2_lanes.hpp"
#include "random/count_kernels.hpp"

namespace zemrath {

namespace {

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

// The striped kernel's loop on one vector (lanes 0 to 7) or both.
template <bool both>
[[gnu::target("avx2,popcnt"), gnu::always_inline]] inline void count_striped_vectors(
    lane_group& group, const stripe_walk& walk, std::uint32_t steps, __m256i threshold_a, __m256i threshold_b) {
    __m256i a0 = load8(&group.s0[0]), a1 = load8(&group.s1[0]), a2 = load8(&group.s2[0]);
    __m256i b0 = load8(&group.s0[8]), b1 = load8(&group.s1[8]), b2 = load8(&group.s2[8]);
    std::uint32_t above = 0;
    const std::uint32_t* low = walk.low;
    const std::uint32_t* high = walk.high;
    std::uint32_t left = steps;
    for (; left >= 3; left -= 3, low += 3 * stripe_width, high += 3 * stripe_width) {
        step8(a0, a1, a2, load8_unaligned(low), threshold_a, above);
        if (both) step8(b0, b1, b2, load8_unaligned(high), threshold_b, above);
        step8(a1, a2, a0, load8_unaligned(low + 8), threshold_a, above);
        if (both) step8(b1, b2, b0, load8_unaligned(high + 8), threshold_b, above);
        step8(a2, a0, a1, load8_unaligned(low + 16), threshold_a, above);
        if (both) step8(b2, b0, b1, load8_unaligned(high + 16), threshold_b, above);
    }
    for (; left > 0; --left, low += stripe_width, high += stripe_width) {
        step8(a0, a1, a2, load8_unaligned(low), threshold_a, above);
        if (both) step8(b0, b1, b2, load8_unaligned(high), threshold_b, above);
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
    if (lanes > 8)
        count_striped_vectors<true>(group, walk, steps, threshold_a, threshold_b);
    else
        count_striped_vectors<false>(group, walk, steps, threshold_a, threshold_b);
}

[[gnu::target("avx2,popcnt")]] void count_lanes_avx2(lane_group& group, std::uint32_t steps, std::uint32_t biased_threshold) {
    static_assert(group_lanes == 16, "two eight-lane vectors");
    const __m256i threshold = _mm256_set1_epi32(static_cast<int>(biased_threshold));
    __m256i a0 = load8(&group.s0[0]), a1 = load8(&group.s1[0]), a2 = load8(&group.s2[0]);
    __m256i b0 = load8(&group.s0[8]), b1 = load8(&group.s1[8]), b2 = load8(&group.s2[8]);
    __m256i s3_a = flip_top_bits(load8(&group.s3[0])), s3_b = flip_top_bits(load8(&group.s3[8]));
    std::uint32_t above = 0;
    std::uint32_t left = steps;
    for (; left >= 3; left -= 3) {
        step_own_s3(s3_a), step8(a0, a1, a2, s3_a, threshold, above);
        step_own_s3(s3_b), step8(b0, b1, b2, s3_b, threshold, above);
        step_own_s3(s3_a), step8(a1, a2, a0, s3_a, threshold, above);
        step_own_s3(s3_b), step8(b1, b2, b0, s3_b, threshold, above);
        step_own_s3(s3_a), step8(a2, a0, a1, s3_a, threshold, above);
        step_own_s3(s3_b), step8(b2, b0, b1, s3_b, threshold, above);
    }
    for (; left > 0; --left) {
        step_own_s3(s3_a), step8(a0, a1, a2, s3_a, threshold, above);
        step_own_s3(s3_b), step8(b0, b1, b2, s3_b, threshold, above);
        const __m256i a = a0, b = b0;
        a0 = a1, a1 = a2, a2 = a;
        b0 = b1, b1 = b2, b2 = b;
    }
    store8(&group.s0[0], a0), store8(&group.s1[0], a1), store8(&group.s2[0], a2);
    store8(&group.s0[8], b0), store8(&group.s1[8], b1), store8(&group.s2[8], b2);
    store8(&group.s3[0], flip_top_bits(s3_a)), store8(&group.s3[8], flip_top_bits(s3_b));
    group.above += above;
}

}  // namespace zemrath

#endif  // x86
