// Lane kernels: many stretches of one stream stepped side by side.
//
// A lane group holds the registers of group_lanes lanes, each at its own
// place in the stream, and the lanes step in lockstep. Each lane counts its
// output words above a threshold. Three kinds of kernel:
//  - shared s3: the lanes read one s3 per step from the biased cycle table,
//    which is exact when every lane starts a whole number of s3 cycles after
//    the others, on the cycle; the fastest, for long counts;
//  - striped s3: lanes spaced as a cycle's striped table has them
//    (s3_stripes.hpp) read their own s3 from it, one row a step; as fast,
//    for the stretches on a cycle that are not whole cycles long;
//  - own s3: every lane also carries its s3 and steps it, so the lanes may
//    start anywhere, in s3's tail too.
// The kernels of one kind differ only in the instructions they use and give
// identical results.
#pragma once

#include <algorithm>
#include <array>
#include <cstdint>

#include "random/s3_stripes.hpp"
#include "zemrath/count_kernel.hpp"

namespace zemrath {

// Sixteen lanes: one AVX-512 vector, two 256-bit vectors. Groups stay small
// so that each lane's start, a register jump, is paid for by few words.
inline constexpr int group_lanes = 16;

struct lane_group {
    alignas(64) std::array<std::uint32_t, group_lanes> s0{};
    alignas(64) std::array<std::uint32_t, group_lanes> s1{};
    alignas(64) std::array<std::uint32_t, group_lanes> s2{};
    alignas(64) std::array<std::uint32_t, group_lanes> s3{};  // read by the own-s3 kernels only
    std::uint32_t above = 0;  // output words above the threshold, all lanes together
};

// The s3 words the lanes share: biased (see s3_cycle::biased) from phase
// (< cycle) on, wrapping around the cycle.
struct cycle_walk {
    const std::uint32_t* biased = nullptr;
    std::uint32_t cycle = 0;
    std::uint32_t length = 0;  // entries in biased: at least cycle + 3
    std::uint32_t phase = 0;
};

// Steps in the next stretch that reads biased without wrapping, from phase
// with `left` steps to go: a multiple of 3 (the kernels rotate the three
// register words by renaming), at least 3 when left is.
inline std::uint32_t unwrapped_stretch(const cycle_walk& walk, std::uint32_t phase, std::uint32_t left) {
    const std::uint32_t room = std::min(left, walk.length - phase);
    return room - room % 3;
}

// Steps every lane `steps` times and adds to above the number of the lanes'
// output words greater than the threshold; biased_threshold is the threshold
// XOR 2^31. The AVX2 and AVX-512 kernels run only where the processor has
// those instructions.
void count_group_scalar(lane_group& group, const cycle_walk& walk, std::uint32_t steps,
                        std::uint32_t biased_threshold);
void count_group_avx2(lane_group& group, const cycle_walk& walk, std::uint32_t steps,
                      std::uint32_t biased_threshold);
void count_group_avx512(lane_group& group, const cycle_walk& walk, std::uint32_t steps,
                        std::uint32_t biased_threshold);

// Where the lanes read s3 in a striped table: at step k, lanes 0 to 7 read
// words 8k to 8k + 7 from low on, lanes 8 to 15 from high on.
struct stripe_walk {
    const std::uint32_t* low = nullptr;
    const std::uint32_t* high = nullptr;
};

// Steps the first `lanes` lanes (1 to group_lanes) `steps` times, reading s3
// from the walk, and adds the number of their output words greater than the
// threshold to above; the registers of the other lanes are left in no
// particular state.
void count_striped_scalar(lane_group& group, const stripe_walk& walk, std::uint32_t steps,
                          std::uint32_t biased_threshold, int lanes);
void count_striped_avx2(lane_group& group, const stripe_walk& walk, std::uint32_t steps,
                        std::uint32_t biased_threshold, int lanes);

// Steps every lane, its s3 included, `steps` times and adds to above the
// number of the lanes' output words greater than the threshold, as
// count_group_* does. The vector kernel takes the remainder of the cut
// product s3 x 16807 by 2^31 - 1 with one conditional subtraction, which is
// exact for every product below 2^32 - 2. Only two words have larger
// products: 0xB3CBA9E9, above 2^31 - 1 and so never the result of a step, and
// 0x679753D2, which steps to 0 (and 0 stays 0). So every lane's s3 must be
// below 2^31 - 1, and no lane may step from 0x679753D2: every value on a
// cycle qualifies.
void count_lanes_scalar(lane_group& group, std::uint32_t steps, std::uint32_t biased_threshold);
void count_lanes_avx2(lane_group& group, std::uint32_t steps, std::uint32_t biased_threshold);

// The kernels of one instruction level. The AVX-512 level has a shared-s3
// kernel of its own and runs the AVX2 ones for striped and own s3: those
// work on 256-bit vectors (a striped row fills one), and a long count,
// where the levels differ, hardly runs them.
struct lane_kernels {
    void (*shared_s3)(lane_group&, const cycle_walk&, std::uint32_t, std::uint32_t);
    void (*own_s3)(lane_group&, std::uint32_t, std::uint32_t);
    void (*striped_s3)(lane_group&, const stripe_walk&, std::uint32_t, std::uint32_t, int);
};

// The kernels of `kernel`, which the processor must support.
lane_kernels lane_kernels_for(count_kernel kernel);

}  // namespace zemrath
