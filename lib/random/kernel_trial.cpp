#include "random/kernel_trial.hpp"

#include <algorithm>
#include <array>
#include <chrono>
#include <limits>
#include <vector>

#include "random/count_kernels.hpp"
#include "random/instruction_sets.hpp"
#include "zemrath/random_source.hpp"

namespace zemrath {

namespace {

// Long enough that a vector kernel's time is well above the clock's
// resolution, short enough that the scalar one takes a fraction of a
// millisecond.
constexpr std::uint32_t trial_steps = 3000;
constexpr int trial_rounds = 15;

// A stretch of the s3 orbit of seed 0, biased as the shared kernels read it,
// taken as a cycle of trial_cycle values repeated once: a run of trial_steps
// steps from any phase reads it without wrapping.
constexpr std::uint32_t trial_cycle = 4096;

std::vector<std::uint32_t> trial_s3_words() {
    std::vector<std::uint32_t> words(2 * trial_cycle);
    std::uint32_t s3 = seeded_state(0).s3;
    for (std::uint32_t k = 0; k < trial_cycle; ++k) {
        s3 = next_s3(s3);
        words[k] = words[trial_cycle + k] = s3 ^ 0x80000000u;
    }
    return words;
}

lane_group trial_lanes() {
    lane_group lanes;
    for (int l = 0; l < group_lanes; ++l) {
        const rand_state seeded = seeded_state(l);
        lanes.s0[l] = seeded.s0, lanes.s1[l] = seeded.s1, lanes.s2[l] = seeded.s2, lanes.s3[l] = seeded.s3;
    }
    return lanes;
}

double seconds_of_one_job(const lane_kernels& kernels, const std::vector<std::uint32_t>& s3_words,
                          std::uint32_t phase) {
    const cycle_walk walk{s3_words.data(), trial_cycle, static_cast<std::uint32_t>(s3_words.size()), phase};
    lane_group shared = trial_lanes(), own = trial_lanes();
    const auto start = std::chrono::steady_clock::now();
    kernels.shared_s3(shared, walk, trial_steps, 0x9E3779B9u);
    kernels.own_s3(own, trial_steps, 0x9E3779B9u);
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

double median(std::vector<double> times) {
    std::nth_element(times.begin(), times.begin() + times.size() / 2, times.end());
    return times[times.size() / 2];
}

}  // namespace

std::array<count_kernel, every_count_kernel.size()> kernels_by_speed() {
    const instruction_sets runs = detected_instruction_sets();
    const auto runnable = [&runs](count_kernel kernel) {
        return kernel == count_kernel::scalar || (kernel == count_kernel::avx2 && runs.avx2) ||
               (kernel == count_kernel::avx512 && runs.avx512);
    };
    const std::vector<std::uint32_t> s3_words = trial_s3_words();
    std::array<std::vector<double>, every_count_kernel.size()> times;
    // Rounds take the kernels in turn, so that a pause of the whole machine
    // slows one run of each rather than every run of one, and each round
    // starts the shared s3 at another phase.
    for (int round = 0; round < trial_rounds; ++round)
        for (std::size_t k = 0; k < every_count_kernel.size(); ++k)
            if (runnable(every_count_kernel[k]))
                times[k].push_back(seconds_of_one_job(lane_kernels_for(every_count_kernel[k]), s3_words,
                                                      round * 977u % trial_cycle));
    // A kernel's typical time, not its best: one that is as fast as another
    // only at its best is slower in a long run.
    std::array<double, every_count_kernel.size()> typical;
    for (std::size_t k = 0; k < every_count_kernel.size(); ++k)
        typical[k] = times[k].empty() ? std::numeric_limits<double>::infinity() : median(times[k]);
    std::array<count_kernel, every_count_kernel.size()> order = every_count_kernel;
    std::stable_sort(order.begin(), order.end(), [&typical](count_kernel a, count_kernel b) {
        return typical[static_cast<std::size_t>(a)] < typical[static_cast<std::size_t>(b)];
    });
    return order;
}

}  // namespace zemrath
