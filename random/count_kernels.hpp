// Lane kernels: many stretches of one stream stepped side by side.
//
// A lane group holds the registers of group_lanes lanes, each at its own
// place in the stream. The lanes step in lockstep and read one shared s3 per
// step from the biased cycle table, which is exact when every lane starts a
// whole number of s3 cycles after the others, on the cycle. Each lane counts
// its output words above a threshold. The kernels differ only in the
// instructions they use and give identical results.
#pragma once

#include <algorithm>
#include <array>
#include <cstdint>

namespace zemrath {

// Sixteen lanes: one AVX-512 vector, two AVX2 vectors. Groups stay small so
// that a pass whose lane count is not a multiple of the group wastes little.
inline constexpr int group_lanes = 16;

struct lane_group {
    alignas(64) std::array<std::uint32_t, group_lanes> s0{};
    alignas(64) std::array<std::uint32_t, group_lanes> s1{};
    alignas(64) std::array<std::uint32_t, group_lanes> s2{};
    alignas(64) std::array<std::uint32_t, group_lanes> above{};
};

// The s3 words the lanes share: biased (see s3_orbit::biased_cycle) from
// entry phase (< cycle) on, wrapping around the cycle.
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

// Steps every lane `steps` times and adds to above[l] the number of lane l's
// output words greater than the threshold; biased_threshold is the threshold
// XOR 2^31. The AVX2 and AVX-512 kernels run only where the processor has
// those instructions.
void count_group_scalar(lane_group& group, const cycle_walk& walk, std::uint32_t steps,
                        std::uint32_t biased_threshold);
void count_group_avx2(lane_group& group, const cycle_walk& walk, std::uint32_t steps,
                      std::uint32_t biased_threshold);
void count_group_avx512(lane_group& group, const cycle_walk& walk, std::uint32_t steps,
                        std::uint32_t biased_threshold);

}  // namespace zemrath
