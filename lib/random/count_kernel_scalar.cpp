// The portable kernels: one lane after another at every step, in plain C++.
#include <algorithm>
#include <array>
#include <climits>

#include "random/count_kernels.hpp"
#include "zemrath/random_source.hpp"

namespace zemrath {

void count_group_scalar(lane_group& group, const cycle_walk& walk, std::uint32_t steps,
                        std::uint32_t biased_threshold) {
    const auto threshold = static_cast<std::int32_t>(biased_threshold);
    std::uint32_t* s0 = group.s0.data();
    std::uint32_t* s1 = group.s1.data();
    std::uint32_t* s2 = group.s2.data();
    std::uint32_t above = 0;
    std::uint32_t phase = walk.phase;
    for (std::uint32_t k = 0; k < steps; ++k) {
        const std::uint32_t s3 = walk.biased[phase];
        for (int l = 0; l < group_lanes; ++l) {
            const std::uint32_t n = next_register_word(s0[l], s1[l], s2[l]);
            s0[l] = s1[l];
            s1[l] = s2[l];
            s2[l] = n;
            above += static_cast<std::int32_t>(n ^ s3) > threshold ? 1u : 0u;
        }
        phase = phase + 1 == walk.cycle ? 0 : phase + 1;
    }
    group.above += above;
}

void count_striped_scalar(lane_group& group, const stripe_walk& walk, std::uint32_t steps,
                          std::uint32_t biased_threshold, int lanes) {
    // A lane past the last counts nothing: no word is above the largest
    // biased threshold.
    std::array<std::int32_t, group_lanes> threshold;
    for (int l = 0; l < group_lanes; ++l)
        threshold[l] = l < lanes ? static_cast<std::int32_t>(biased_threshold) : INT32_MAX;
    std::uint32_t* s0 = group.s0.data();
    std::uint32_t* s1 = group.s1.data();
    std::uint32_t* s2 = group.s2.data();
    std::uint32_t above = 0;
    for (std::uint32_t k = 0; k < steps; ++k) {
        // Both rows side by side, so that one loop of a fixed length, which
        // the compiler turns into vector instructions, steps every lane.
        std::array<std::uint32_t, group_lanes> s3;
        std::copy_n(walk.low + std::size_t{k} * stripe_width, stripe_width, s3.begin());
        std::copy_n(walk.high + std::size_t{k} * stripe_width, stripe_width, s3.begin() + stripe_width);
        for (int l = 0; l < group_lanes; ++l) {
            const std::uint32_t n = next_register_word(s0[l], s1[l], s2[l]);
            s0[l] = s1[l];
            s1[l] = s2[l];
            s2[l] = n;
            above += static_cast<std::int32_t>(n ^ s3[l]) > threshold[l] ? 1u : 0u;
        }
    }
    group.above += above;
}

void count_lanes_scalar(lane_group& group, std::uint32_t steps, std::uint32_t biased_threshold) {
    const std::uint32_t threshold = biased_threshold ^ 0x80000000u;
    std::uint32_t* s0 = group.s0.data();
    std::uint32_t* s1 = group.s1.data();
    std::uint32_t* s2 = group.s2.data();
    std::uint32_t* s3 = group.s3.data();
    std::uint32_t above = 0;
    for (std::uint32_t k = 0; k < steps; ++k)
        for (int l = 0; l < group_lanes; ++l) {
            const std::uint32_t n = next_register_word(s0[l], s1[l], s2[l]);
            s0[l] = s1[l];
            s1[l] = s2[l];
            s2[l] = n;
            s3[l] = next_s3(s3[l]);
            above += (n ^ s3[l]) > threshold ? 1u : 0u;
        }
    group.above += above;
}

}  // namespace zemrath
